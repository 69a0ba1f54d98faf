#include "setup/u_FinishActions.h"

#include <gtest/gtest.h>

#include "tests/unit/fake_setup_host.h"
#include "tests/unit/fake_workers.h"

namespace {

using Log = std::vector<std::string>;

// Logs "link <name>|<folder>|<target>|<description>", "read program",
// "folder <path>", "write <file> <bytes>" and "start <file> in <folder>".
class FakeFinishSystem : public IFinishSystem {
public:
  void CreateShortcut(const std::string& name, const std::string& folder, const std::string& target,
                      const std::string& description) override {
    if (folder.empty()) throw ESetupError(TText::UnableToCreateDirectory);
    log.push_back("link " + name + "|" + folder + "|" + target + "|" + description);
  }
  TOutcome<Bytes> ReadProgramFile() override {
    log.push_back("read program");
    if (program.empty()) return TResult(1, "setup.exe", "refused");
    return program;
  }
  TResult ForceDirectories(const std::string& path) override {
    log.push_back("folder " + path);
    return {};
  }
  TResult WriteWholeFile(const std::string& fileName, std::string_view data) override {
    log.push_back("write " + fileName + " " + std::string(data));
    return refuseWrite ? TResult(1, fileName, "refused") : TResult();
  }
  void StartProgram(const std::string& fileName, const std::string& folder) override {
    log.push_back("start " + fileName + " in " + folder);
  }

  Bytes program = "MZ setup";
  bool refuseWrite = false;
  Log log;
};

const std::string kScript =
    "[SetupInfo]\r\n<ProductName>=Widget\r\n<ProductDescription>=Makes <ProductName>s\r\n"
    "<SetupPath>=C:\\Apps\\Widget\r\n"
    "[SetupFileGroups]\r\nFileGroupName1=<AppFiles>\r\nFileGroupPath1=<SetupPath>\r\n"
    "[SetupRegValues]\r\n"
    "RegValueLocation1=<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\W\r\n"
    "RegValueName1=UninstallString\r\nRegValueValue1=<AppFiles>\\uninstall.exe\r\n"
    "[SetupLinkGroups]\r\nLinkGroupName1=<Menu>\r\nLinkGroupPath1=<Programs>\\Widget\r\n"
    "[SetupLinkValues]\r\n"
    "LinkPlace1=<StartMenu>\r\nLinkDispName1=<ProductName>\r\nLinkStartFile1=<AppFiles>\\w.exe\r\n"
    "LinkPlace2=<Programs>\r\nLinkDispName2=P\r\nLinkStartFile2=p\r\n"
    "LinkPlace3=<Desktop>\r\nLinkDispName3=D\r\nLinkStartFile3=d\r\n"
    "LinkPlace4=<QuickLaunchPanel>\r\nLinkDispName4=Q\r\nLinkStartFile4=q\r\n"
    "LinkPlace5=<Menu>\r\nLinkDispName5=G\r\nLinkStartFile5=g\r\n";

std::string Files(const std::string& first) {
  return "[SetupFileValues]\r\nFileDispName1=a\r\nFileSetupPath1=" + first +
         "\r\nFileDispName2=b\r\nFileSetupPath2=<AppFiles>\\b.exe\r\n";
}

struct Project {
  explicit Project(const std::string& script) : host(script), project(host) {
    host.folders.folders[kCsidlStartMenu] = "C:\\Start";
    host.folders.folders[kCsidlPrograms] = "C:\\Start\\Programs";
    host.folders.folders[kCsidlDesktop] = "C:\\Desk";
    host.folders.folders[kCsidlAppData] = "C:\\Data";
  }
  FakeHost host;
  TSetupProc project;
};

}  // namespace

// The check boxes as the finished page shows them first.
constexpr TFinishChoices kStartChoices{.StartMenu = false, .Programs = true, .Desktop = true, .QuickLaunch = true};

