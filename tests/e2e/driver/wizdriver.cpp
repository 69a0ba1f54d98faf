// Drives the running setup wizard from outside, as a user would: finds its
// window and controls (by the names of the shared control table), clicks,
// chooses, and reads texts, states, positions and message boxes. Results go to
// standard output as UTF-8, one line per command, so shell tests can compare
// them with the wizard's texts verbatim.
//
//   wizdriver.exe COMMAND [ARGS...]   one command
//   wizdriver.exe -                   one command per line from standard input
//
// Arguments and input are UTF-8.
//
// Exit code 0: every command succeeded; 1: a command failed (its reason on
// standard error); 2: usage error.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "actions/u_SetupNames.h"
#include "actions/win_API.h"
#include "actions/win_Text.h"
#include "setup/u_WizardLayout.h"

namespace {

// The driver's own input and output are UTF-8.
std::wstring Utf8ToWide(std::string_view text) { return text_codes::ToWide(CP_UTF8, text); }
std::string WideToUtf8(std::wstring_view text) { return text_codes::FromWide(CP_UTF8, 0, text); }

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr int kMessageBoxTextId = 0xFFFF;  // the static control holding a message box's text
constexpr int kPickerTreeId = 14145;       // the folder picker's tree of folders
// How long a window may take to answer or to show a click's effect before the
// driver gives up: generous, since a busy machine can stall a process for seconds.
constexpr UINT kAnswerTimeoutMs = 30000;
constexpr double kDefaultWaitSeconds = 30;
constexpr DWORD kTimingPollMs = 1;         // polling interval of the timing commands
constexpr DWORD kDialogPollMs = 10;        // how often a click looks for the dialog it may have opened
constexpr double kStartWaitSeconds = 60;

using Args = std::vector<std::string>;

struct CommandFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Multi-line texts (the licence view ends its lines with CR) come out with LF line ends.
std::string UnixLines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') out += text[i];
    else if (i + 1 >= text.size() || text[i + 1] != '\n') out += '\n';
  }
  return out;
}

void Print(const std::string& line) { std::cout << line << '\n' << std::flush; }

// A message to a window of another process; false when it did not answer in time
// (it hangs) or is gone.
bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
  DWORD_PTR answer = 0;
  const bool answered =
      SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, &answer) != 0;
  if (result) *result = LRESULT(answer);
  return answered;
}

LRESULT Query(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  LRESULT result = 0;
  if (!SendWithTimeout(window, message, wParam, lParam, &result)) throw CommandFailed("the window does not answer");
  return result;
}

// The text of a window of the wizard's process, asked within the answer timeout.
std::wstring RemoteText(HWND window) {
  const LRESULT length = Query(window, WM_GETTEXTLENGTH);
  std::wstring text(size_t(length) + 1, L'\0');
  const LRESULT copied = Query(window, WM_GETTEXT, WPARAM(text.size()), LPARAM(text.data()));
  text.resize(size_t(copied));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// The wizard named by WIZDRIVER_WINDOW (a handle that the command "handle"
// printed), so that a test can drive one of several; else the topmost one.
HWND FindWizard() {
  const char* chosen = std::getenv("WIZDRIVER_WINDOW");
  HWND window = chosen && *chosen ? HWND(std::strtoull(chosen, nullptr, 10)) : FindWindowW(kWizardWindowClass, nullptr);
  return window && IsWindow(window) && ClassName(window) == kWizardWindowClass && IsWindowVisible(window) ? window : nullptr;
}

HWND Wizard() {
  HWND window = FindWizard();
  if (!window) throw CommandFailed("no wizard window");
  return window;
}

// Polls `found` every `pollMs` until it gives true or `seconds` have passed.
bool WaitFor(double seconds, const std::function<bool()>& found, DWORD pollMs = 50) {
  const ULONGLONG end = GetTickCount64() + ULONGLONG(seconds * 1000);
  for (;;) {
    if (found()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(pollMs);
  }
}

// Milliseconds of a monotonic clock with sub-millisecond resolution.
double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(frequency.QuadPart) / 1000;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) / ticksPerMs;
}

std::string MsText(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ms);
  return text;
}

double Seconds(const Args& args, size_t index) {
  return index < args.size() ? std::stod(args[index]) : kDefaultWaitSeconds;
}

