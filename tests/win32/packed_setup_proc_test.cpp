// The setup project built from the packed demo's own resources through the
// Windows host: texts, folders expanded through the real special folders, the
// entry lists, logo and licence, and the installed state read from the
// registry. The paths come in VELK_PACKED_INSTALLER and VELK_DEMO_DIR (Windows
// form); without them these tests skip.

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "package/c_SetupProc.h"
#include "package/u_SetupScript.h"
#include "package/win_SetupHost.h"
#include "tests/win32/win32_test_support.h"

namespace {

// The demo's version marker: its RegCheckVersion entry.
constexpr char kCompanyKey[] = "Software\\Demo Company";
constexpr char kMarkerKey[] = "Software\\Demo Company\\Demo Product";
constexpr char kMarkerName[] = "Version";
constexpr char kMarker[] = "1.0.0.0";

// The Windows host with the packed installer in place of the running program:
// its file for the payload and, loaded as a data file, its module for the logo.
class TPackedInstallerHost : public TWinSetupHost {
public:
  explicit TPackedInstallerHost(std::string installer)
      : installer_(std::move(installer)),
        module_(LoadLibraryExA(installer_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}

  void* ModuleHandle() const override { return module_.get(); }
  std::string ModuleFileName() const override { return installer_; }
  bool Loaded() const { return bool(module_); }

private:
  std::string installer_;
  unique_module module_;
};

// A folder as the shell reports it through SHGetFolderPathA, independently of
// the code under test; "" when unavailable.
std::string ShellFolder(int csidl) {
  char path[MAX_PATH + 1] = {};
  return SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK ? path : "";
}

// Removes the demo company's machine key when made and when destroyed, so the
// marker starts absent and nothing is left behind.
class TDemoKeyCleanup {
public:
  TDemoKeyCleanup() { Remove(); }
  ~TDemoKeyCleanup() { Remove(); }
  TDemoKeyCleanup(const TDemoKeyCleanup&) = delete;
  TDemoKeyCleanup& operator=(const TDemoKeyCleanup&) = delete;

private:
  static void Remove() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCompanyKey); }
};

unique_hkey CreateMarkerKey() {
  unique_hkey key;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMarkerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  return key;
}

void WriteMarker(const char* text) {
  const unique_hkey key = CreateMarkerKey();
  ASSERT_EQ(RegSetValueExA(key.get(), kMarkerName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                           DWORD(std::strlen(text) + 1)),
            ERROR_SUCCESS);
}

class PackedInstallerProject : public testing::Test {
protected:
  void SetUp() override {
    const char* installer = std::getenv("VELK_PACKED_INSTALLER");
    const char* demo = std::getenv("VELK_DEMO_DIR");
    if (!installer || !demo) GTEST_SKIP() << "VELK_PACKED_INSTALLER or VELK_DEMO_DIR not set";
    installer_ = installer;
    demo_ = demo;
    ASSERT_TRUE(host_.emplace(installer_).Loaded()) << installer_ << ": error " << GetLastError();
  }

  TSetupScript DemoScript() const { return TSetupScript(FileBytes(demo_ + "\\setup.ini")); }
  TInstalledState InstalledState() { return TSetupProc(*host_).InstalledState; }

  std::string installer_, demo_;
  std::optional<TPackedInstallerHost> host_;
};

}  // namespace