TEST(FinishActions, TheFirstPlaceTokenDecidesThroughItsCheckBox) {
  const TFinishChoices start = kStartChoices;
  EXPECT_FALSE(ShortcutChosen("<StartMenu>", start));
  EXPECT_TRUE(ShortcutChosen("<Programs>\\X", start));
  EXPECT_TRUE(ShortcutChosen("<Desktop>", start));
  EXPECT_TRUE(ShortcutChosen("<QuickLaunchPanel>", start));
  EXPECT_TRUE(ShortcutChosen("<MyGroup>", TFinishChoices{.Programs = false}));
  EXPECT_TRUE(ShortcutChosen("", TFinishChoices{false, false, false, false}));
  EXPECT_FALSE(ShortcutChosen("<StartMenu><Desktop>", start)) << "StartMenu is tested first";
  EXPECT_FALSE(ShortcutChosen("<Desktop>\\<Programs>", TFinishChoices{.Desktop = true}));
  EXPECT_TRUE(ShortcutChosen("<desktop>", TFinishChoices{.Desktop = false})) << "tokens are case-sensitive";
}

TEST(FinishActions, ShortcutsUninstallerCopyAndLaunchInOrder) {
  Project p(kScript + Files("<AppFiles>\\Widget.EXE"));
  FakeFinishSystem system;
  EXPECT_TRUE(FinishActions(p.project, TFinishChoices{.Programs = true, .QuickLaunch = true, .RunProgram = true}, system));
  EXPECT_EQ(system.log, (Log{
                            "link P|C:\\Start\\Programs|p|Makes <ProductName>s",
                            "link Q|C:\\Data\\Microsoft\\Internet Explorer\\Quick Launch|q|Makes <ProductName>s",
                            "link G|C:\\Start\\Programs\\Widget|g|Makes <ProductName>s",
                            "read program",
                            "folder C:\\Apps\\Widget\\",
                            "write C:\\Apps\\Widget\\uninstall.exe MZ setup",
                            "start C:\\Apps\\Widget\\Widget.EXE in C:\\Apps\\Widget\\",
                        }));
}

TEST(FinishActions, CopyAndLaunchOnlyWhenTheyApply) {
  {
    Project p(kScript + Files("<AppFiles>\\readme.txt"));
    p.project.UninstallFile = "c:\\temp\\SETUP.exe";  // running from the uninstaller itself
    FakeFinishSystem system;
    EXPECT_TRUE(FinishActions(p.project, TFinishChoices{false, false, false, false, true}, system));
    EXPECT_EQ(system.log, Log{"link G|C:\\Start\\Programs\\Widget|g|Makes <ProductName>s"})
        << "no copy; a first file that is no program is not started, and no later one is tried";
  }
  {
    Project p("[SetupInfo]\r\n<SetupPath>=C:\\W\r\n" + Files("C:\\w.exe"));
    FakeFinishSystem system;
    system.program.clear();  // the running program cannot be read
    const TResult copied = FinishActions(p.project, TFinishChoices{}, system);
    EXPECT_EQ(copied.Item(), "setup.exe") << "told";
    EXPECT_EQ(copied.Reason(), "refused");
    EXPECT_EQ(system.log, Log{"read program"}) << "nothing written, and no launch unless asked";
  }
  {
    Project p("[SetupInfo]\r\n<SetupPath>=C:\\Apps\\W\r\n");
    p.project.ChooseSetupPath("D:\\Chosen");
    FakeFinishSystem system;
    system.refuseWrite = true;
    const TResult copied = FinishActions(p.project, TFinishChoices{.RunProgram = true}, system);
    EXPECT_EQ(copied.Item(), "D:\\Chosen\\Setup.exe");
    EXPECT_EQ(copied.Reason(), "refused");
    EXPECT_EQ(system.log, (Log{"read program", "folder D:\\Chosen\\", "write D:\\Chosen\\Setup.exe MZ setup"}))
        << "without an uninstall entry the copy goes to the destination under the program's name; no launch";
  }
}

TEST(FinishActions, AShortcutErrorStopsEverythingAfterIt) {
  Project p(kScript + "[SetupLinkValues]\r\nLinkPlace6=<Nowhere>\r\nLinkDispName6=X\r\nLinkStartFile6=x\r\n" +
            "LinkPlace7=<Desktop>\r\nLinkDispName7=Y\r\nLinkStartFile7=y\r\n" + Files("C:\\w.exe"));
  FakeFinishSystem system;
  TFinishChoices choices = kStartChoices;
  choices.RunProgram = true;
  EXPECT_THROW(FinishActions(p.project, choices, system), ESetupError);
  ASSERT_EQ(system.log.size(), 4u);
  EXPECT_TRUE(system.log.back().starts_with("link G|")) << "the shortcuts before it exist, nothing after";
}