const TControlInfo& ControlInfo(const std::string& name) {
  const TControlInfo* info = FindControl(name);
  if (!info) throw CommandFailed("no control named " + name + " in the wizard's table");
  return *info;
}

HWND ControlWindow(HWND wizard, const TControlInfo& info) {
  HWND control = GetDlgItem(wizard, info.id);
  if (!control) throw CommandFailed("the wizard has no child with id " + std::to_string(info.id) + " (" +
                                    std::string(info.name) + ")");
  return control;
}

HWND NamedControl(const std::string& name) { return ControlWindow(Wizard(), ControlInfo(name)); }

// A control's rectangle in the client coordinates of its top-level window.
TRect ClientRect(HWND wizard, HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, wizard, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::string RectText(const TRect& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.width) + " " +
         std::to_string(r.height);
}

bool IsCheckable(HWND control) {
  if (ClassName(control) != WC_BUTTONW) return false;
  const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
         type == BS_3STATE || type == BS_AUTO3STATE;
}

std::string StateText(HWND control) {
  std::string state = IsWindowVisible(control) ? "visible" : "hidden";
  state += IsWindowEnabled(control) ? " enabled" : " disabled";
  if (IsCheckable(control)) state += Query(control, BM_GETCHECK) == BST_CHECKED ? " checked" : " unchecked";
  return state;
}

constexpr const char* kPageNames[kPageCount] = {"Welcome",   "Selection", "License",     "Folders",
                                                "CopyFiles", "Installed", "RemoveFiles", "Removed"};

// The page whose controls are shown: exactly one page may have visible controls.
std::string VisiblePage(HWND wizard) {
  std::string pages;
  bool shown[kPageCount] = {};
  for (const TControlInfo& info : WizardControls()) {
    if (info.page == TPage::None) continue;
    HWND control = GetDlgItem(wizard, info.id);
    if (control && IsWindowVisible(control)) shown[int(info.page)] = true;
  }
  for (int page = 0; page < kPageCount; ++page) {
    if (!shown[page]) continue;
    if (!pages.empty()) pages += '+';
    pages += kPageNames[page];
  }
  return pages.empty() ? "none" : pages;
}

// A shown dialog (message box, folder picker, New folder box) owned by `owner`.
HWND FindDialogOwnedBy(HWND owner) {
  struct Search {
    HWND owner;
    HWND found = nullptr;
  } search{owner};
  if (!owner) return nullptr;
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (GetWindow(window, GW_OWNER) != s->owner || !IsWindowVisible(window) || ClassName(window) != kDialogClass)
          return TRUE;
        s->found = window;
        return FALSE;
      },
      LPARAM(&search));
  return search.found;
}

// The innermost dialog the wizard has open: a message box or name prompt over
// the folder picker comes before the picker.
HWND TopDialogOf(HWND wizard) {
  HWND top = nullptr;
  for (HWND dialog = FindDialogOwnedBy(wizard); dialog; dialog = FindDialogOwnedBy(dialog)) top = dialog;
  return top;
}

HWND FindOwnedDialog() { return TopDialogOf(FindWizard()); }

HWND OwnedDialog() {
  HWND dialog = FindOwnedDialog();
  if (!dialog) throw CommandFailed("no dialog owned by the wizard");
  return dialog;
}

DWORD WINAPI SendClick(void* button) {
  SendWithTimeout(HWND(button), BM_CLICK, 0, 0);
  return 0;
}

// Clicks a button as a user can: only when it is shown and enabled. Returns when
// the click has been handled, or as soon as it has opened a dialog, whose modal
// loop holds the click until that dialog ends.
void ClickButton(HWND button) {
  if (!IsWindowVisible(button)) throw CommandFailed("the control is hidden");
  if (!IsWindowEnabled(button)) throw CommandFailed("the control is disabled");
  const HWND window = GetAncestor(button, GA_ROOT);
  const HWND dialogBefore = FindDialogOwnedBy(window);
  const unique_handle click(CreateThread(nullptr, 0, SendClick, button, 0, nullptr));
  if (!click) throw CommandFailed("cannot start the click");
  const ULONGLONG end = GetTickCount64() + kAnswerTimeoutMs;
  // The wait on the click itself ends the moment it is handled; a dialog is looked for in between.
  while (WaitForSingleObject(click.get(), kDialogPollMs) != WAIT_OBJECT_0) {
    const HWND dialog = FindDialogOwnedBy(window);
    if (dialog && dialog != dialogBefore) return;
    if (GetTickCount64() >= end) throw CommandFailed("the click was not handled");
  }
}

