#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

#include "browse/c_BrowseDir.h"
#include "browse/win_UIFolder.h"
#include "tests/win32/win32_test_support.h"

namespace {

const wchar_t kCaption[] = L"Обзор папок";
const wchar_t kTitle[] = L"Выберите папку для установки";
const wchar_t kPromptCaption[] = L"Создание новой папки";
constexpr int kTreeId = 14145;
constexpr int kInstructionId = 14146;
constexpr int kStatusLineId = 14147;

// Steps that drive the open picker from a timer of the UI thread, so that they
// run inside the picker's modal loop and inside the name prompt's. A step
// returns false to be tried again on the next tick.
class TPickerScript {
public:
  using TStep = std::function<bool()>;
  explicit TPickerScript(std::vector<TStep> steps) : steps_(std::move(steps)), deadline_(GetTickCount64() + 60000) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 50, &Tick);
  }
  ~TPickerScript() {
    KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  TPickerScript(const TPickerScript&) = delete;
  TPickerScript& operator=(const TPickerScript&) = delete;

  bool Done() const { return next_ == steps_.size(); }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TPickerScript& script = *active_;
    if (script.busy_ || script.Done()) return;
    script.busy_ = true;
    if (script.steps_[script.next_]()) ++script.next_;
    script.busy_ = false;
    if (!script.Done() && GetTickCount64() > script.deadline_) script.GiveUp();
  }

  void GiveUp() {
    ADD_FAILURE() << "script step " << next_ << " never came true";
    // Cancels every dialog of this thread: the name prompt first, then the picker.
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
          PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
          return TRUE;
        },
        0);
    next_ = steps_.size();
  }

  static inline TPickerScript* active_ = nullptr;
  std::vector<TStep> steps_;
  size_t next_ = 0;
  ULONGLONG deadline_;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
};

HWND Picker() { return FindWindowW(L"#32770", kCaption); }
HWND NamePrompt() { return FindWindowW(L"#32770", kPromptCaption); }

std::wstring TextOf(HWND window) { return WindowText(window); }

void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

