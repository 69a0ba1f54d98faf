#include <shlobj.h>

#include <gtest/gtest.h>

#include <thread>

#include "actions/win_SetupFuncs.h"
#include "tests/unit/english_texts.h"
#include "tests/win32/win32_test_support.h"

namespace {

struct TLinkInfo {
  std::string Target, WorkingFolder, Description;
};

// Loads a link file back through the shell's own link object.
TLinkInfo LoadShortcut(const std::string& fileName) {
  unique_com<IShellLinkA> link;
  EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                             reinterpret_cast<void**>(link.put())),
            S_OK);
  unique_com<IPersistFile> file;
  if (!link || FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())))) return {};
  EXPECT_EQ(file->Load(AnsiToWide(fileName).c_str(), STGM_READ), S_OK) << fileName;
  char target[MAX_PATH + 1] = {}, folder[MAX_PATH + 1] = {}, description[INFOTIPSIZE + 1] = {};
  link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  link->GetWorkingDirectory(folder, MAX_PATH);
  link->GetDescription(description, INFOTIPSIZE);
  return {target, folder, description};
}

std::string RaisedBy(const std::string& folder, const std::string& name = "Demo") {
  try {
    CreateShortcut(name, folder, "C:\\x.exe", "d");
  } catch (const ESetupError& error) {
    return English(error.Message());
  }
  return {};
}

class Shortcuts : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(AnsiToWide(scratch / "Program Files"));
    PutFile(target, "program");
  }

  TComSession com;
  TScratchFolder scratch;
  const std::string target = scratch / "Program Files\\demoapp.exe";
};

}  // namespace

TEST_F(Shortcuts, LinkHoldsTargetFolderPartAndDescription) {
  CreateShortcut("Demo App", scratch.Path(), target, "The demo product");
  const TLinkInfo link = LoadShortcut(scratch / "Demo App.lnk");
  EXPECT_EQ(link.Target, target);
  EXPECT_EQ(link.WorkingFolder, scratch / "Program Files\\");
  EXPECT_EQ(link.Description, "The demo product");
}

TEST_F(Shortcuts, SecondInstallReplacesTheLink) {
  CreateShortcut("Demo", scratch.Path(), target, "first");
  CreateShortcut("Demo", DelBackslash(scratch.Path()), target, "second");
  EXPECT_EQ(LoadShortcut(scratch / "Demo.lnk").Description, "second");
}

TEST_F(Shortcuts, MissingFolderChainIsCreated) {
  const std::string group = scratch / "Programs\\Demo Company\\Demo";
  CreateShortcut("Demo", group, target, "d");
  EXPECT_TRUE(FileExists(group + "\\Demo.lnk"));
}

TEST_F(Shortcuts, TargetWithoutFolderPartGivesNoWorkingFolder) {
  CreateShortcut("Notes", scratch.Path(), "notepad.exe", "d");
  const TLinkInfo link = LoadShortcut(scratch / "Notes.lnk");
  EXPECT_EQ(link.WorkingFolder, "");
}

TEST_F(Shortcuts, NonAsciiNamesInTheAnsiCodePage) {
  const std::string folder = scratch / "Caf\xe9";
  CreateShortcut("Gr\xfc\xdf" "e", folder, target, "Beschreibung \xe4\xf6\xfc");
  EXPECT_TRUE(FileExists(folder + "\\Gr\xfc\xdf" "e.lnk"));
  EXPECT_EQ(LoadShortcut(folder + "\\Gr\xfc\xdf" "e.lnk").Description, "Beschreibung \xe4\xf6\xfc");
}

TEST_F(Shortcuts, EmptyFolderRaisesAndWritesNothing) {
  EXPECT_EQ(RaisedBy(""), "Unable to create directory");
  EXPECT_FALSE(FileExists("\\Demo.lnk"));
}

TEST_F(Shortcuts, ALinkThatCannotBeSavedIsReportedAndTheOldOneStays) {
  const std::string failed = "Failed to save the shortcut '";
  EXPECT_TRUE(RaisedBy(scratch.Path(), "a|b").starts_with(failed + scratch / "a|b.lnk': ")) << RaisedBy(scratch.Path(), "a|b");
  EXPECT_FALSE(FileExists(scratch / "a|b.lnk"));
  EXPECT_TRUE(RaisedBy(scratch / std::string(300, 'f')).starts_with(failed));
  PutFile(scratch / "file", "x");
  EXPECT_TRUE(RaisedBy(scratch / "file").starts_with(failed));
  // A folder that cannot be made is the shortcut's failure, told with that folder's reason.
  const std::string belowFile = scratch / "file\\sub";
  const TResult made = ForceDirectories(belowFile);
  ASSERT_FALSE(made);
  EXPECT_TRUE(RaisedBy(belowFile).starts_with(failed + belowFile + "\\Demo.lnk': " + made.Reason()))
      << RaisedBy(belowFile);

  CreateShortcut("Held", scratch.Path(), target, "first");
  {
    const unique_file held(CreateFileA((scratch / "Held.lnk").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_TRUE(RaisedBy(scratch.Path(), "Held").starts_with(failed));
  }
  EXPECT_EQ(LoadShortcut(scratch / "Held.lnk").Description, "first") << "the old link is kept whole";
  WIN32_FIND_DATAA found;
  EXPECT_FALSE(unique_find(FindFirstFileA((scratch / "~*").c_str(), &found))) << "no part file left";
}

TEST(ShortcutsWithoutCom, ShellLinkObjectUnavailableRaisesThePlatformsMessage) {
  std::string message;
  std::thread([&] { message = RaisedBy("C:\\"); }).join();  // a thread that never initialised COM
  EXPECT_FALSE(message.empty());
  EXPECT_NE(message, "Unable to create directory");
}