// The window that has the keyboard focus in the thread of `window`.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// A block of memory in the process of `window`, for messages whose parameter
// points to memory that the window's own process must read and write.
class TRemoteMemory {
public:
  TRemoteMemory(HWND window, size_t size) : size_(size) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    process_.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (process_) address_ = VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!address_) throw CommandFailed("no memory in the window's process");
  }
  ~TRemoteMemory() { VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE); }
  TRemoteMemory(const TRemoteMemory&) = delete;
  TRemoteMemory& operator=(const TRemoteMemory&) = delete;

  void* address() const { return address_; }
  void Write(const void* data) const { WriteProcessMemory(process_.get(), address_, data, size_, nullptr); }
  void Read(void* data) const { ReadProcessMemory(process_.get(), address_, data, size_, nullptr); }

private:
  unique_handle process_;
  void* address_ = nullptr;
  size_t size_;
};

// The text of the selected item of a tree view in another process.
std::wstring SelectedTreeText(HWND tree) {
  const auto item = HTREEITEM(Query(tree, TVM_GETNEXTITEM, TVGN_CARET));
  if (!item) return {};
  struct TItem {
    TVITEMW item;
    wchar_t text[MAX_PATH];
  } local{};
  const TRemoteMemory remote(tree, sizeof local);
  local.item.mask = TVIF_TEXT;
  local.item.hItem = item;
  local.item.pszText = static_cast<TItem*>(remote.address())->text;
  local.item.cchTextMax = MAX_PATH;
  remote.Write(&local);
  Query(tree, TVM_GETITEMW, 0, LPARAM(remote.address()));
  remote.Read(&local);
  local.text[MAX_PATH - 1] = L'\0';
  return local.text;
}

// ---- commands --------------------------------------------------------------

void WaitWindow(const Args& args) {
  if (!WaitFor(Seconds(args, 0), [] { return FindWizard() != nullptr; })) throw CommandFailed("no wizard window");
  Print("ok");
}

void WaitGone(const Args& args) {
  if (!WaitFor(Seconds(args, 0), [] { return FindWindowW(kWizardWindowClass, nullptr) == nullptr; }))
    throw CommandFailed("the wizard window is still there");
  Print("gone");
}

void Title(const Args&) { Print(WideToUtf8(RemoteText(Wizard()))); }

void Handle(const Args&) { Print(std::to_string(reinterpret_cast<ULONG_PTR>(Wizard()))); }

std::string CaptionOf(const std::string& name) { return UnixLines(WideToUtf8(RemoteText(NamedControl(name)))); }

void Caption(const Args& args) { Print(CaptionOf(args.at(0))); }

void WaitCaption(const Args& args) {
  const std::string& wanted = args.at(1);
  if (!WaitFor(Seconds(args, 2), [&] { return CaptionOf(args.at(0)) == wanted; }))
    throw CommandFailed(args[0] + " shows '" + CaptionOf(args[0]) + "'");
  Print(wanted);
}

void State(const Args& args) { Print(StateText(NamedControl(args.at(0)))); }

void Click(const Args& args) {
  ClickButton(NamedControl(args.at(0)));
  Print("ok");
}

void PostClick(const Args& args) {
  HWND button = NamedControl(args.at(0));
  if (!IsWindowVisible(button) || !IsWindowEnabled(button)) throw CommandFailed("the control is hidden or disabled");
  PostMessageW(button, BM_CLICK, 0, 0);
  Print("ok");
}

// The window that takes the keys now: the dialog the wizard has open, else the wizard.
HWND InputWindow(HWND wizard) {
  const HWND dialog = TopDialogOf(wizard);
  return dialog ? dialog : IsWindowEnabled(wizard) ? wizard : nullptr;
}