HTREEITEM SelectedItem(HWND picker) {
  return reinterpret_cast<HTREEITEM>(SendDlgItemMessageW(picker, kTreeId, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

std::wstring SelectedTreeText(HWND picker) {
  wchar_t text[MAX_PATH] = {};
  TVITEMW item = {};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = SelectedItem(picker);
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  SendDlgItemMessageW(picker, kTreeId, TVM_GETITEMW, 0, LPARAM(&item));
  return text;
}

HWND NewFolderButton(HWND picker) {
  return FindChildWindow(picker, [](HWND child) { return TextOf(child) == L"New folder"; });
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

bool HasDisplay() { return GetEnvironmentVariableA("DISPLAY", nullptr, 0) > 0; }

// A picker owned by a hidden window, set up as the wizard sets it up, in a scratch folder.
class PickerTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!HasDisplay()) GTEST_SKIP() << "the picker needs a display";
    owner_.reset(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(owner_);
    target_ = scratch_ / "Target";
    ASSERT_TRUE(CreateDirectoryA(target_.c_str(), nullptr));
    browse_.Caption = kCaption;
    browse_.Title = kTitle;
    browse_.Options = kBrowseReturnOnlyFsDirs;
  }

  bool Run(std::vector<TPickerScript::TStep> steps) {
    const TPickerScript script(std::move(steps));
    const bool confirmed = browse_.Execute(owner_.get());
    EXPECT_TRUE(script.Done()) << "the picker closed before the script ended";
    EXPECT_EQ(ActiveBrowseDir, nullptr);
    return confirmed;
  }

  // Waits until the picker is open and shows the target folder as selected.
  TPickerScript::TStep OpenOnTarget() {
    return [this] { return Picker() && browse_.Folder == target_ && SelectedTreeText(Picker()) == L"Target"; };
  }

  TComSession com_;
  TScratchFolder scratch_;
  std::string target_;
  unique_window owner_;
  TBrowseDir browse_;
};

}  // namespace

TEST(BrowseDirSetFolder, BackslashOnlyForExistingFolders) {
  const TScratchFolder scratch;
  TBrowseDir browse;
  browse.SetFolder(DelBackslash(scratch.Path()));
  EXPECT_EQ(browse.Folder, scratch.Path());
  browse.SetFolder(scratch / "missing");
  EXPECT_EQ(browse.Folder, scratch / "missing");
  browse.SetFolder("C:\\");
  EXPECT_EQ(browse.Folder, "C:\\");
  browse.SetFolder("");
  EXPECT_EQ(browse.Folder, "");
}

TEST(CreateNewFolder, OneLevelInsideTheParentOnly) {
  const TScratchFolder scratch;
  EXPECT_TRUE(CreateNewFolder(DelBackslash(scratch.Path()), "New \xe4"));
  EXPECT_TRUE(DirectoryExists(scratch / "New \xe4"));
  const TResult existing = CreateNewFolder(scratch.Path(), "New \xe4");
  EXPECT_EQ(existing.Code(), DWORD(ERROR_ALREADY_EXISTS)) << "an existing folder is a failure";
  EXPECT_EQ(existing.Item(), scratch / "New \xe4");
  EXPECT_EQ(existing.Reason(), SystemMessage(HRESULT(ERROR_ALREADY_EXISTS)));
  EXPECT_FALSE(CreateNewFolder(scratch.Path(), "")) << "the parent itself";
  EXPECT_EQ(CreateNewFolder(scratch.Path(), "a\\b").Code(), DWORD(ERROR_INVALID_NAME));
  EXPECT_FALSE(CreateNewFolder(scratch.Path(), "New \xe4\\b")) << "no second level, even below an existing one";
  EXPECT_FALSE(DirectoryExists(scratch / "New \xe4\\b"));
  EXPECT_FALSE(CreateNewFolder(scratch / "New \xe4", "..\\escaped"));
  EXPECT_FALSE(DirectoryExists(scratch / "escaped"));
  EXPECT_FALSE(CreateNewFolder(scratch / "missing", "x")) << "missing parent";
}

TEST(NewFolderPrompt, TemplateAsCompiled) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kNewFolderDialog), MAKEINTRESOURCEW(5)  /* RT_DIALOG */);
  ASSERT_TRUE(found);
  const auto* words = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
  ASSERT_TRUE(words);
  auto dword = [words](int at) { return DWORD(words[at]) | DWORD(words[at + 1]) << 16; };
  EXPECT_EQ(words[0], 1) << "extended template version";
  EXPECT_EQ(words[1], 0xFFFF);
  EXPECT_EQ(dword(2), 0u) << "help id";
  EXPECT_EQ(dword(4), DWORD(WS_EX_DLGMODALFRAME));
  EXPECT_EQ(dword(6), 0x90C808C4u);
  EXPECT_EQ(words[8], 4) << "controls";
  EXPECT_EQ((std::vector<WORD>(words + 9, words + 13)), (std::vector<WORD>{18, 34, 160, 51}));
  EXPECT_EQ(words[13], 0) << "no menu";
  EXPECT_EQ(words[14], 0) << "the default dialog class";
  EXPECT_STREQ(reinterpret_cast<const wchar_t*>(words + 15), kPromptCaption);
}

TEST_F(PickerTest, OpensCentredWithItsTextsOnTheInitialFolderAndOkReturnsIt) {
  browse_.SetFolder(target_);
  ASSERT_EQ(browse_.Folder, target_ + "\\");
  const bool confirmed = Run({OpenOnTarget(), [this] {
                                const HWND picker = Picker();
                                RECT place;
                                GetWindowRect(picker, &place);
                                EXPECT_EQ(place.left, (GetSystemMetrics(SM_CXSCREEN) - (place.right - place.left)) / 2);
                                EXPECT_EQ(place.top, (GetSystemMetrics(SM_CYSCREEN) - (place.bottom - place.top)) / 2);
                                EXPECT_EQ(TextOf(picker), kCaption);
                                EXPECT_EQ(TextOf(GetDlgItem(picker, kInstructionId)), kTitle);
                                EXPECT_EQ(ActiveBrowseDir, &browse_);
                                EXPECT_EQ(browse_.DialogWnd, picker);
                                EXPECT_FALSE(NewFolderButton(picker)) << "not asked for";
                                Press(picker, IDOK);
                                return true;
                              }});
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(browse_.Folder, target_);
  EXPECT_TRUE(browse_.ItemId);
  EXPECT_GE(browse_.ImageIndex, 0);
  EXPECT_EQ(browse_.DialogWnd, nullptr);
}

