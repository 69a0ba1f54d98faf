#include "browse/c_BrowseDir.h"

#include <windows.h>
#include <shellapi.h>

#include <utility>

#include "actions/u_SimpleFuncs1.h"
#include "actions/win_Text.h"
#include "browse/win_UIFolder.h"

TBrowseDir* ActiveBrowseDir = nullptr;

namespace {

constexpr int kStatusLineId = 14147;

// The window's device context with its own font selected, both given back at the end.
class TControlDC {
public:
  explicit TControlDC(HWND window) : dc_(window), font_(dc_.get(), HGDIOBJ(SendMessageW(window, WM_GETFONT, 0, 0))) {}

  explicit operator bool() const { return bool(dc_); }
  // The width of the text in pixels, 0 when it cannot be measured.
  int TextWidth(std::string_view text) const {
    const std::wstring wide = AnsiToWide(std::string(text));
    SIZE size;
    return GetTextExtentPoint32W(dc_.get(), wide.c_str(), int(wide.size()), &size) ? int(size.cx) : 0;
  }

private:
  TWindowDc dc_;
  TSelection font_;
};

// The item's file-system path, none for an item without one (a computer, the printers).
std::optional<std::wstring> FileSystemPath(LPCITEMIDLIST item) {
  wchar_t path[MAX_PATH] = {};
  if (!item || !SHGetPathFromIDListW(item, path)) return std::nullopt;
  return path;
}

// The item's path in the ANSI code page, "" when it has none or the code page
// cannot hold it: either way no folder the program can use.
std::string PathOf(LPCITEMIDLIST item) {
  const std::optional<std::wstring> path = FileSystemPath(item);
  return path ? ToExactAnsi(*path).value_or("") : "";
}

unique_item_id ParsePath(const std::string& path) {
  unique_com<IShellFolder> desktop;
  unique_item_id item;
  if (FAILED(SHGetDesktopFolder(desktop.put()))) return item;
  std::wstring wide = AnsiToWide(path);
  desktop->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, item.put(), nullptr);
  return item;
}

int SystemIconIndex(const std::string& path) {
  SHFILEINFOW info = {};
  SHGetFileInfoW(AnsiToWide(path).c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX);
  return info.iIcon;
}

}  // namespace

struct TBrowseDir::TPicked {
  bool chosen = false;
  std::string path;
  unique_item_id item;
};

void TBrowseDir::SetFolder(const std::string& path) {
  if (path == Folder) return;
  Folder = path;
  if (!Folder.empty() && Folder.back() != '\\' && FolderExists(Folder)) Folder += '\\';
  if (DialogWnd) SelectFolder();
}

void TBrowseDir::SetCaption(const std::wstring& text) {
  Caption = text;
  if (DialogWnd) SetWindowTextW(DialogWnd, Caption.c_str());
}

void TBrowseDir::SetStatusText(const std::string& text) {
  if (text == StatusText) return;
  StatusText = text;
  if (DialogWnd) SendStatus();
}

void TBrowseDir::SetItemId(unique_item_id item) {
  if (item.get() == ItemId.get()) {
    item.release();  // the same list: it stays owned once
    return;
  }
  ItemId = std::move(item);
}

bool TBrowseDir::Execute(HWND owner) {
  callbackError_ = nullptr;
  TPicked picked;
  {
    const TScopedValue<TBrowseDir*> active(ActiveBrowseDir, this);
    picked = BrowseForFolder(owner);
  }
  if (ShowNewFolder) DestroyNewFolderButton(*this);
  DialogWnd = nullptr;
  Folder = picked.chosen ? picked.path : "";
  SetItemId(picked.chosen ? std::move(picked.item) : unique_item_id());
  if (callbackError_) std::rethrow_exception(std::exchange(callbackError_, nullptr));
  return picked.chosen;
}

TBrowseDir::TPicked TBrowseDir::BrowseForFolder(HWND owner) {
  wchar_t displayName[MAX_PATH] = {};
  unique_item_id root;
  SHGetSpecialFolderLocation(owner, RootFolderId(RootFolder), root.put());

  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pidlRoot = root.get();
  info.pszDisplayName = displayName;
  info.lpszTitle = Title.c_str();
  info.ulFlags = BrowseFlags(Options, !StatusText.empty() || StatusShowsPath);
  info.lpfn = &BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(this);

  TPicked picked;
  {
    const TErrorMode quiet(SEM_FAILCRITICALERRORS);
    picked.item.reset(SHBrowseForFolderW(&info));
  }
  if (!picked.item) return picked;
  picked.chosen = true;  // any confirmed item counts, with or without a file-system path
  // A folder the code page cannot hold gives "", as one without a path; a
  // computer, which has none, is named by its UNC root.
  if (const std::optional<std::wstring> path = FileSystemPath(picked.item.get())) {
    picked.path = ToExactAnsi(*path).value_or("");
    if (!picked.path.empty() && info.iImage == -1) info.iImage = SystemIconIndex(picked.path);
  } else if (Options & kBrowseForComputer) {
    if (const std::optional<std::string> name = ToExactAnsi(displayName)) picked.path = "\\\\" + *name;
  }
  ImageIndex = info.iImage;
  return picked;
}

