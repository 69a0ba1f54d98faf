#include "setup/frmSetup.h"

#include <commctrl.h>
#include <richedit.h>

#include <exception>

#include "actions/u_SetupConsts.h"
#include "actions/u_SetupNames.h"
#include "actions/win_Dpi.h"
#include "actions/win_SetupFuncs.h"
#include "actions/win_Text.h"
#include "browse/c_BrowseDir.h"
#include "package/c_SetupProc.h"
#include "setup/c_CopyFiles.h"
#include "setup/c_RemoveFiles.h"
#include "setup/u_FinishActions.h"
#include "setup/u_SetupTexts.h"

TVelkSetup* VelkSetup = nullptr;

namespace {

constexpr wchar_t kStartTitle[] = L"Setup Wizard initializing ...";
constexpr wchar_t kMakerCaption[] = L"   Velk Group ";
constexpr int kLanguageItemHeight = 16;
constexpr int kDropDownHeight = 200;  // room for the open list of the language chooser
constexpr int kFontHeight = -11;
constexpr COLORREF kTransparentColour = RGB(255, 0, 255);

// Posted by a worker whose step the UI thread has not taken from the hand-off.
constexpr UINT kStepWaitingMessage = WM_APP + 1;
// While a worker runs, the UI thread empties its message queue this often.
constexpr DWORD kMessagePaceMs = 10;
// While a worker runs, the labels and the bar follow its steps at this pace:
// shown once per file, they would be repainted once per file, which costs more
// than writing a small file.
constexpr UINT_PTR kPaceTimer = 1;
constexpr UINT kPaceMs = 40;

// The table's row of a child window's id; null for a window that is not one of the table's.
const TControlInfo* ControlAt(int id) {
  const size_t row = size_t(id - kFirstControlId);
  return row < WizardControls().size() ? &WizardControls()[row] : nullptr;
}

unique_hfont CreateUiFont(const wchar_t* face, int weight, int dpi) {
  return unique_hfont(CreateFontW(ScalePixels(kFontHeight, dpi), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  face));
}

// A picture stretched smoothly (averaging its pixels rather than repeating them) into `r`.
void StretchSmoothly(HDC dc, const RECT& r, HDC source, int width, int height) {
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, width, height, SRCCOPY);
}

// A picture whose magenta is transparent, at its own size where `r` has it, else
// laid on the page's colour first and then stretched smoothly, so that no
// magenta blends into its edges.
void DrawOnPage(HDC dc, const RECT& r, HDC source, int width, int height) {
  if (r.right - r.left == width && r.bottom - r.top == height) {
    GdiTransparentBlt(dc, r.left, r.top, width, height, source, 0, 0, width, height, kTransparentColour);
    return;
  }
  const unique_memory_dc canvasDc(CreateCompatibleDC(dc));
  const unique_hbitmap canvas(CreateCompatibleBitmap(dc, width, height));
  const TSelection selected(canvasDc.get(), canvas.get());
  const RECT whole{0, 0, width, height};
  FillRect(canvasDc.get(), &whole, GetSysColorBrush(COLOR_BTNFACE));
  GdiTransparentBlt(canvasDc.get(), 0, 0, width, height, source, 0, 0, width, height, kTransparentColour);
  StretchSmoothly(dc, r, canvasDc.get(), width, height);
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
  throw ESetupError("unknown control kind");
}

}  // namespace

// ---- the progress pages ---------------------------------------------------

TVelkSetup::TWorkerPage::TWorkerPage(TVelkSetup& wizard, TControl typeLabel, TControl itemLabel, TControl progressBar)
    : wizard_(wizard), typeLabel_(typeLabel), itemLabel_(itemLabel), progressBar_(progressBar) {}

void TVelkSetup::TWorkerPage::Post(std::function<void()> step) {
  wizard_.handOff_.Post(wizard_.window_.get(), std::move(step));
}

void TVelkSetup::TWorkerPage::Synchronize(std::function<void()> step) {
  wizard_.handOff_.Run(wizard_.window_.get(), std::move(step));
}

void TVelkSetup::TWorkerPage::ShowStatus(TText text, const std::string& item) {
  typeText_ = wizard_.Text(text);
  itemText_ = AnsiToWide(item);
  if (!wizard_.workerRunning_) ShowLabels();
}

void TVelkSetup::TWorkerPage::ShowLabels() {
  wizard_.SetCaption(typeLabel_, typeText_);
  wizard_.SetCaption(itemLabel_, itemText_);
}