TEST_F(PackedInstallerProject, TextsFoldersAndEntriesComeFromItsOwnScript) {
  const TSetupProc project(*host_);
  const TSetupScript script = DemoScript();
  EXPECT_EQ(project.ExeFile, installer_);
  EXPECT_EQ(project.CompanyName, "Demo Company");
  EXPECT_EQ(project.ProductName, "Demo Product");
  EXPECT_EQ(project.ProductVersion, script.Text("<ProductVersion>"));
  EXPECT_EQ(project.ProductDescription, script.Text("<ProductDescription>"));
  EXPECT_EQ(project.LangID, 0);
  EXPECT_TRUE(project.UseLang);

  const std::string programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
  ASSERT_FALSE(programFiles.empty());
  EXPECT_EQ(project.SetupLocation, programFiles);
  EXPECT_EQ(project.SetupPath, programFiles + "\\Demo Company\\Demo Product");
  EXPECT_EQ(project.UninstallFile, project.SetupPath + "\\uninstall.exe");

  ASSERT_EQ(project.FileList.size(), script.CountEntries("FileDispName"));
  EXPECT_EQ(project.FileList.size(), 3u);
  for (size_t n = 1; n <= project.FileList.size(); ++n)
    EXPECT_EQ(project.FileList[n - 1].first, script.Text(EntryKey("FileDispName", n))) << "ANSI names survive";
  EXPECT_EQ(project.RegList.size(), script.CountEntries("RegValueLocation"));
  EXPECT_EQ(project.RegList.size(), 12u);
  ASSERT_EQ(project.LinkList.size(), script.CountEntries("LinkDispName"));
  ASSERT_EQ(project.LinkList.size(), 5u);

  EXPECT_EQ(project.ExpandValue(project.LinkList[0].Place), ShellFolder(CSIDL_DESKTOP));
  EXPECT_EQ(project.ExpandValue(project.LinkList[3].Place),
            ShellFolder(CSIDL_PROGRAMS) + "\\Demo Company\\Demo Product");
  EXPECT_EQ(project.ExpandValue(project.FileList[1].second.SetupPath), project.SetupPath + "\\Docs\\User Guide.txt");
}

TEST_F(PackedInstallerProject, LogoAndLicenceComeFromTheInstaller) {
  const TSetupProc project(*host_);
  EXPECT_TRUE(project.HasTopLogo);
  EXPECT_NE(project.LicenseText.find("\r\n"), std::string::npos) << "line ends as packed";
  EXPECT_EQ(SplitLines(project.LicenseText), SplitLines(FileBytes(demo_ + "\\license.txt")));
}

TEST_F(PackedInstallerProject, InstalledStateFollowsTheMarkerInTheRegistry) {
  const TDemoKeyCleanup cleanup;
  {
    const TSetupProc project(*host_);
    size_t markers = 0;
    for (const TRegInfo& entry : project.RegList) {
      if (!entry.CheckVersion) continue;
      ++markers;
      EXPECT_EQ(entry.RootKey, kHKeyLocalMachine);
      EXPECT_EQ(entry.KeyPath, std::string("\\") + kMarkerKey);
      EXPECT_EQ(entry.ValueName, kMarkerName);
      EXPECT_EQ(entry.ValueData, kMarker);
    }
    EXPECT_EQ(markers, 1u);
    EXPECT_EQ(project.InstalledState, TInstalledState::None) << "no key";
  }
  CreateMarkerKey();
  EXPECT_EQ(InstalledState(), TInstalledState::None) << "key without the marker value";

  using enum TInstalledState;
  const std::pair<const char*, TInstalledState> cases[] = {{kMarker, Same}, {"1.0.0.1", Newer}, {"1.0.0", Older}, {"0.9", Older}};
  for (const auto& [installed, state] : cases) {
    WriteMarker(installed);
    EXPECT_EQ(InstalledState(), state) << installed;
  }
}

// The running test program carries no payload: the Windows host gives an empty
// project that still knows its own file.
TEST(WinSetupHost, ProgramWithoutPayloadGivesAnEmptyProject) {
  TWinSetupHost host;
  const TSetupProc project(host);
  EXPECT_TRUE(UpperCaseAscii(project.ExeFile).ends_with("\\WIN32_TESTS.EXE")) << project.ExeFile;
  EXPECT_EQ(project.Instance, GetModuleHandleA(nullptr));
  EXPECT_FALSE(project.HasTopLogo);
  EXPECT_EQ(project.LicenseText, "");
  EXPECT_EQ(project.ProductName, "");
  EXPECT_EQ(project.UninstallFile, "");
  EXPECT_TRUE(project.FileList.empty() && project.RegList.empty() && project.LinkList.empty());
}
