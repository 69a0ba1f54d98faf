#include "browse/win_UIFolder.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>

#include "actions/u_SimpleFuncs1.h"
#include "actions/win_Dpi.h"
#include "actions/win_Text.h"
#include "browse/c_BrowseDir.h"

namespace {

constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | BS_PUSHLIKE;
constexpr RECT kButtonPlace = {70, 270, 70 + 75, 270 + 23};
constexpr int kButtonFontHeight = -11;
constexpr int kButtonGap = 6;

// The button's own window procedure, which the replacement passes every message on to.
WNDPROC OldButtonProc = nullptr;

void RunNewFolderCommand(TBrowseDir& browse) {
  const std::string parent = browse.Folder;
  if (!FolderExists(parent)) return;
  const std::optional<std::wstring> typed = AskFolderName(browse.DialogWnd, GetModuleHandleW(nullptr));
  if (!typed) return;
  const std::optional<std::string> name = ToExactAnsi(*typed);
  if (!name) {
    if (browse.OnNewFolderNameRejected) browse.OnNewFolderNameRejected(browse);
    return;
  }
  // A folder that cannot be made leaves the picker as it was.
  if (CreateNewFolder(parent, *name)) browse.SelectChildByName(*name);
}

// The command starts on the release of the left button, before the button's
// own handling of it.
LRESULT CALLBACK NewFolderButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONUP && ActiveBrowseDir) {
    try {
      RunNewFolderCommand(*ActiveBrowseDir);
    } catch (...) {
      ActiveBrowseDir->FailInsideCallback(std::current_exception());
    }
  }
  return CallWindowProcW(OldButtonProc, window, message, wParam, lParam);
}

// Pixels of 96 DPI at the picker's DPI, which scales its own controls by it.
int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI); }

// The button's place in the picker's client area: the stated one at the
// picker's scale, moved left just enough to keep clear of the OK button where
// a picker lays it out there.
RECT ButtonPlace(HWND picker, int dpi) {
  RECT place{Scaled(kButtonPlace.left, dpi), Scaled(kButtonPlace.top, dpi), Scaled(kButtonPlace.right, dpi),
             Scaled(kButtonPlace.bottom, dpi)};
  RECT ok, overlap;
  const HWND okButton = GetDlgItem(picker, IDOK);
  if (!okButton || !GetWindowRect(okButton, &ok)) return place;
  MapWindowPoints(nullptr, picker, reinterpret_cast<POINT*>(&ok), 2);
  const int gap = Scaled(kButtonGap, dpi);
  if (IntersectRect(&overlap, &place, &ok)) OffsetRect(&place, std::max(ok.left - gap - place.right, -place.left), 0);
  return place;
}

void CenterOver(HWND dialog, HWND owner) {
  RECT outer, inner;
  if (!IsWindow(owner) || !GetWindowRect(owner, &outer) || outer.right <= outer.left) return;
  if (!GetWindowRect(dialog, &inner)) return;
  const int x = CenteredStart(outer.left, outer.right - outer.left, inner.right - inner.left);
  const int y = CenteredStart(outer.top, outer.bottom - outer.top, inner.bottom - inner.top);
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// What the name prompt's dialog procedure reads and fills.
struct TNamePrompt {
  HWND owner;
  std::wstring name;
};

INT_PTR CALLBACK FolderNameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) try {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    CenterOver(dialog, reinterpret_cast<TNamePrompt*>(lParam)->owner);
    SetFocus(dialog);  // the dialog hands it on to the name box
    return FALSE;
  }
  if (message != WM_COMMAND || (wParam != IDOK && wParam != IDCANCEL)) return FALSE;
  if (wParam == IDOK)
    reinterpret_cast<TNamePrompt*>(GetWindowLongPtrW(dialog, DWLP_USER))->name =
        WindowText(GetDlgItem(dialog, kNewFolderNameEdit));
  EndDialog(dialog, wParam);
  return TRUE;
} catch (...) {
  EndDialog(dialog, IDCANCEL);
  return TRUE;
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
  wchar_t text[MAX_PATH] = {};
  TVITEMW query = {};
  query.mask = TVIF_TEXT | TVIF_HANDLE;
  query.hItem = item;
  query.pszText = text;
  query.cchTextMax = MAX_PATH;
  return SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&query)) ? std::wstring(text) : std::wstring();
}

