// The wizard window as the page flow's driver: user events become flow
// events, the flow's state is shown, and the window procedure dispatches.

#include "setup/frmSetup.h"

#include <exception>

#include "actions/u_SetupConsts.h"
#include "actions/u_SetupNames.h"
#include "actions/win_SetupFuncs.h"
#include "actions/win_Text.h"
#include "browse/c_BrowseDir.h"
#include "package/c_SetupProc.h"
#include "setup/u_FinishActions.h"
#include "setup/win_SetupWorkers.h"

TVelkSetup* VelkSetup = nullptr;

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
  // Unchecking a radio button takes it out of the tab order, so only a change
  // is set: a licence choice that was never made stays reachable by Tab.
  for (const auto& [box, checked] : checks)
    if ((SendMessageW(Item(box), BM_GETCHECK, 0, 0) == BST_CHECKED) != checked)
      SendMessageW(Item(box), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);

  HWND folder = Item(TControl::edDestFolder);
  const std::wstring wanted = AnsiToWide(state.folder);
  if (WindowText(folder) != wanted) SetWindowTextW(folder, wanted.c_str());

  // Focus left on a control that is now hidden or disabled, or taken away by
  // disabling it, goes to a control of the page, so that its keys work at once.
  HWND focus = GetFocus();
  const bool lost = !focus || focus == window_.get() || !IsUsable(focus);
  if (lost && GetActiveWindow() == window_.get()) SetFocus(FocusOnArrival());
}

bool TVelkSetup::IsUsable(HWND control) { return IsWindowVisible(control) && IsWindowEnabled(control); }

// A radio button given the focus by other means than a click tells that it
// was clicked, so an unchecked one would be chosen by the focus alone.
bool TVelkSetup::TakesFocusQuietly(HWND control) {
  const bool radio = SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON;
  return IsUsable(control) && !(radio && SendMessageW(control, BM_GETCHECK, 0, 0) != BST_CHECKED);
}

// On the finished pages Finish, so that Enter ends the wizard; else the page's
// first enabled tab stop, else the first enabled button of the row; the window
// itself on a worker's page, where none is.
HWND TVelkSetup::FocusOnArrival() const {
  const TWizardState& state = flow_.State();
  if (state.cancelText == TText::Finish && IsUsable(Item(TControl::bbtnCancel))) return Item(TControl::bbtnCancel);
  for (const TControlInfo& info : WizardControls())
    if (info.page == state.page && info.flags & cfTabStop && TakesFocusQuietly(Item(info.control)))
      return Item(info.control);
  for (TControl button : {TControl::bbtnBack, TControl::bbtnNext, TControl::bbtnCancel})
    if (IsUsable(Item(button))) return Item(button);
  return window_.get();
}

// The control that had the focus when the window went inactive, while it can
// take it again; else the one of FocusOnArrival.
HWND TVelkSetup::FocusOnActivation() const {
  const bool kept = IsChild(window_.get(), focusWhenInactive_) && TakesFocusQuietly(focusWhenInactive_);
  return kept ? focusWhenInactive_ : FocusOnArrival();
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
// the folder page. A volume whose free space cannot be read is given the
// benefit of the doubt: a file that does not fit is told when it is written.
bool TVelkSetup::RoomForProduct() {
  const TOutcome<uint64_t> free = FreeSpaceFor(SetupProc->SetupPath);
  const uint64_t needed = BytesToInstall(*SetupProc);
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
    if (const TResult copied = ::RunFinishActions(choices, window_.get()); !copied) {
      const std::wstring message = FormatText(Text(TText::UninstallerNotWritten),
                                              {AnsiToWide(SetupProc->UninstallFile), AnsiToWide(copied.Reason())});
      ShowMessageBox(window_.get(), message, MB_ICONWARNING);
    }
    return true;
  } catch (...) {
    // The standard error report ends its message with a full stop.
    std::wstring message = MessageText(ErrorMessage(std::current_exception()));
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

void TVelkSetup::ShowErrorBox(const std::wstring& message) { ShowMessageBox(window_.get(), message, MB_ICONERROR); }

void TVelkSetup::ShowMessageBox(HWND owner, const std::wstring& message, UINT icon) const {
  MessageBoxW(owner, message.c_str(), Title().c_str(), MB_OK | icon);
}

// ---- keys -----------------------------------------------------------------

bool TVelkSetup::PreviewKey(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  if (message.hwnd != window_.get() && !IsChild(window_.get(), message.hwnd)) return false;
  if (message.wParam == VK_F4 && GetKeyState(VK_MENU) < 0) return true;
  // The licence view would keep Tab: Tab, Shift+Tab and Ctrl+Tab move on from it as from any control.
  if (message.wParam == VK_TAB && message.hwnd == Item(TControl::redLicense)) {
    if (HWND next = GetNextDlgTabItem(window_.get(), message.hwnd, GetKeyState(VK_SHIFT) < 0)) SetFocus(next);
    return true;
  }
  if (message.wParam >= VK_LEFT && message.wParam <= VK_DOWN) {
    const TControlInfo* focused = ControlAt(GetDlgCtrlID(message.hwnd));
    if (focused && focused->kind == TControlKind::RadioButton && message.hwnd == Item(focused->control)) {
      ChooseNextRadioButton(*focused, message.wParam == VK_LEFT || message.wParam == VK_UP);
      return true;
    }
  }
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

// The arrow keys move among the radio buttons of a page and choose the one
// they reach, as in a dialog; a disabled one is passed over.
void TVelkSetup::ChooseNextRadioButton(const TControlInfo& from, bool previous) {
  std::vector<HWND> group;
  size_t at = 0;
  for (const TControlInfo& info : WizardControls()) {
    if (info.page != from.page || info.kind != TControlKind::RadioButton) continue;
    if (info.control == from.control) at = group.size();
    if (info.control == from.control || IsUsable(Item(info.control))) group.push_back(Item(info.control));
  }
  HWND next = group[(at + (previous ? group.size() - 1 : 1)) % group.size()];
  SetFocus(next);
  SendMessageW(next, BM_CLICK, 0, 0);
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
  } catch (...) {
    wizard->ShowErrorBox(wizard->MessageText(ErrorMessage(std::current_exception())));
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
    case WM_DPICHANGED:
      MoveToDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case kStepWaitingMessage:
      channel_.Steps().RunWaitingStep([this](TWorkerStep& step) { RunWorkerStep(step); });
      return 0;
    case kWorkerEndedMessage:
      EndRun(worker_.End());
      return 0;
    case WM_TIMER:
      if (wParam == kPaceTimer) ShowProgress(channel_.Progress().TakeAtPace());
      return 0;
    case WM_ACTIVATE:  // the focus of the page is kept while another window (a box) is active
      if (LOWORD(wParam) == WA_INACTIVE) focusWhenInactive_ = GetFocus();
      break;
    case WM_SETFOCUS:  // the window activated: the focus goes back, or on, to a control of the page
      if (HWND control = FocusOnActivation(); control != window_.get()) SetFocus(control);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE && workerRunning_) return 0;
      break;
    case WM_CLOSE:
      if (!workerRunning_) DestroyWindow(window_.get());
      return 0;
    case WM_DESTROY:
      channel_.Steps().Close();  // a worker waiting for a box goes on to its end
      VelkSetup = nullptr;
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      return DefWindowProcW(window_.release(), message, wParam, lParam);
  }
  return DefWindowProcW(window_.get(), message, wParam, lParam);
}
