#include <gtest/gtest.h>

#include "actions/win_Registry.h"
#include "actions/win_SetupFuncs.h"
#include "browse/c_BrowseDir.h"
#include "tests/win32/win32_test_support.h"

namespace {

std::string Special(std::string_view name) { return GetSpecialFolder(name, TWinShellFolders(), TWinRegistry()); }

std::string MachineValue(const char* name) {
  char value[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", name, RRF_RT_REG_SZ, nullptr,
               value, &size);
  return value;
}

bool DirectoryThere(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(AnsiToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

char MissingDrive() {
  const DWORD drives = GetLogicalDrives();
  for (int drive = 25; drive >= 0; --drive)
    if (!(drives >> drive & 1)) return char('A' + drive);
  return 0;
}

}  // namespace

TEST(SpecialFolders, ShellAndWindowsFoldersExist) {
  for (const char* name : {"<WindowsDir>", "<StartMenu>", "<Desktop>", "<Programs>", "<StartUp>"}) {
    const std::string folder = Special(name);
    EXPECT_FALSE(folder.empty()) << name;
    EXPECT_TRUE(FolderExists(folder)) << name << " = " << folder;
    EXPECT_NE(folder.back(), '\\') << name;
  }
  EXPECT_EQ(Special("<startup>"), "");
  EXPECT_EQ(Special("<SetupExeName>"), "");
}

TEST(SpecialFolders, QuickLaunchLiesBelowApplicationData) {
  const std::string appData = TWinShellFolders().ShellFolder(kCsidlAppData);
  ASSERT_FALSE(appData.empty());
  EXPECT_TRUE(FolderExists(appData));
  EXPECT_EQ(Special("<QuickLaunchPanel>"), AddBackslash(appData) + "Microsoft\\Internet Explorer\\Quick Launch");
}

TEST(SpecialFolders, MachineFoldersComeFromTheRegistry) {
  for (const char* name : {"ProgramFilesDir", "CommonFilesDir"}) {
    const std::string expected = MachineValue(name);
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(Special(std::string("<").append(name).append(">")), expected);
    EXPECT_TRUE(FolderExists(expected)) << expected;
  }
}

TEST(SpecialFolders, UnavailableShellFolderIsEmpty) {
  EXPECT_EQ(TWinShellFolders().ShellFolder(0x7F), "") << "no such folder id";
}

TEST(FolderExists, DriveRootsByTheDriveList) {
  EXPECT_TRUE(FolderExists("C:\\"));
  EXPECT_TRUE(FolderExists("c:\\"));
  const char missing = MissingDrive();
  ASSERT_NE(missing, 0);
  EXPECT_FALSE(FolderExists(std::string(1, missing) + ":\\"));
  EXPECT_FALSE(FolderExists("1:\\"));
}

TEST(FolderExists, FoldersButNotFilesHiddenOnesOrPatterns) {
  const TScratchFolder scratch;
  const std::string folder = scratch / "Sub \xe4";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  PutFile(scratch / "file.txt", "x");
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_TRUE(FolderExists(folder + "\\"));
  EXPECT_FALSE(FolderExists(folder + "\\\\")) << "only one trailing backslash is dropped";
  EXPECT_FALSE(FolderExists(scratch / "file.txt"));
  EXPECT_FALSE(FolderExists(scratch / "missing"));
  EXPECT_FALSE(FolderExists(scratch / "Sub*"));
  EXPECT_FALSE(FolderExists(scratch / "Sub ?"));
  EXPECT_FALSE(FolderExists(""));
  EXPECT_FALSE(FolderExists(scratch.Path() + std::string(300, 'x')));
}

TEST(FolderExists, HiddenAndSystemFoldersCountAsAbsent) {
  const TScratchFolder scratch;
  for (const DWORD attribute : {DWORD(FILE_ATTRIBUTE_HIDDEN), DWORD(FILE_ATTRIBUTE_SYSTEM)}) {
    const std::string folder = scratch / ("attr" + std::to_string(attribute));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    SetFileAttributesA(folder.c_str(), attribute);
    if (!(GetFileAttributesA(folder.c_str()) & attribute)) {
      ADD_FAILURE() << "this file system keeps no attribute " << attribute;
      continue;
    }
    EXPECT_FALSE(FolderExists(folder)) << attribute;
  }
}

TEST(ForceDirectories, CreatesTheMissingChain) {
  const TScratchFolder scratch;
  const std::string deep = scratch / "a\\b \xe9\\c\\";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryThere(deep));
  EXPECT_TRUE(ForceDirectories(deep)) << "an existing folder";
  EXPECT_TRUE(ForceDirectories("C:"));
  PutFile(scratch / "file", "x");
  EXPECT_FALSE(ForceDirectories(scratch / "file\\sub")) << "a file in the way";
  EXPECT_FALSE(ForceDirectories(scratch / (std::string(300, 'y') + "\\z")));
  EXPECT_THROW(ForceDirectories(""), ESetupError);
}

TEST(FreeSpaceFor, TheVolumeOfTheNearestFolderThatExists) {
  const TScratchFolder scratch;
  ULARGE_INTEGER free;
  ASSERT_TRUE(GetDiskFreeSpaceExA(scratch.Path().c_str(), &free, nullptr, nullptr));
  const TOutcome<uint64_t> found = FreeSpaceFor(scratch / "not\\made\\yet");
  ASSERT_TRUE(found);
  EXPECT_NEAR(double(*found), double(free.QuadPart), 64.0 * (1 << 20)) << "the scratch folder's volume";
  EXPECT_FALSE(FreeSpaceFor(std::string(1, MissingDrive()) + ":\\Product"));
  const TOutcome<uint64_t> nowhere = FreeSpaceFor("Product");
  ASSERT_FALSE(nowhere) << "no folder of it exists";
  EXPECT_EQ(nowhere.Failure().Item(), "Product");
  EXPECT_FALSE(nowhere.Failure().Reason().empty());
}