int CALLBACK TBrowseDir::BrowseCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM object) {
  auto* self = reinterpret_cast<TBrowseDir*>(object);
  if (!self) return 0;
  try {
    switch (message) {
      case BFFM_INITIALIZED:
        self->DoInitialized(dialog);
        return 0;
      case BFFM_SELCHANGED:
        self->DoSelChanged(dialog, reinterpret_cast<LPCITEMIDLIST>(parameter));
        return 0;
      case BFFM_VALIDATEFAILEDW: {
        bool close = false;
        self->DoValidateFailed(ToExactAnsi(reinterpret_cast<LPCWSTR>(parameter)).value_or(""), close);
        return close ? 0 : 1;
      }
    }
  } catch (...) {
    self->FailInsideCallback(std::current_exception());
  }
  return 0;
}

void TBrowseDir::FailInsideCallback(std::exception_ptr error) {
  if (!callbackError_) callbackError_ = error;
  if (DialogWnd) PostMessageW(DialogWnd, WM_COMMAND, IDCANCEL, 0);
}

void TBrowseDir::DoInitialized(HWND dialog) {
  DialogWnd = dialog;
  if (CenterOnScreen) Center();
  if (ShowNewFolder) CreateNewFolderButton(*this, dialog);
  SendMessageW(dialog, BFFM_ENABLEOK, 0, EnableOK);
  if (!StatusText.empty()) SendStatus();
  if (!Folder.empty() || ItemId) SelectFolder();
  if (!Caption.empty()) SetWindowTextW(dialog, Caption.c_str());
  if (OnInitialized) OnInitialized(*this);
}

void TBrowseDir::DoSelChanged(HWND, LPCITEMIDLIST item) {
  Folder = PathOf(item);
  if (ShowNewFolder && NewFolderWnd) EnableWindow(NewFolderWnd.get(), !Folder.empty());
  if (StatusShowsPath) SetStatusText(Folder);
  if (OnSelChanged) OnSelChanged(*this, Folder, item);
}

void TBrowseDir::DoValidateFailed(const std::string& text, bool& close) {
  if (OnValidateFailed) OnValidateFailed(*this, text, close);
}

void TBrowseDir::SelectFolder() {
  if (Folder.empty()) {
    if (!ItemId) return;
    Folder = PathOf(ItemId.get());
    SendMessageW(DialogWnd, BFFM_SETSELECTIONW, FALSE, LPARAM(ItemId.get()));
    return;
  }
  unique_item_id parsed = ParsePath(Folder);
  if (Folder.starts_with("\\\\")) {
    // A network path is selected by its item alone.
    if (!parsed) return;
    SetItemId(std::move(parsed));
    SendMessageW(DialogWnd, BFFM_SETSELECTIONW, FALSE, LPARAM(ItemId.get()));
    return;
  }
  if (parsed) SetItemId(std::move(parsed));
  const std::wstring path = AnsiToWide(NormalizeSelectPath(Folder));
  SendMessageW(DialogWnd, BFFM_SETSELECTIONW, TRUE, LPARAM(path.c_str()));
}

void TBrowseDir::Center() {
  RECT window;
  if (!GetWindowRect(DialogWnd, &window)) return;
  const int x = CenteredStart(0, GetSystemMetrics(SM_CXSCREEN), window.right - window.left);
  const int y = CenteredStart(0, GetSystemMetrics(SM_CYSCREEN), window.bottom - window.top);
  SetWindowPos(DialogWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string TBrowseDir::GetFittedStatus() const {
  if (!FitStatusText || StatusText.empty()) return StatusText;
  const HWND line = FindChildWindow(DialogWnd, [](HWND child) { return GetDlgCtrlID(child) == kStatusLineId; });
  if (!line) return StatusText;
  const TControlDC dc(line);
  RECT place;
  if (!dc || !GetWindowRect(line, &place)) return StatusText;
  const TTextWidth width = [&dc](std::string_view text) { return dc.TextWidth(text); };
  const int available = place.right - place.left;
  return FolderExists(StatusText) ? FitPathToWidth(StatusText, available, width)
                                  : FitTextToWidth(StatusText, available, width);
}

void TBrowseDir::SendStatus() {
  const std::wstring text = AnsiToWide(GetFittedStatus());
  SendMessageW(DialogWnd, BFFM_SETSTATUSTEXTW, 0, LPARAM(text.c_str()));
}