// What the title bar's close box does (under Xvfb the window has no frame to
// click). A user can click it only while the wizard takes input: a message box
// that was just closed gives it back a moment later.
void CloseBox(const Args&) {
  HWND wizard = Wizard();
  if (!WaitFor(kDefaultWaitSeconds, [&] { return InputWindow(wizard) == wizard; }))
    throw CommandFailed("the wizard takes no input");
  PostMessageW(wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
  Print("ok");
}

// What a user's choice in a drop-down list does: the selection changes and the
// owner hears of it.
void Select(const Args& args) {
  HWND wizard = Wizard();
  const TControlInfo& info = ControlInfo(args.at(0));
  HWND combo = ControlWindow(wizard, info);
  const int index = std::stoi(args.at(1));
  if (Query(combo, CB_SETCURSEL, WPARAM(index)) != index) throw CommandFailed("no item " + args.at(1));
  SendWithTimeout(wizard, WM_COMMAND, MAKEWPARAM(info.id, CBN_SELCHANGE), LPARAM(combo));
  Print("ok");
}

// The selected item of a drop-down list: "INDEX TEXT", or "-1" when none.
void Selected(const Args& args) {
  HWND combo = NamedControl(args.at(0));
  const LRESULT index = Query(combo, CB_GETCURSEL);
  if (index < 0) return Print("-1");
  std::wstring text(size_t(Query(combo, CB_GETLBTEXTLEN, WPARAM(index))) + 1, L'\0');
  text.resize(size_t(Query(combo, CB_GETLBTEXT, WPARAM(index), LPARAM(text.data()))));
  Print(std::to_string(index) + " " + WideToUtf8(text));
}

void Rect(const Args& args) {
  HWND wizard = Wizard();
  Print(RectText(ClientRect(wizard, ControlWindow(wizard, ControlInfo(args.at(0))))));
}

void ClientSize(const Args&) {
  RECT r;
  GetClientRect(Wizard(), &r);
  Print(std::to_string(r.right) + " " + std::to_string(r.bottom));
}

// "MIN MAX POSITION" of a progress bar.
void Progress(const Args& args) {
  HWND bar = NamedControl(args.at(0));
  Print(std::to_string(Query(bar, PBM_GETRANGE, TRUE)) + " " + std::to_string(Query(bar, PBM_GETRANGE, FALSE)) + " " +
        std::to_string(Query(bar, PBM_GETPOS)));
}

TPage PageNamed(const std::string& name) {
  for (int page = 0; page < kPageCount; ++page)
    if (name == kPageNames[page]) return TPage(page);
  throw CommandFailed("no page named " + name);
}

void Page(const Args&) { Print(VisiblePage(Wizard())); }

void WaitPage(const Args& args) {
  const std::string wanted = args.at(0);
  if (!WaitFor(Seconds(args, 1), [&] { return FindWizard() && VisiblePage(FindWizard()) == wanted; }))
    throw CommandFailed("page " + wanted + " not shown; shown: " + (FindWizard() ? VisiblePage(FindWizard()) : "-"));
  Print(wanted);
}

// Compares every control's rectangle with the table's layout at DPI (96 when
// not given). A 0 width or height in the table (auto-sized labels, the
// drop-down list's height) is not compared, and a word-wrapped label may be
// wider, up to its limit, where its text needs it. The logo is taken as shown
// when imgTopLogo is visible, unless the first argument, "logo" or "nologo"
// rather than "-", says which to expect.
void LayoutCheck(const Args& args) {
  HWND wizard = Wizard();
  bool logo = IsWindowVisible(ControlWindow(wizard, Control(TControl::imgTopLogo)));
  if (!args.empty() && args[0] != "-") logo = args[0] == "logo";
  const int dpi = args.size() > 1 ? std::stoi(args[1]) : kDesignDpi;
  int mismatches = 0;
  for (const TControlInfo& info : WizardControls()) {
    HWND control = GetDlgItem(wizard, info.id);
    const TRect want = ScaledRect(info, logo, dpi);
    if (!control) {
      Print(std::string(info.name) + ": missing");
      ++mismatches;
      continue;
    }
    TRect got = ClientRect(wizard, control);
    if (want.width == 0) got.width = 0;
    if (want.height == 0) got.height = 0;
    const bool widened = info.kind == TControlKind::Label && info.flags & cfWrap && got.width > want.width &&
                         got.width <= LabelWidthLimit(info, dpi);
    if (widened) got.width = want.width;
    if (got == want) continue;
    Print(std::string(info.name) + ": " + RectText(got) + ", expected " + RectText(want));
    ++mismatches;
  }
  if (mismatches) throw CommandFailed(std::to_string(mismatches) + " control(s) out of place");
  Print("layout ok (" + std::to_string(WizardControls().size()) + " controls, " + (logo ? "logo" : "no logo") + ")");
}

// Every control of the table with its class, state, rectangle and caption.
void List(const Args&) {
  HWND wizard = Wizard();
  for (const TControlInfo& info : WizardControls()) {
    HWND control = GetDlgItem(wizard, info.id);
    if (!control) {
      Print(std::string(info.name) + " missing");
      continue;
    }
    Print(std::string(info.name) + " " + WideToUtf8(ClassName(control)) + " [" + StateText(control) + "] " +
          RectText(ClientRect(wizard, control)) + " \"" + UnixLines(WideToUtf8(RemoteText(control))) + "\"");
  }
}

// Makes the wizard the active window so that key strokes reach it.
void Focus(const Args&) {
  HWND wizard = Wizard();
  SetForegroundWindow(wizard);
  Print("ok");
}

// Waits until the window that takes the keys (the wizard, or the dialog it has
// open) is the active one and has the keyboard focus in it, so that key
// strokes sent now reach it: keys sent before go to no control.
void WaitForeground(const Args& args) {
  HWND wizard = Wizard();
  const auto takesKeys = [&] {
    const HWND input = InputWindow(wizard), focus = FocusOf(wizard);
    return input && GetForegroundWindow() == input && focus && (focus == input || IsChild(input, focus));
  };
  if (!WaitFor(Seconds(args, 0), takesKeys)) throw CommandFailed("the wizard is not the active window");
  Print("ok");
}

// The control with the keyboard focus: its table name for one of the wizard's
// own, else its window class; "none" when no window has the focus.
void Focused(const Args&) {
  const HWND focus = FocusOf(Wizard());
  if (!focus) return Print("none");
  const LONG_PTR id = GetDlgCtrlID(focus);
  for (const TControlInfo& info : WizardControls())
    if (info.id == id && GetParent(focus) == Wizard()) return Print(std::string(info.name));
  Print(WideToUtf8(ClassName(focus)));
}

// Waits until the folder picker's tree has the item named TEXT selected.
void WaitTreeSelection(const Args& args) {
  const std::wstring wanted = Utf8ToWide(args.at(0));
  std::wstring selected;
  const bool found = WaitFor(Seconds(args, 1), [&] {
    const HWND tree = GetDlgItem(FindOwnedDialog(), kPickerTreeId);
    if (tree) selected = SelectedTreeText(tree);
    return tree && selected == wanted;
  });
  if (!found) throw CommandFailed("the picker's tree has '" + WideToUtf8(selected) + "' selected");
  Print(args[0]);
}

// Whether a popup menu of the wizard's thread (its system menu) is shown.
bool MenuShown(HWND wizard) {
  struct Search {
    DWORD thread;
    bool found = false;
  } search{GetWindowThreadProcessId(wizard, nullptr)};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        s->found = GetWindowThreadProcessId(window, nullptr) == s->thread && IsWindowVisible(window) &&
                   ClassName(window) == L"#32768";
        return !s->found;
      },
      LPARAM(&search));
  return search.found;
}