void TVelkSetup::TWorkerPage::SetProgressMax(int max) {
  SendMessageW(wizard_.Item(progressBar_), PBM_SETRANGE32, 0, max);
}

void TVelkSetup::TWorkerPage::SetProgressPosition(int position) {
  position_ = position;
  // Only forward moves wait for the pace; a new phase starts visibly at 0.
  if (!wizard_.workerRunning_ || position_ < ShownPosition()) ShowPosition();
}

int TVelkSetup::TWorkerPage::ShownPosition() const {
  return int(SendMessageW(wizard_.Item(progressBar_), PBM_GETPOS, 0, 0));
}

void TVelkSetup::TWorkerPage::ShowPosition() {
  if (ShownPosition() != position_) SendMessageW(wizard_.Item(progressBar_), PBM_SETPOS, WPARAM(position_), 0);
}

void TVelkSetup::TWorkerPage::ShowLatest() {
  ShowLabels();
  ShowPosition();
}

void TVelkSetup::TWorkerPage::ShowDone() {
  wizard_.flow_.WorkerDone();
  wizard_.ShowState();
  wizard_.WorkerEnded();
}

void TVelkSetup::TWorkerPage::ShowError(const std::string& message) {
  wizard_.WorkerEnded();
  wizard_.ShowErrorBox(AnsiToWide(message));
}

bool TVelkSetup::TWorkerPage::AskRetry(const std::string& message) {
  return Ask(message, MB_RETRYCANCEL) == IDRETRY;
}

TErrorAnswer TVelkSetup::TWorkerPage::AskAbortRetryIgnore(const std::string& message) {
  const int answer = Ask(message, MB_ABORTRETRYIGNORE);
  return answer == IDRETRY ? TErrorAnswer::Retry : answer == IDIGNORE ? TErrorAnswer::Ignore : TErrorAnswer::Abort;
}

// An error box with `buttons`; any answer but Retry or Ignore ends the run
// here, so the close box works as soon as the box is gone.
int TVelkSetup::TWorkerPage::Ask(const std::string& message, UINT buttons) {
  wizard_.ShowLatestSteps();
  const int answer =
      MessageBoxW(wizard_.window_.get(), AnsiToWide(message).c_str(), wizard_.Title().c_str(), buttons | MB_ICONERROR);
  if (answer != IDRETRY && answer != IDIGNORE) wizard_.WorkerEnded();
  return answer;
}

void TVelkSetup::TWorkerPage::ShowNotRemoved(const std::string& list) {
  wizard_.ShowLatestSteps();
  wizard_.ShowMessageBox(wizard_.window_.get(), AnsiToWide(list), MB_ICONWARNING);
}

// ---- creation -------------------------------------------------------------