// The texts of the selected item's children, once it is expanded.
std::vector<std::wstring> ChildrenOfSelection(HWND picker) {
  const HWND tree = GetDlgItem(picker, kTreeId);
  HTREEITEM child = SelectedItem(picker);
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(child));
  std::vector<std::wstring> texts;
  for (child = TreeView_GetChild(tree, child); child; child = TreeView_GetNextSibling(tree, child)) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = child;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&item));
    texts.push_back(text);
  }
  return texts;
}

// The options as the picker shows them: a folder's files only when asked for.
TEST_F(PickerTest, OptionsDecideWhatThePickerOffers) {
  PutFile(target_ + "\\notes.txt", "notes");
  ASSERT_TRUE(CreateDirectoryA((target_ + "\\Sub").c_str(), nullptr));
  for (const TBrowseOptions options : {kBrowseReturnOnlyFsDirs, kBrowseIncludeFiles}) {
    browse_.SetFolder(target_);  // Cancel cleared it
    browse_.Options = options;
    std::vector<std::wstring> children;
    EXPECT_FALSE(Run({OpenOnTarget(), [&] {
                        children = ChildrenOfSelection(Picker());
                        Press(Picker(), IDCANCEL);
                        return true;
                      }}));
    std::sort(children.begin(), children.end());
    const std::vector<std::wstring> offered = {L"Sub", L"notes.txt"};
    EXPECT_EQ(children, std::vector(offered.begin(), offered.begin() + (options == kBrowseIncludeFiles ? 2 : 1)));
  }
}

TEST_F(PickerTest, CancelClearsFolderAndItem) {
  browse_.SetFolder(target_);
  EXPECT_FALSE(Run({OpenOnTarget(), [] {
                      Press(Picker(), IDCANCEL);
                      return true;
                    }}));
  EXPECT_EQ(browse_.Folder, "");
  EXPECT_FALSE(browse_.ItemId);
}

TEST_F(PickerTest, OkStaysOffWhenAskedSoAndForItemsWithoutAFolder) {
  browse_.EnableOK = false;
  unique_item_id computer;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.put()), S_OK);
  EXPECT_TRUE(Run({[] { return Picker() != nullptr; },
                   [] {
                     EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Picker(), IDOK))) << "EnableOK off";
                     return true;
                   },
                   [&] {
                     SendMessageW(Picker(), BFFM_SETSELECTIONW, FALSE, LPARAM(computer.get()));
                     return browse_.Folder.empty();
                   },
                   [this] {
                     SendMessageW(Picker(), BFFM_SETSELECTIONW, TRUE, LPARAM(AnsiToWide(target_).c_str()));
                     return browse_.Folder == target_ && IsWindowEnabled(GetDlgItem(Picker(), IDOK));
                   },
                   [] {
                     Press(Picker(), IDOK);
                     return true;
                   }}));
  EXPECT_EQ(browse_.Folder, target_);
}

// A folder whose name the ANSI code page cannot hold is no folder the program
// can use, even where an item without a path would be named as a computer.
TEST_F(PickerTest, FolderBeyondTheCodePageGivesNoPath) {
  const std::wstring name = L"\u6587\u4ef6";  // CJK letters, in no Western or Cyrillic code page
  const std::wstring folder = AnsiToWide(target_) + L"\\" + name;
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  browse_.Options = kBrowseReturnOnlyFsDirs | kBrowseForComputer;
  EXPECT_TRUE(Run({[] { return Picker() != nullptr; },
                   [&] {
                     SendMessageW(Picker(), BFFM_SETSELECTIONW, TRUE, LPARAM(folder.c_str()));
                     return SelectedTreeText(Picker()) == name;
                   },
                   [] {
                     Press(Picker(), IDOK);
                     return true;
                   }}));
  EXPECT_EQ(browse_.Folder, "");
  EXPECT_TRUE(browse_.ItemId);
}