// Waits until the wizard's system menu is open ("open") or no longer ("closed").
void WaitMenu(const Args& args) {
  const bool open = args.at(0) == "open";
  if (!open && args[0] != "closed") throw CommandFailed("open or closed, not " + args[0]);
  HWND wizard = Wizard();
  if (!WaitFor(Seconds(args, 1), [&] { return MenuShown(wizard) == open; }))
    throw CommandFailed(std::string("the menu is ") + (open ? "closed" : "open"));
  Print(args[0]);
}

// What Windows tells the wizard when it moves to a monitor of another scale
// (one Wine does not have): WM_DPICHANGED with DPI and a suggested window of
// the client area at DPI, at the window's place.
void DpiChange(const Args& args) {
  HWND wizard = Wizard();
  const int dpi = std::stoi(args.at(0));
  RECT window, client;
  GetWindowRect(wizard, &window);
  GetClientRect(wizard, &client);
  RECT suggested{window.left, window.top,
                 window.left + (window.right - window.left) - client.right + ScalePixels(kClientWidth, dpi),
                 window.top + (window.bottom - window.top) - client.bottom + ScalePixels(kClientHeight, dpi)};
  const TRemoteMemory remote(wizard, sizeof suggested);
  remote.Write(&suggested);
  Query(wizard, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(remote.address()));
  Print("ok");
}

