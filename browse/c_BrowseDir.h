#pragma once
// The folder picker of the destination page and its helpers.

#include <windows.h>
#include <shlobj.h>

#include <exception>
#include <functional>
#include <string>

#include "actions/win_API.h"
#include "actions/win_SetupFuncs.h"
#include "browse/u_BrowseFuncs.h"

// The shell's folder picker with a caption, centring, an initial selection, a
// fitted status line and an optional New folder button. Set the fields, then
// Execute; the picker is modal and runs on the calling (UI) thread.
class TBrowseDir {
public:
  using TSelChanged = std::function<void(TBrowseDir& sender, const std::string& path, LPCITEMIDLIST item)>;
  using TInitialized = std::function<void(TBrowseDir& sender)>;
  using TValidateFailed = std::function<void(TBrowseDir& sender, const std::string& text, bool& close)>;
  using TNameRejected = std::function<void(TBrowseDir& sender)>;

  TBrowseDir() = default;
  virtual ~TBrowseDir() = default;
  TBrowseDir(const TBrowseDir&) = delete;
  TBrowseDir& operator=(const TBrowseDir&) = delete;

  HWND DialogWnd = nullptr;       // the picker while it is open
  unique_window NewFolderWnd;     // the New folder button while the picker is open
  unique_hfont NewFolderFont;     // its font
  bool ShowNewFolder = false;
  std::wstring Caption;           // title bar of the picker
  bool StatusShowsPath = false;   // status line follows the selected folder
  bool FitStatusText = true;      // status text shortened to the line's width
  std::wstring Title;             // instruction text above the tree
  std::uint8_t RootFolder = 0;    // index into the root-folder table (RootFolderId)
  TBrowseOptions Options = 0;     // kBrowse... bits
  // Before Execute the folder to select first (set it with SetFolder); while
  // open the selected folder; after Execute the chosen folder, or "".
  std::string Folder;
  bool CenterOnScreen = true;
  std::string StatusText;
  bool EnableOK = true;           // OK button state when the picker opens
  int ImageIndex = -1;            // system image list index of the chosen folder
  TSelChanged OnSelChanged;
  TInitialized OnInitialized;
  unique_item_id ItemId;          // the chosen item, or the first one to select
  TValidateFailed OnValidateFailed;
  // A name typed for New folder that the ANSI code page cannot hold: no folder is made.
  TNameRejected OnNewFolderNameRejected;

  // Stores the folder to select, with a "\" appended when it names an existing
  // folder; selects it at once when the picker is open.
  void SetFolder(const std::string& path);
  void SetCaption(const std::wstring& text);
  void SetStatusText(const std::string& text);
  void SetItemId(unique_item_id item);

  // Shows the picker owned by `owner`. True when the user confirmed an item;
  // Folder then holds its file-system path. Cancel clears Folder and ItemId.
  // An exception thrown by a handler closes the picker and comes out here.
  virtual bool Execute(HWND owner);

  // Refreshes the selected branch of the picker's tree and selects its child of
  // exactly this name (the folder the New folder command just made).
  bool SelectChildByName(const std::string& name);

  // An exception caught inside a picker callback: the picker is closed and
  // Execute rethrows it.
  void FailInsideCallback(std::exception_ptr error);

protected:
  virtual void DoInitialized(HWND dialog);
  virtual void DoSelChanged(HWND dialog, LPCITEMIDLIST item);
  virtual void DoValidateFailed(const std::string& text, bool& close);

private:
  struct TPicked;
  static int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM object);
  TPicked BrowseForFolder(HWND owner);
  void SelectFolder();
  void Center();
  std::string GetFittedStatus() const;
  void SendStatus();

  std::exception_ptr callbackError_;
};

// The TBrowseDir whose picker is open, or none. One picker at a time.
extern TBrowseDir* ActiveBrowseDir;