TVelkSetup::TVelkSetup(HINSTANCE instance)
    : instance_(instance),
      flow_(!SetupProc->LicenseText.empty(), SetupProc->InstalledState != 0),
      richEdit_(LoadLibraryExW(L"riched20.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)),
      dpi_(SystemDpi()),
      installPicture_(HBITMAP(LoadImageW(instance, L"INSTALLPICTURE", IMAGE_BITMAP, 0, 0, 0))),
      removePicture_(HBITMAP(LoadImageW(instance, L"REMOVEPICTURE", IMAGE_BITMAP, 0, 0, 0))),
      handOff_(kStepWaitingMessage),
      copyPage_(*this, TControl::lbCopyType, TControl::lbCopyItem, TControl::pbCopyFilesInfo),
      removePage_(*this, TControl::lbRemoveType, TControl::lbRemoveItem, TControl::pbRemoveFilesInfo) {
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
    throw ESetupError("the wizard window cannot be created");
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
  if (!control) throw ESetupError("the wizard's control " + std::string(info.name) + " cannot be created");
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

// ---- texts ----------------------------------------------------------------

namespace {

std::wstring WizardText(HINSTANCE instance, TText text) {
  // Only the two languages have texts; any other base shows empty captions.
  if (SetupProc->LangID != kEnglishBase && SetupProc->LangID != kRussianBase) return {};
  const wchar_t* string = nullptr;
  const int length = LoadStringW(instance, UINT(SetupProc->LangID + int(text)), reinterpret_cast<LPWSTR>(&string), 0);
  return length > 0 ? std::wstring(string, size_t(length)) : std::wstring();
}

std::wstring WizardTitle(HINSTANCE instance) {
  return AppTitle([instance](TText text) { return WizardText(instance, text); }, AnsiToWide(SetupProc->ProductName));
}

}  // namespace

std::wstring TVelkSetup::Text(TText text) const { return WizardText(instance_, text); }

std::wstring TVelkSetup::Title() const { return WizardTitle(instance_); }

void TVelkSetup::ApplyTexts() {
  SetWindowTextW(window_.get(), Title().c_str());
  flow_.TextsApplied();
  const std::wstring product = AnsiToWide(SetupProc->ProductName), company = AnsiToWide(SetupProc->CompanyName);
  const auto text = [this](TText id) { return Text(id); };
  for (const TCaptionRule& rule : CaptionRules())
    SetCaption(rule.control, RuleCaption(rule, text, product, company));
  if (!SetupProc->LicenseText.empty())
    SetWindowTextW(Item(TControl::redLicense), AnsiToWide(SetupProc->LicenseText).c_str());
  ShowState();
}

void TVelkSetup::SetCaption(TControl control, const std::wstring& caption) {
  HWND window = Item(control);
  // The operation label keeps its text from file to file.
  if (WindowText(window) == caption) return;
  SetWindowTextW(window, caption.c_str());
  FitLabel(control);
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

// ---- showing the flow's state ---------------------------------------------

void TVelkSetup::ShowState() {
  const TWizardState& state = flow_.State();
  for (const TControlInfo& info : WizardControls()) {
    bool visible = info.page == state.page;
    if (info.flags & cfLanguage) visible = visible && SetupProc->UseLang;
    if (info.page == TPage::None) visible = info.kind != TControlKind::Logo || SetupProc->HasTopLogo;
    HWND control = Item(info.control);
    if (bool(IsWindowVisible(control)) != visible) ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
  }

  const struct {
    TControl button;
    bool enabled;
    TText text;
  } buttons[] = {{TControl::bbtnBack, state.backEnabled, state.backText},
                 {TControl::bbtnNext, state.nextEnabled, state.nextText},
                 {TControl::bbtnCancel, state.cancelEnabled, state.cancelText}};
  for (const auto& button : buttons) {
    EnableWindow(Item(button.button), button.enabled);
    SetWindowTextW(Item(button.button), Text(button.text).c_str());
  }
  EnableWindow(Item(TControl::rbRemove), state.removeEnabled);
  const std::pair<TControl, bool> checks[] = {{TControl::rbInstall, state.installChecked},
                                              {TControl::rbRemove, state.removeChecked},
                                              {TControl::rbLicOK, state.licenseAccepted},
                                              {TControl::rbLicCancel, state.licenseRefused}};
  for (const auto& [box, checked] : checks)
    SendMessageW(Item(box), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);

  HWND folder = Item(TControl::edDestFolder);
  const std::wstring wanted = AnsiToWide(state.folder);
  if (WindowText(folder) != wanted) SetWindowTextW(folder, wanted.c_str());

  // Focus left on a control that is now hidden or disabled goes to the window,
  // and so does the focus that disabling it took away: without any, Tab and
  // the other keys of the page reach no control.
  HWND focus = GetFocus();
  const bool lost = !focus || (focus != window_.get() && (!IsWindowVisible(focus) || !IsWindowEnabled(focus)));
  if (lost && GetActiveWindow() == window_.get()) SetFocus(window_.get());
}

// ---- events ---------------------------------------------------------------

void TVelkSetup::OnCommand(int id, int notification) {
  const TControlInfo* info = ControlAt(id);
  if (!info) return;
  const TControl control = info->control;
  if (notification == BN_CLICKED) {
    switch (control) {
      case TControl::bbtnNext: bbtnNextClick(); break;
      case TControl::bbtnBack: bbtnBackClick(); break;
      case TControl::bbtnCancel: bbtnCancelClick(); break;
      case TControl::bbtnBrowse: bbtnBrowseClick(); break;
      case TControl::rbInstall: flow_.ClickInstall(); break;
      case TControl::rbRemove: flow_.ClickRemove(); break;
      case TControl::rbLicOK: flow_.ClickLicense(true); break;
      case TControl::rbLicCancel: flow_.ClickLicense(false); break;
      default: return;
    }
    if (IsWindow(window_.get())) ShowState();
  } else if (notification == EN_CHANGE && control == TControl::edDestFolder) {
    edDestFolderChange();
  } else if (notification == CBN_SELCHANGE && control == TControl::cbLangSel) {
    cbLangSelChange();
  }
}

void TVelkSetup::bbtnNextClick() {
  if (!IsWindowEnabled(Item(TControl::bbtnNext))) return;
  if (flow_.State().page == TPage::Folders && !RoomForProduct()) return;
  const TWizardAction action = flow_.Next(SetupProc->SetupPath);
  if (action != TWizardAction::None) StartWorker(action);
}

void TVelkSetup::bbtnBackClick() {
  if (IsWindowEnabled(Item(TControl::bbtnBack))) flow_.Back();
}

void TVelkSetup::bbtnCancelClick() {
  if (flow_.Finishing() && !RunFinishActions()) return;
  DestroyWindow(window_.get());
}

// Whether the destination's volume has room for the files to install; when it
// has not, a box says so before anything is written, and the wizard stays on
// the folder page.
bool TVelkSetup::RoomForProduct() {
  const std::optional<uint64_t> free = FreeSpaceFor(SetupProc->SetupPath);
  const uint64_t needed = BytesToInstall();
  if (!free || needed <= *free) return true;
  const std::wstring message = FormatText(
      Text(TText::NotEnoughRoom), {AnsiToWide(SetupProc->SetupPath), MegabytesText(needed, TRounding::Up),
                                   MegabytesText(*free, TRounding::Down)});
  ShowMessageBox(window_.get(), message, MB_ICONWARNING);
  return false;
}

// False when a shortcut could not be made: the error is shown and the window
// stays. An uninstaller that could not be written is told before the window closes.
bool TVelkSetup::RunFinishActions() {
  const auto checked = [this](TControl box) {
    return SendMessageW(Item(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
  };
  const TFinishChoices choices{checked(TControl::cbAddIcon2Start), checked(TControl::cbAddIcon2Programs),
                               checked(TControl::cbAddIcon2Desktop), checked(TControl::cbAddIcon2QuickStart),
                               checked(TControl::cbRunProgram)};
  try {
    if (const std::optional<std::string> failure = ::RunFinishActions(choices, window_.get())) {
      const std::wstring message = FormatText(Text(TText::UninstallerNotWritten),
                                              {AnsiToWide(SetupProc->UninstallFile), AnsiToWide(*failure)});
      ShowMessageBox(window_.get(), message, MB_ICONWARNING);
    }
    return true;
  } catch (const std::exception& error) {
    // The standard error report ends its message with a full stop.
    std::wstring message = AnsiToWide(error.what());
    if (!message.empty() && message.back() > L'.') message += L'.';
    ShowErrorBox(message);
    return false;
  }
}

void TVelkSetup::bbtnBrowseClick() {
  TBrowseDir browse;
  browse.Caption = Text(TText::BrowseCaption);
  browse.Title = WindowText(Item(TControl::lbDestFolderInfo2));
  browse.ShowNewFolder = true;
  browse.SetFolder(WideToAnsi(WindowText(Item(TControl::edDestFolder))));
  browse.Options = kBrowseReturnOnlyFsDirs;
  browse.OnNewFolderNameRejected = [this](TBrowseDir& picker) {
    ShowMessageBox(picker.DialogWnd, Text(TText::UnusableNewFolder), MB_ICONWARNING);
  };
  if (!browse.Execute(window_.get())) return;
  // Only folders of the file system can be chosen, so an empty path is one
  // that the ANSI code page cannot hold: the destination stays as it was.
  if (browse.Folder.empty()) return ShowMessageBox(window_.get(), Text(TText::UnusableFolder), MB_ICONWARNING);
  SetupProc->ChooseSetupPath(browse.Folder);
  flow_.FolderChosen(browse.Folder);
}

void TVelkSetup::edDestFolderChange() {
  const std::string folder = WideToAnsi(WindowText(Item(TControl::edDestFolder)));
  if (folder == flow_.State().folder) return;
  flow_.FolderChosen(folder);
  ShowState();
}

void TVelkSetup::cbLangSelChange() {
  SetupProc->LangID = SendMessageW(Item(TControl::cbLangSel), CB_GETCURSEL, 0, 0) == 1 ? kRussianBase : kEnglishBase;
  ApplyTexts();
}

// ---- workers --------------------------------------------------------------

void TVelkSetup::StartWorker(TWizardAction action) {
  // The close box would end the program in the middle of an item.
  workerRunning_ = true;
  EnableMenuItem(GetSystemMenu(window_.get(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  SetTimer(window_.get(), kPaceTimer, kPaceMs, nullptr);
  std::wstring failure;
  try {
    if (action == TWizardAction::StartInstall) {
      worker_ = StartCopyFiles(copyPage_);
    } else {
      SetupProc->UseInstalledLocation();
      worker_ = StartRemoveFiles(removePage_);
    }
  } catch (const std::exception& error) {
    failure = AnsiToWide(error.what());
  }
  // The progress page is painted while the worker starts; the steps it hands
  // over run once this returns, on the page.
  ShowState();
  UpdateWindow(window_.get());
  if (failure.empty()) return;
  // Without a worker the wizard stays on its progress page, and the close box ends it.
  WorkerEnded();
  ShowErrorBox(failure);
}

void TVelkSetup::WorkerEnded() {
  workerRunning_ = false;
  EnableMenuItem(GetSystemMenu(window_.get(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
  KillTimer(window_.get(), kPaceTimer);
  ShowLatestSteps();
}

bool TVelkSetup::NextMessage(MSG& message) {
  while (workerRunning_) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return message.message != WM_QUIT;
    handOff_.RunStepsFor(kMessagePaceMs);
    if (workerRunning_ && worker_.Ended()) WorkerLost();
  }
  return GetMessageW(&message, nullptr, 0, 0) > 0;
}

// The worker's thread ended without the completion step or an error box: what
// ended it is told, and the close box closes the wizard.
void TVelkSetup::WorkerLost() {
  handOff_.RunWaitingSteps();
  WorkerEnded();
  ShowErrorBox(AnsiToWide(worker_.Failure().empty() ? "Unexpected error" : worker_.Failure()));
}

void TVelkSetup::ShowLatestSteps() {
  copyPage_.ShowLatest();
  removePage_.ShowLatest();
}

void TVelkSetup::ShowErrorBox(const std::wstring& message) { ShowMessageBox(window_.get(), message, MB_ICONERROR); }

void TVelkSetup::ShowMessageBox(HWND owner, const std::wstring& message, UINT icon) const {
  MessageBoxW(owner, message.c_str(), Title().c_str(), MB_OK | icon);
}

// ---- keys -----------------------------------------------------------------

bool TVelkSetup::PreviewKey(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  if (message.hwnd != window_.get() && !IsChild(window_.get(), message.hwnd)) return false;
  if (message.wParam == VK_F4 && GetKeyState(VK_MENU) < 0) return true;
  if (message.wParam == VK_ESCAPE && !SendMessageW(Item(TControl::cbLangSel), CB_GETDROPPEDSTATE, 0, 0)) {
    if (IsWindowEnabled(Item(TControl::bbtnCancel))) SendMessageW(Item(TControl::bbtnCancel), BM_CLICK, 0, 0);
    return true;
  }
  if (message.wParam == VK_RETURN) {
    HWND focus = GetFocus();
    const bool pushButton =
        focus && IsChild(window_.get(), focus) && SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON;
    if (pushButton) SendMessageW(focus, BM_CLICK, 0, 0);
    return pushButton;
  }
  return false;
}

// ---- drawing --------------------------------------------------------------

// The pictures fill their controls, which are scaled to the window's DPI: the
// folder icon is loaded at that size, the bitmaps are stretched smoothly.
void TVelkSetup::DrawPicture(const DRAWITEMSTRUCT& item, TControlKind kind) const {
  const RECT& r = item.rcItem;
  if (kind == TControlKind::FolderPicture) {
    DrawIconEx(item.hDC, r.left, r.top, scaled_.folderPicture.get(), r.right - r.left, r.bottom - r.top, 0, nullptr,
               DI_NORMAL);
    return;
  }
  const HBITMAP picture = kind == TControlKind::Logo             ? logo_.get()
                          : kind == TControlKind::InstallPicture ? installPicture_.get()
                                                                 : removePicture_.get();
  BITMAP size{};
  if (!picture || !GetObjectW(picture, sizeof size, &size)) return;
  const unique_memory_dc source(CreateCompatibleDC(item.hDC));
  const TSelection selected(source.get(), picture);
  if (kind == TControlKind::Logo) StretchSmoothly(item.hDC, r, source.get(), size.bmWidth, size.bmHeight);
  else DrawOnPage(item.hDC, r, source.get(), size.bmWidth, size.bmHeight);
}

void TVelkSetup::DrawLanguageItem(const DRAWITEMSTRUCT& item) const {
  if (int(item.itemID) < 0) return;
  const bool selected = item.itemState & ODS_SELECTED;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  SetBkMode(item.hDC, TRANSPARENT);
  wchar_t text[32] = {};
  if (SendMessageW(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0) < LRESULT(std::size(text)))
    SendMessageW(item.hwndItem, CB_GETLBTEXT, item.itemID, LPARAM(text));
  RECT r = item.rcItem;
  r.left += ScalePixels(2, dpi_);
  DrawTextW(item.hDC, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

// ---- the window procedure -------------------------------------------------

HWND TVelkSetup::Item(TControl control) const { return controls_.at(size_t(control)); }

LRESULT CALLBACK TVelkSetup::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* wizard = static_cast<TVelkSetup*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    wizard->window_.reset(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(wizard));
  }
  auto* wizard = reinterpret_cast<TVelkSetup*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!wizard) return DefWindowProcW(window, message, wParam, lParam);
  // No exception may cross back into the system.
  try {
    return wizard->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& error) {
    wizard->ShowErrorBox(AnsiToWide(error.what()));
  } catch (...) {
    wizard->ShowErrorBox(L"Unexpected error");
  }
  return 0;
}

LRESULT TVelkSetup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (lParam) OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC: {
      const TControlInfo* control = ControlAt(GetDlgCtrlID(HWND(lParam)));
      if (control && control->kind == TControlKind::Edit) break;  // a read-only edit keeps its window colour
      SetBkMode(HDC(wParam), TRANSPARENT);
      return LRESULT(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = UINT(ScalePixels(kLanguageItemHeight, dpi_));
      return TRUE;
    case WM_DPICHANGED: {  // moved to a monitor of another scale: the place Windows suggests, laid out anew
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi(LOWORD(wParam));
      return 0;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const TControlInfo* control = ControlAt(int(item.CtlID));
      if (item.CtlType == ODT_COMBOBOX) DrawLanguageItem(item);
      else if (control && control->kind == TControlKind::Bevel)
        DrawEdge(item.hDC, const_cast<RECT*>(&item.rcItem), EDGE_ETCHED, BF_TOP);
      else if (control) DrawPicture(item, control->kind);
      return TRUE;
    }
    case kStepWaitingMessage:
      handOff_.RunWaitingSteps();
      return 0;
    case WM_TIMER:
      if (wParam == kPaceTimer) ShowLatestSteps();
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE && workerRunning_) return 0;
      break;
    case WM_CLOSE:
      if (!workerRunning_) DestroyWindow(window_.get());
      return 0;
    case WM_DESTROY:
      handOff_.Close();  // a worker still handing steps over goes on to its end
      VelkSetup = nullptr;
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      return DefWindowProcW(window_.release(), message, wParam, lParam);
  }
  return DefWindowProcW(window_.get(), message, wParam, lParam);
}

// ---- the program's run ----------------------------------------------------

namespace {

// The common controls library is loaded here, from the system folder, rather
// than imported: an imported one is looked for beside the installer, with the
// libraries it loads itself, before the program can limit the search.
unique_module LoadCommonControls() {
  unique_module library(LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  const FARPROC entry = library ? GetProcAddress(library.get(), "InitCommonControlsEx") : nullptr;
  if (!entry) return library;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  reinterpret_cast<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(reinterpret_cast<void*>(entry))(&controls);
  return library;
}

int RunMessageLoop(HINSTANCE instance) {
  TVelkSetup wizard(instance);
  MSG message;
  while (wizard.NextMessage(message)) {
    if (VelkSetup && VelkSetup->PreviewKey(message)) continue;
    if (VelkSetup && IsDialogMessageW(VelkSetup->Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return int(message.wParam);
}

}  // namespace

int RunWizard(HINSTANCE instance) {
  const unique_module commonControls = LoadCommonControls();
  // An error that escapes the window's creation or its message loop is told
  // once; then the program ends, its window gone.
  std::wstring message;
  try {
    return RunMessageLoop(instance);
  } catch (const std::exception& error) {
    message = AnsiToWide(error.what());
  } catch (...) {
    message = L"Unexpected error";
  }
  // The window's end posted the quit message, which would close the box at once.
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  MessageBoxW(nullptr, message.c_str(), WizardTitle(instance).c_str(), MB_OK | MB_ICONERROR);
  return 1;
}