// Lets the wizard take what it was sent and paint, for a screenshot of what it shows.
void Paint(const Args&) {
  HWND wizard = Wizard();
  Query(wizard, WM_NULL);
  RedrawWindow(wizard, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  Print("ok");
}

// The X11 window Wine shows the wizard in, for xdotool (focus, key strokes).
void XWindow(const Args&) {
  const auto window = reinterpret_cast<ULONG_PTR>(GetPropW(Wizard(), L"__wine_x11_whole_window"));
  if (!window) throw CommandFailed("the wizard has no X11 window (not running under Wine's X11 driver?)");
  Print(std::to_string(window));
}

void FindMessageBox(const Args& args) {
  if (!WaitFor(Seconds(args, 0), [] { return FindOwnedDialog() != nullptr; }))
    throw CommandFailed("no dialog owned by the wizard");
  Print(WideToUtf8(RemoteText(OwnedDialog())));
}

void MessageBoxText(const Args&) {
  HWND text = GetDlgItem(OwnedDialog(), kMessageBoxTextId);
  if (!text) throw CommandFailed("the dialog has no message text");
  Print(UnixLines(WideToUtf8(RemoteText(text))));
}

// A dialog's button by its caption (as the dialog shows it, "&" included).
HWND ButtonCaptioned(HWND dialog, const std::string& caption) {
  const std::wstring wanted = Utf8ToWide(caption);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (ClassName(child) == WC_BUTTONW && RemoteText(child) == wanted) return child;
  throw CommandFailed("the dialog has no button '" + caption + "'");
}

// Presses a button of the dialog without waiting for the dialog to go (one
// that opens a dialog of its own, such as the picker's New folder).
void DialogButton(const Args& args) {
  ClickButton(ButtonCaptioned(OwnedDialog(), args.at(0)));
  Print("ok");
}

// Sets the text of the dialog's control ID, as typing it would.
void DialogText(const Args& args) {
  HWND control = GetDlgItem(OwnedDialog(), std::stoi(args.at(0)));
  if (!control) throw CommandFailed("the dialog has no control " + args[0]);
  const std::wstring text = Utf8ToWide(args.at(1));
  Query(control, WM_SETTEXT, 0, LPARAM(text.c_str()));
  Print("ok");
}

// Presses a dialog button by its id (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7...)
// and waits until the dialog has gone and the wizard takes input again, or
// the press has opened the next dialog.
void MessageBoxClick(const Args& args) {
  HWND wizard = Wizard(), dialog = OwnedDialog();
  HWND button = GetDlgItem(dialog, std::stoi(args.at(0)));
  if (!button) throw CommandFailed("the dialog has no button " + args.at(0));
  ClickButton(button);
  const auto dialogEnded = [&] {
    const HWND input = IsWindow(wizard) ? InputWindow(wizard) : nullptr;
    return !IsWindow(wizard) || (input && input != dialog);
  };
  if (!WaitFor(kDefaultWaitSeconds, dialogEnded))
    throw CommandFailed("the dialog is still open, or the wizard takes no input");
  Print("ok");
}

// The page's last control in table order that every wizard shows. The window
// shows and hides the controls in that order, so when the marker is visible,
// every page before it in the table has been hidden and the page is whole.
HWND PageMarker(HWND wizard, TPage page) {
  const TControlInfo* marker = nullptr;
  for (const TControlInfo& info : WizardControls())
    if (info.page == page && !(info.flags & cfLanguage)) marker = &info;
  if (!marker) throw CommandFailed("the page has no control");
  return ControlWindow(wizard, *marker);
}

// Clicks a button and waits until PAGE is shown: prints the milliseconds from
// just before the click to the first poll that sees the page's marker. Each
// poll asks one question of the window system, so that the polling takes as
// little as it can from the process it times; that the whole page is shown is
// checked once the time is taken.
void TimeClick(const Args& args) {
  HWND wizard = Wizard();
  HWND button = NamedControl(args.at(0));
  const TPage page = PageNamed(args.at(1));
  HWND marker = PageMarker(wizard, page);
  const double start = NowMs();
  ClickButton(button);
  if (!WaitFor(Seconds(args, 2), [&] { return IsWindowVisible(marker); }, kTimingPollMs))
    throw CommandFailed("page " + args.at(1) + " not shown; shown: " + VisiblePage(wizard));
  const double shown = NowMs() - start;
  if (!WaitFor(kStartWaitSeconds, [&] { return VisiblePage(wizard) == kPageNames[int(page)]; }))
    throw CommandFailed("page " + args.at(1) + " shown with others: " + VisiblePage(wizard));
  Print(MsText(shown));
}

// The button ID of the shown top-level dialog of another program, once it is
// visible and enabled.
HWND ForeignDialogButton(int id) {
  HWND button = nullptr;
  const auto ready = [&] {
    const HWND dialog = FindWindowW(kDialogClass, nullptr);
    button = dialog && IsWindowVisible(dialog) ? GetDlgItem(dialog, id) : nullptr;
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
  };
  if (!WaitFor(kStartWaitSeconds, ready)) throw CommandFailed("no dialog with an enabled button " + std::to_string(id));
  return button;
}

// For a wizard that is not ours: clicks the button ID of the shown dialog and
// waits until that button is enabled again with CAPTION; prints the
// milliseconds between. Each poll asks whether the button is enabled; only an
// enabled button is asked for its text.
void TimeDialogClick(const Args& args) {
  HWND button = ForeignDialogButton(std::stoi(args.at(0)));
  const std::wstring caption = Utf8ToWide(args.at(1));
  const double start = NowMs();
  ClickButton(button);
  const auto done = [&] { return IsWindowEnabled(button) && RemoteText(button) == caption; };
  if (!WaitFor(Seconds(args, 2), done, kTimingPollMs)) throw CommandFailed("the button never read " + args[1]);
  Print(MsText(NowMs() - start));
}

void ForeignDialogClick(const Args& args) {
  ClickButton(ForeignDialogButton(std::stoi(args.at(0))));
  Print("ok");
}

// Whether a top-level window of the process is visible.
bool HasVisibleWindow(DWORD processId) {
  struct Search {
    DWORD processId;
    bool found = false;
  } search{processId};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        s->found = owner == s->processId && IsWindowVisible(window);
        return !s->found;
      },
      LPARAM(&search));
  return search.found;
}