TEST_F(PickerTest, StatusLineFollowsTheSelectionFittedToItsWidth) {
  std::string deep = target_;
  for (const char* level : {"\\A rather long folder name", "\\and another long one", "\\Deepest"}) {
    deep += level;
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
  }
  browse_.SetFolder(deep);
  browse_.StatusShowsPath = true;
  std::vector<std::string> reported;
  browse_.OnSelChanged = [&](TBrowseDir& sender, const std::string& path, LPCITEMIDLIST item) {
    EXPECT_EQ(&sender, &browse_);
    EXPECT_TRUE(item);
    reported.push_back(path);
  };
  int initialized = 0;
  browse_.OnInitialized = [&](TBrowseDir&) { ++initialized; };
  EXPECT_FALSE(Run({[&] { return Picker() && browse_.Folder == deep; },
                    [&] {
                      const HWND line = GetDlgItem(Picker(), kStatusLineId);
                      EXPECT_TRUE(line) << "status line shown";
                      const std::wstring shown = TextOf(line);
                      EXPECT_EQ(browse_.StatusText, deep);
                      EXPECT_NE(shown, AnsiToWide(deep)) << "too long for the line as it is";
                      EXPECT_TRUE(shown.ends_with(L"\\Deepest")) << ToExactAnsi(shown).value_or("?");
                      browse_.SetStatusText(std::string(300, 'x'));
                      EXPECT_TRUE(TextOf(line).ends_with(L"x...")) << "any other text loses its end";
                      browse_.SetCaption(L"Другая папка");
                      EXPECT_EQ(TextOf(browse_.DialogWnd), L"Другая папка");
                      Press(browse_.DialogWnd, IDCANCEL);
                      return true;
                    }}));
  EXPECT_EQ(initialized, 1);
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.back(), deep);
}

TEST_F(PickerTest, ExceptionOfAHandlerClosesThePickerAndComesOut) {
  browse_.OnInitialized = [](TBrowseDir&) { throw std::runtime_error("handler failed"); };
  EXPECT_THROW(browse_.Execute(owner_.get()), std::runtime_error);
  EXPECT_EQ(ActiveBrowseDir, nullptr);
  EXPECT_FALSE(Picker());
  EXPECT_EQ(browse_.Folder, "");
}

class NewFolderTest : public PickerTest {
protected:
  void SetUp() override {
    PickerTest::SetUp();
    if (IsSkipped()) return;
    browse_.ShowNewFolder = true;
    browse_.SetFolder(target_);
  }

  // Presses the New folder button and waits for the name prompt.
  std::vector<TPickerScript::TStep> OpenPrompt() {
    return {OpenOnTarget(),
            [] {
              const HWND button = NewFolderButton(Picker());
              if (!button || !IsWindowEnabled(button)) return false;
              PostMessageW(button, WM_LBUTTONUP, 0, 0);
              return true;
            },
            [] { return NamePrompt() != nullptr; }};
  }

  static TPickerScript::TStep Type(const std::wstring& name) {
    return [name] {
      SetDlgItemTextW(NamePrompt(), kNewFolderNameEdit, name.c_str());
      return true;
    };
  }

  static TPickerScript::TStep Key(WPARAM key) {
    return [key] {
      PostMessageW(GetDlgItem(NamePrompt(), kNewFolderNameEdit), WM_KEYDOWN, key, 0);
      return true;
    };
  }

  static TPickerScript::TStep PromptGoneThen(int pickerButton) {
    return [pickerButton] {
      if (NamePrompt()) return false;
      Press(Picker(), pickerButton);
      return true;
    };
  }
};