bool IsTreeView(HWND window) {
  wchar_t name[MAX_PATH] = {};
  return GetClassNameW(window, name, MAX_PATH) && std::wstring_view(name) == L"SysTreeView32";
}

}  // namespace

void CreateNewFolderButton(TBrowseDir& browse, HWND picker) {
  const int dpi = WindowDpi(picker);
  const RECT place = ButtonPlace(picker, dpi);
  browse.NewFolderWnd.reset(CreateWindowExW(0, L"BUTTON", L"New folder", kButtonStyle, place.left, place.top,
                                            place.right - place.left, place.bottom - place.top, picker, nullptr,
                                            GetModuleHandleW(nullptr), nullptr));
  const HWND button = browse.NewFolderWnd.get();
  if (!button) return;
  browse.NewFolderFont.reset(CreateFontW(Scaled(kButtonFontHeight, dpi), 0, 0, 0, 0, FALSE, FALSE, FALSE,
                                         DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
  SendMessageW(button, WM_SETFONT, WPARAM(browse.NewFolderFont.get()), FALSE);
  EnableWindow(button, FALSE);
  OldButtonProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NewFolderButtonProc)));
}

void DestroyNewFolderButton(TBrowseDir& browse) {
  browse.NewFolderFont.reset();
  browse.NewFolderWnd.reset();
}

std::optional<std::wstring> AskFolderName(HWND owner, HINSTANCE instance) {
  if (!instance) return std::nullopt;
  TNamePrompt prompt{owner, {}};
  const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(kNewFolderDialog), owner, &FolderNameDlgProc,
                                         reinterpret_cast<LPARAM>(&prompt));
  if (result != IDOK) return std::nullopt;
  return prompt.name;
}

TResult CreateNewFolder(const std::string& parent, const std::string& name) {
  const std::string folder = AddBackslash(parent) + name;
  if (!IsNewFolderName(name)) return SystemFailure(ERROR_INVALID_NAME, folder);
  if (!CreateDirectoryA(folder.c_str(), nullptr)) return LastErrorFailure(folder, ERROR_CANNOT_MAKE);
  return {};
}

HWND FindChildWindow(HWND parent, const std::function<bool(HWND)>& matches) {
  struct TSearch {
    const std::function<bool(HWND)>& matches;
    HWND found = nullptr;
  } search{matches};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) -> BOOL {
        auto& search = *reinterpret_cast<TSearch*>(data);
        if (!search.matches(child)) return TRUE;
        search.found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool TBrowseDir::SelectChildByName(const std::string& name) {
  const HWND tree = FindChildWindow(DialogWnd, IsTreeView);
  if (!tree) return false;
  const auto selected = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  // Collapsing with reset drops the branch's items (it fails harmlessly on a branch that was never
  // open); marked as having children, since it has one now, the branch then lists the folder again.
  SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, LPARAM(selected));
  TVITEMW children = {};
  children.mask = TVIF_CHILDREN | TVIF_HANDLE;
  children.hItem = selected;
  children.cChildren = 1;
  SendMessageW(tree, TVM_SETITEMW, 0, LPARAM(&children));
  const bool refreshed = SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(selected));
  const std::wstring wanted = AnsiToWide(name);
  for (auto child = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(selected)));
       child; child = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(child)))) {
    if (ItemText(tree, child) != wanted) continue;
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(child));
    SetFocus(tree);
    break;
  }
  return refreshed;
}