std::wstring CommandLine(const Args& args) {
  std::wstring line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += L' ';
    line += L'"' + Utf8ToWide(arg) + L'"';
  }
  return line;
}

// Starts a program and prints the milliseconds from just before its start to
// the first poll that sees one of its windows shown; then ends the program.
void StartTime(const Args& args) {
  if (args.empty()) throw std::out_of_range("no program");
  std::wstring line = CommandLine(args);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  const double start = NowMs();
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    throw CommandFailed("cannot start " + args[0] + " (error " + std::to_string(GetLastError()) + ")");
  const unique_handle process(started.hProcess), thread(started.hThread);
  const bool shown = WaitFor(kStartWaitSeconds, [&] { return HasVisibleWindow(started.dwProcessId); }, kTimingPollMs);
  const double elapsed = NowMs() - start;
  TerminateProcess(process.get(), 0);
  WaitForSingleObject(process.get(), INFINITE);
  if (!shown) throw CommandFailed(args[0] + " showed no window");
  Print(MsText(elapsed));
}

struct Command {
  void (*run)(const Args&);
  const char* args;
  const char* help;
};

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"wait-window", {WaitWindow, "[SECONDS]", "wait until the wizard window is shown"}},
      {"wait-gone", {WaitGone, "[SECONDS]", "wait until the wizard window is gone"}},
      {"title", {Title, "", "the window caption"}},
      {"handle", {Handle, "", "the wizard's window handle, for WIZDRIVER_WINDOW"}},
      {"client-size", {ClientSize, "", "WIDTH HEIGHT of the client area"}},
      {"caption", {Caption, "NAME", "a control's text"}},
      {"wait-caption", {WaitCaption, "NAME TEXT [SECONDS]", "wait until a control shows TEXT"}},
      {"state", {State, "NAME", "visible|hidden enabled|disabled [checked|unchecked]"}},
      {"click", {Click, "NAME", "click a button, radio button or check box"}},
      {"post-click", {PostClick, "NAME", "click without waiting for the click to finish"}},
      {"close-box", {CloseBox, "", "close the window as its close box does"}},
      {"select", {Select, "NAME INDEX", "choose an item of a drop-down list"}},
      {"selected", {Selected, "NAME", "INDEX TEXT of the chosen item, -1 when none"}},
      {"rect", {Rect, "NAME", "LEFT TOP WIDTH HEIGHT in the window's client area"}},
      {"progress", {Progress, "NAME", "MIN MAX POSITION of a progress bar"}},
      {"page", {Page, "", "the page whose controls are shown"}},
      {"wait-page", {WaitPage, "PAGE [SECONDS]", "wait until PAGE is shown"}},
      {"layout-check", {LayoutCheck, "[logo|nologo|-] [DPI]", "compare every control with the table's layout"}},
      {"dpi-change", {DpiChange, "DPI", "tell the wizard it moved to a monitor of scale DPI"}},
      {"list", {List, "", "every control with class, state, rectangle and text"}},
      {"focus", {Focus, "", "make the wizard the active window"}},
      {"wait-foreground", {WaitForeground, "[SECONDS]", "wait until the wizard (or its open dialog) is active"}},
      {"focused", {Focused, "", "the focused control: its name, or its class outside the table"}},
      {"paint", {Paint, "", "let the wizard take its messages and paint"}},
      {"wait-menu", {WaitMenu, "open|closed [SECONDS]", "wait until the system menu is open or closed"}},
      {"x-window", {XWindow, "", "the X11 window id of the wizard under Wine"}},
      {"find-messagebox", {FindMessageBox, "[SECONDS]", "wait for the innermost dialog of the wizard; its caption"}},
      {"messagebox-text", {MessageBoxText, "", "the text of that message box"}},
      {"messagebox-click", {MessageBoxClick, "ID", "press its button with id ID (1 OK, 2 Cancel, 6 Yes, 7 No)"}},
      {"dialog-button", {DialogButton, "CAPTION", "press the dialog's button CAPTION; wait only for its click"}},
      {"dialog-text", {DialogText, "ID TEXT", "set the text of the dialog's control ID"}},
      {"wait-tree-selection", {WaitTreeSelection, "TEXT [SECONDS]", "wait until the picker's tree selects TEXT"}},
      {"time-click", {TimeClick, "NAME PAGE [SECONDS]", "click, wait for PAGE; the milliseconds between"}},
      {"time-dialog-click", {TimeDialogClick, "ID CAPTION [SECONDS]",
                             "another program's dialog: click button ID, wait until it reads CAPTION"}},
      {"dialog-click", {ForeignDialogClick, "ID", "another program's dialog: click its button ID"}},
      {"start-time", {StartTime, "PROGRAM [ARGS...]", "start PROGRAM, milliseconds to its first window; end it"}},
  };
  return commands;
}