TEST_F(NewFolderTest, ButtonSitsInThePickerAndFollowsTheSelection) {
  unique_item_id computer;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.put()), S_OK);
  EXPECT_FALSE(Run({OpenOnTarget(),
                    [this] {
                      const HWND button = NewFolderButton(Picker());
                      EXPECT_EQ(button, browse_.NewFolderWnd.get());
                      RECT place;
                      GetWindowRect(button, &place);
                      MapWindowPoints(nullptr, Picker(), reinterpret_cast<POINT*>(&place), 2);
                      RECT ok, overlap;
                      GetWindowRect(GetDlgItem(Picker(), IDOK), &ok);
                      MapWindowPoints(nullptr, Picker(), reinterpret_cast<POINT*>(&ok), 2);
                      EXPECT_FALSE(IntersectRect(&overlap, &place, &ok)) << "clear of OK";
                      EXPECT_LE(place.left, 70) << "at 70 or moved left of OK";
                      EXPECT_GE(place.left, 0);
                      EXPECT_EQ(place.top, 270);
                      EXPECT_EQ(place.right - place.left, 75);
                      EXPECT_EQ(place.bottom - place.top, 23);
                      EXPECT_TRUE(IsWindowEnabled(button)) << "a folder is selected";
                      return true;
                    },
                    [&] {
                      SendMessageW(Picker(), BFFM_SETSELECTIONW, FALSE, LPARAM(computer.get()));
                      return browse_.Folder.empty();
                    },
                    [] {
                      EXPECT_FALSE(IsWindowEnabled(NewFolderButton(Picker()))) << "no file-system folder";
                      Press(Picker(), IDCANCEL);
                      return true;
                    }}));
  EXPECT_FALSE(browse_.NewFolderWnd);
  EXPECT_FALSE(browse_.NewFolderFont);
}

TEST_F(NewFolderTest, NameConfirmedWithEnterMakesTheFolderInsideTheSelectedOne) {
  const std::string name = "Neu \xe4\xf6";  // non-ASCII letters of the ANSI code page
  const std::string created = target_ + "\\" + name;
  std::vector<TPickerScript::TStep> steps = OpenPrompt();
  steps.push_back([] {
    const HWND prompt = NamePrompt();
    RECT picker, own;
    GetWindowRect(Picker(), &picker);
    GetWindowRect(prompt, &own);
    EXPECT_EQ(own.left, picker.left + (picker.right - picker.left - (own.right - own.left)) / 2) << "centred";
    EXPECT_EQ(own.top, picker.top + (picker.bottom - picker.top - (own.bottom - own.top)) / 2);
    EXPECT_EQ(GetDlgItemTextW(prompt, kNewFolderNameEdit, nullptr, 0), 0u) << "starts empty";
    EXPECT_EQ(TextOf(GetDlgItem(prompt, 10)), L"Новая папка");
    EXPECT_EQ(TextOf(GetDlgItem(prompt, IDCANCEL)), L"Отмена");
    return true;
  });
  steps.push_back(Type(AnsiToWide(name)));
  steps.push_back(Key(VK_RETURN));
  steps.push_back([&] { return !NamePrompt() && DirectoryExists(created); });
  // Wine's picker lists each branch once, so there the new folder shows only
  // when the picker opens again and the selection stays on its parent.
  const std::string selectedAfter = IsWine() ? target_ : created;
  steps.push_back([&] { return browse_.Folder == selectedAfter; });
  steps.push_back(PromptGoneThen(IDOK));
  EXPECT_TRUE(Run(steps));
  EXPECT_EQ(browse_.Folder, selectedAfter);
}

TEST_F(NewFolderTest, CancelEscAndUnusableNamesCreateNothing) {
  ASSERT_TRUE(CreateDirectoryA((target_ + "\\Taken").c_str(), nullptr));
  std::vector<TPickerScript::TStep> steps;
  auto attempt = [&](std::vector<TPickerScript::TStep> tail) {
    for (auto& step : OpenPrompt()) steps.push_back(step);
    for (auto& step : tail) steps.push_back(step);
    steps.push_back([] { return !NamePrompt(); });
  };
  attempt({Type(L"ByCancel"), [] {
             Press(NamePrompt(), IDCANCEL);
             return true;
           }});
  attempt({Type(L"ByEsc"), Key(VK_ESCAPE)});
  attempt({Type(L"Taken"), Key(VK_RETURN)});
  attempt({Type(L"..\\Escaped"), Key(VK_RETURN)});
  attempt({Type(L"Deep\\er"), Key(VK_RETURN)});
  attempt({Key(VK_RETURN)});
  steps.push_back([this] {
    EXPECT_EQ(browse_.Folder, target_) << "the selection stays";
    Press(Picker(), IDCANCEL);
    return true;
  });
  EXPECT_FALSE(Run(steps));
  for (const char* name : {"\\ByCancel", "\\ByEsc", "\\Deep", "\\..\\Escaped"})
    EXPECT_FALSE(DirectoryExists(target_ + name)) << name;
}
