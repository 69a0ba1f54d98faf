// The wizard window's creation and layout: its class, its controls from the
// table, and their places, fonts and pictures at the window's DPI.

#include "setup/frmSetup.h"

#include <commctrl.h>
#include <richedit.h>

#include <utility>

#include "actions/win_Dpi.h"
#include "actions/win_Text.h"
#include "package/c_SetupProc.h"

namespace {

constexpr wchar_t kStartTitle[] = L"Setup Wizard initializing ...";
constexpr wchar_t kMakerCaption[] = L"   Velk Group ";
constexpr int kDropDownHeight = 200;  // room for the open list of the language chooser
constexpr int kFontHeight = -11;

unique_hfont CreateUiFont(const wchar_t* face, int weight, int dpi) {
  return unique_hfont(CreateFontW(ScalePixels(kFontHeight, dpi), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  face));
}

// The window class and styles of a control kind.
struct TControlClass {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

TControlClass ClassOf(const TControlInfo& info) {
  switch (info.kind) {
    case TControlKind::Logo:
    case TControlKind::InstallPicture:
    case TControlKind::RemovePicture:
    case TControlKind::FolderPicture: return {WC_STATICW, SS_OWNERDRAW, 0};
    case TControlKind::Bevel: return {WC_STATICW, SS_OWNERDRAW, 0};  // an etched edge along the top only
    case TControlKind::Button: return {WC_BUTTONW, BS_PUSHBUTTON, 0};
    case TControlKind::StaticText: return {WC_STATICW, SS_LEFTNOWORDWRAP | WS_DISABLED, 0};
    case TControlKind::Label: return {WC_STATICW, DWORD(info.flags & cfWrap ? SS_LEFT : SS_LEFTNOWORDWRAP), 0};
    case TControlKind::ComboBox:
      return {WC_COMBOBOXW, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL, 0};
    case TControlKind::RadioButton: return {WC_BUTTONW, BS_RADIOBUTTON, 0};
    case TControlKind::RichText:
      return {RICHEDIT_CLASSW, ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE};
    case TControlKind::GroupBox: return {WC_BUTTONW, BS_GROUPBOX, 0};
    case TControlKind::Edit: return {WC_EDITW, ES_READONLY | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case TControlKind::ProgressBar: return {PROGRESS_CLASSW, 0, 0};
    case TControlKind::CheckBox: return {WC_BUTTONW, BS_AUTOCHECKBOX, 0};
  }
  throw ESetupError(TText::UnexpectedError);
}

}  // namespace

TVelkSetup::TVelkSetup(HINSTANCE instance)
    : instance_(instance),
      flow_(!SetupProc->LicenseText.empty(), SetupProc->InstalledState != TInstalledState::None),
      richEdit_(LoadLibraryExW(L"riched20.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)),
      dpi_(SystemDpi()),
      installPicture_(HBITMAP(LoadImageW(instance, L"INSTALLPICTURE", IMAGE_BITMAP, 0, 0, 0))),
      removePicture_(HBITMAP(LoadImageW(instance, L"REMOVEPICTURE", IMAGE_BITMAP, 0, 0, 0))),
      channel_(kStepWaitingMessage, kWorkerEndedMessage) {
  CreateWindowAndControls();
  VelkSetup = this;
  FormCreate();
}

void TVelkSetup::CreateWindowAndControls() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = LoadIconW(instance_, L"MAINICON");
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kWizardWindowClass;
  RegisterClassExW(&windowClass);

  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const SIZE size = WindowSizeFor(ScalePixels(kClientWidth, dpi_), ScalePixels(kClientHeight, dpi_), style, dpi_);
  // The window procedure takes the handle into window_ with the first message.
  if (!CreateWindowExW(0, kWizardWindowClass, kStartTitle, style, (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2,
                       (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2, size.cx, size.cy, nullptr, nullptr, instance_,
                       this))
    throw ESetupError(TText::WindowNotCreated);
  for (const TControlInfo& info : WizardControls()) CreateControl(info);
  ApplyDpi(WindowDpi(window_.get()));
}

// Created where ApplyDpi then puts it, with the font it gives.
void TVelkSetup::CreateControl(const TControlInfo& info) {
  const TControlClass kind = ClassOf(info);
  const DWORD style =
      WS_CHILD | kind.style | (info.flags & cfTabStop ? WS_TABSTOP : 0) | (info.flags & cfGroupStart ? WS_GROUP : 0);
  HWND control = CreateWindowExW(kind.exStyle, kind.className, L"", style, 0, 0, 0, 0, window_.get(),
                                 reinterpret_cast<HMENU>(INT_PTR(info.id)), instance_, nullptr);
  if (!control) throw ESetupError(TText::ControlNotCreated, {std::string(info.name)});
  if (info.flags & cfChecked) SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
  if (info.kind == TControlKind::RichText) {
    // Plain lines, no rich-text reading, and no 32K cut of a long licence.
    SendMessageW(control, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
    SendMessageW(control, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  }
  controls_.push_back(control);
}

TVelkSetup::TScaledResources::TScaledResources(HINSTANCE instance, int dpi)
    : font(CreateUiFont(L"MS Sans Serif", FW_NORMAL, dpi)),
      boldFont(CreateUiFont(L"MS Sans Serif", FW_BOLD, dpi)),
      makerFont(CreateUiFont(L"Tahoma", FW_NORMAL, dpi)),
      folderPicture(LoadIconAt(instance, L"FOLDERPICTURE", ScaledRect(Control(TControl::Image3), true, dpi).width)),
      bigIcon(LoadIconAt(instance, L"MAINICON", SystemMetric(SM_CXICON, dpi))),
      smallIcon(LoadIconAt(instance, L"MAINICON", SystemMetric(SM_CXSMICON, dpi))) {}

// Everything the window shows, at `dpi`: the client area, the controls' places
// and fonts, the pictures and the icons.
void TVelkSetup::ApplyDpi(int dpi) {
  dpi_ = dpi;
  // The previous fonts and icons go once the controls and the window have the new ones.
  const TScaledResources previous = std::exchange(scaled_, TScaledResources(instance_, dpi));
  SendMessageW(window_.get(), WM_SETICON, ICON_BIG, LPARAM(scaled_.bigIcon.get()));
  SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, LPARAM(scaled_.smallIcon.get()));
  SizeClientArea();
  LayOut();
  RepaintWhole();
}

// Moved to a monitor of another scale: the place Windows suggests, laid out anew.
void TVelkSetup::MoveToDpi(int dpi, const RECT& suggested) {
  SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyDpi(dpi);
}

// The whole client area painted anew, beneath the children too: the group box,
// the bevels and the pictures leave what lies under them as it is, which after
// a change of scale is what the window showed before.
void TVelkSetup::RepaintWhole() {
  {
    const TWindowDc unclipped(window_.get(), DCX_CACHE);
    RECT client;
    GetClientRect(window_.get(), &client);
    FillRect(unclipped.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
  }
  RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The client area at the window's DPI, whatever frame the system gives the window.
void TVelkSetup::SizeClientArea() {
  RECT window, client;
  GetWindowRect(window_.get(), &window);
  GetClientRect(window_.get(), &client);
  const int width = ScalePixels(kClientWidth, dpi_) + (window.right - window.left) - client.right;
  const int height = ScalePixels(kClientHeight, dpi_) + (window.bottom - window.top) - client.bottom;
  SetWindowPos(window_.get(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TVelkSetup::LayOut() {
  for (const TControlInfo& info : WizardControls()) {
    HWND control = Item(info.control);
    const TRect r = ScaledRect(info, SetupProc->HasTopLogo, dpi_);
    const int height = info.kind == TControlKind::ComboBox ? ScalePixels(kDropDownHeight, dpi_) : r.height;
    SetWindowPos(control, nullptr, r.left, r.top, r.width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control, WM_SETFONT, WPARAM(FontOf(info)), FALSE);
    FitLabel(info.control);
  }
  // The language chooser measured its items when it was created (WM_MEASUREITEM);
  // at another scale they are set anew.
  HWND languages = Item(TControl::cbLangSel);
  const int itemHeight = ScalePixels(kLanguageItemHeight, dpi_);
  if (SendMessageW(languages, CB_GETITEMHEIGHT, 0, 0) == itemHeight) return;
  SendMessageW(languages, CB_SETITEMHEIGHT, WPARAM(-1), itemHeight);  // the selection field
  SendMessageW(languages, CB_SETITEMHEIGHT, 0, itemHeight);           // the items of the list
}

HFONT TVelkSetup::FontOf(const TControlInfo& info) const {
  return info.kind == TControlKind::StaticText ? scaled_.makerFont.get()
         : info.flags & cfBold                 ? scaled_.boldFont.get()
                                               : scaled_.font.get();
}

void TVelkSetup::FormCreate() {
  ApplyTexts();

  HWND languages = Item(TControl::cbLangSel);
  SendMessageW(languages, CB_ADDSTRING, 0, LPARAM(L"English"));
  SendMessageW(languages, CB_ADDSTRING, 0, LPARAM(L"Русский"));
  SendMessageW(languages, CB_SETCURSEL, SetupProc->LangID == kRussianBase ? 1 : 0, 0);

  if (SetupProc->HasTopLogo)
    logo_.reset(HBITMAP(LoadImageW(instance_, L"TOPLOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  SetWindowTextW(Item(TControl::StaticText1), kMakerCaption);

  ShowWindow(window_.get(), SW_SHOW);
  SetFocus(Item(TControl::bbtnNext));
}

// A label fits its caption, measured with its own font: an auto-sized one takes
// the size of its one line; a word-wrapped one keeps its place and height and,
// at a scale other than 96 DPI, widens by what its text needs.
void TVelkSetup::FitLabel(TControl control) {
  const TControlInfo& info = Control(control);
  if (info.kind != TControlKind::Label || (info.flags & cfWrap && dpi_ == kDesignDpi)) return;
  HWND label = Item(control);
  const TWindowDc dc(label);
  const TSelection font(dc.get(), HGDIOBJ(SendMessageW(label, WM_GETFONT, 0, 0)));
  const std::wstring caption = WindowText(label);
  if (info.flags & cfAutoSize) {
    RECT r{0, 0, 0, 0};
    DrawTextW(dc.get(), caption.empty() ? L" " : caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SetWindowPos(label, nullptr, 0, 0, caption.empty() ? 0 : r.right, r.bottom, SWP_NOMOVE | SWP_NOZORDER);
    return;
  }
  const int height = ScaledRect(info, SetupProc->HasTopLogo, dpi_).height;
  const int width = FittedLabelWidth(info, dpi_, [&](int width) {
    RECT needed{0, 0, width, 0};
    DrawTextW(dc.get(), caption.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    return needed.right <= width && needed.bottom <= height;
  });
  SetWindowPos(label, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