void Usage() {
  std::cerr << "usage: wizdriver COMMAND [ARGS...] | wizdriver -   (commands from standard input)\n";
  for (const auto& [name, command] : Commands()) {
    const std::string call = name + " " + command.args;
    std::cerr << "  " << call << std::string(call.size() < 32 ? 32 - call.size() : 1, ' ') << command.help << "\n";
  }
}

// Runs one command; false when it failed (the reason is on standard error).
bool Run(const Args& words) {
  const auto found = Commands().find(words.at(0));
  if (found == Commands().end()) {
    std::cerr << "unknown command: " << words[0] << "\n";
    return false;
  }
  try {
    found->second.run(Args(words.begin() + 1, words.end()));
    return true;
  } catch (const std::out_of_range&) {
    std::cerr << words[0] << ": missing argument; usage: " << words[0] << " " << found->second.args << "\n";
  } catch (const std::invalid_argument&) {
    std::cerr << words[0] << ": an argument is not a number\n";
  } catch (const std::exception& e) {
    std::cerr << words[0] << ": " << e.what() << "\n";
  }
  return false;
}

// Commands from standard input, one per line; stops at the first failure.
int RunScript() {
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream split(line);
    Args words;
    for (std::string word; split >> word;) words.push_back(word);
    if (words.empty() || words[0][0] == '#') continue;
    if (!Run(words)) return 1;
  }
  return 0;
}

}  // namespace

// The arguments as UTF-8, whatever the ANSI code page can hold.
Args CommandArgs() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  Args args;
  for (int i = 1; i < count; ++i) args.push_back(WideToUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

int main() {
  _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 bytes and LF line ends as they are
  // Rectangles as the wizard, which is DPI-aware, has them, not scaled back to 96 DPI.
  SetProcessDPIAware();
  const Args args = CommandArgs();
  if (args.empty()) {
    Usage();
    return 2;
  }
  if (args[0] == "-") return RunScript();
  return Run(args) ? 0 : 1;
}
