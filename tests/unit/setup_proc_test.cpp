#include "package/c_SetupProc.h"

#include <gtest/gtest.h>

#include "tests/unit/fake_setup_host.h"

namespace {

const char* const kScript =
    "/* remark */\r\n"
    "[SetupInfo]\r\n"
    "<CompanyName>=Acme Tools\r\n"
    "<ProductName>=Widget\r\n"
    "<ProductVersion>=2.0.0.0\r\n"
    "<ProductDescription>=Makes widgets\r\n"
    "<SetupLocation>=<ProgramFilesDir>\r\n"
    "<SetupPath>=<SetupLocation>\\<CompanyName>\\<ProductName>\r\n"
    "<SetupLangID>=1000\r\n"
    "<SetupUseLang>=True\r\n"
    "[SetupFileGroups]\r\n"
    "FileGroupName1=<AppFiles>\r\n"
    "FileGroupPath1=<SetupPath>\r\n"
    "FileGroupName2=<DocFiles>\r\n"
    "FileGroupPath2=<AppFiles>\\Docs\r\n"
    "[SetupFileValues]\r\n"
    "FileDispName1=Widget.exe\r\n"
    "FileSetupPath1=<AppFiles>\\Widget.exe\r\n"
    "FileDoSetup1=True\r\n"
    "FileDoRegister1=False\r\n"
    "FileDispName2=Readme.txt\r\n"
    "FileSetupPath2=<DocFiles>\\Readme.txt\r\n"
    "FileDoSetup2=true\r\n"
    "[SetupRegValues]\r\n"
    "RegValueLocation1=<HKEY_LOCAL_MACHINE>\\Software\\<CompanyName>\\<ProductName>\r\n"
    "RegValueName1=Version\r\n"
    "RegValueType1=<String>\r\n"
    "RegValueValue1=2.0.0.0\r\n"
    "RegCheckVersion1=True\r\n"
    "RegValueLocation2=<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\<ProductName>\r\n"
    "RegValueName2=UninstallString\r\n"
    "RegValueType2=<String>\r\n"
    "RegValueValue2=<AppFiles>\\Uninstall.exe\r\n"
    "[SetupLinkGroups]\r\n"
    "LinkGroupName1=<WidgetMenu>\r\n"
    "LinkGroupPath1=<Programs>\\Widget\r\n"
    "[SetupLinkValues]\r\n"
    "LinkPlace1=<WidgetMenu>\r\n"
    "LinkDispName1=Widget\r\n"
    "LinkStartFile1=<AppFiles>\\Widget.exe\r\n";

}  // namespace

TEST(SetupProc, LoadsTheWholeScriptInOrder) {
  FakeHost host;
  host.SetScript(kScript);
  host.payload[kLicenseResource] = PackResource("Licence\r\ntext");
  host.logo = true;
  const TSetupProc project(host);

  EXPECT_EQ(project.ExeFile, "C:\\Temp\\Setup.exe");
  EXPECT_TRUE(project.HasTopLogo);
  EXPECT_EQ(project.LicenseText, "Licence\r\ntext");
  EXPECT_EQ(project.CompanyName, "Acme Tools");
  EXPECT_EQ(project.ProductDescription, "Makes widgets");
  EXPECT_EQ(project.SetupLocation, "C:\\Program Files");
  EXPECT_EQ(project.SetupPath, "C:\\Program Files\\Acme Tools\\Widget");
  EXPECT_EQ(project.LangID, 1000);
  EXPECT_TRUE(project.UseLang);

  EXPECT_EQ(project.VarList, (std::vector<std::string>{"<AppFiles>=<SetupPath>", "FileGroupName1=<SetupPath>",
                                                       "<DocFiles>=<AppFiles>\\Docs",
                                                       "FileGroupName2=<AppFiles>\\Docs",
                                                       "<WidgetMenu>=<Programs>\\Widget"}));
  ASSERT_EQ(project.FileList.size(), 2u);
  EXPECT_EQ(project.FileList[0].first, "Widget.exe");
  EXPECT_TRUE(project.FileList[0].second.DoSetup);
  EXPECT_FALSE(project.FileList[1].second.DoSetup) << "\"true\" is not \"True\"";
  EXPECT_EQ(project.FileList[1].second.SetupPath, "<DocFiles>\\Readme.txt") << "stored as written";

  ASSERT_EQ(project.RegList.size(), 2u);
  EXPECT_EQ(project.RegList[0].RootKey, kHKeyLocalMachine);
  EXPECT_EQ(project.RegList[0].KeyPath, "\\Software\\Acme Tools\\Widget");
  EXPECT_TRUE(project.RegList[0].CheckVersion);
  EXPECT_EQ(project.UninstallFile, "C:\\Program Files\\Acme Tools\\Widget\\Uninstall.exe");
  EXPECT_EQ(project.InstalledState, TInstalledState::None) << "nothing installed";

  ASSERT_EQ(project.LinkList.size(), 1u);
  EXPECT_EQ(project.LinkList[0].Place, "<WidgetMenu>");
  EXPECT_EQ(project.ExpandValue(project.FileList[1].second.SetupPath),
            "C:\\Program Files\\Acme Tools\\Widget\\Docs\\Readme.txt");
}

TEST(SetupProc, EmptyProjectWithoutUsableScript) {
  for (const std::string& script : {std::string(), std::string("[SetupInf]\r\n<ProductName>=X\r\n"),
                                    std::string(" [SetupInfo]\r\n<ProductName>=X\r\n")}) {
    FakeHost host;
    if (!script.empty()) host.SetScript(script);
    const TSetupProc project(host);
    EXPECT_EQ(project.ProductName, "");
    EXPECT_EQ(project.UninstallFile, "");
    EXPECT_EQ(project.LangID, 0);
    EXPECT_TRUE(project.VarList.empty() && project.FileList.empty() && project.RegList.empty());
    EXPECT_EQ(project.ExeFile, "C:\\Temp\\Setup.exe") << "set independently of the script";
  }
}

TEST(SetupProc, DamagedPayloadCountsAsMissing) {
  FakeHost host;
  host.SetScript(kScript);
  host.payload[kScriptResource].back() ^= 1;
  host.payload[kLicenseResource] = PackResource("licence").substr(0, 6);
  const TSetupProc project(host);
  EXPECT_EQ(project.ProductName, "");
  EXPECT_EQ(project.LicenseText, "");
}

TEST(SetupProc, UninstallFileDefaultsToTheProgramNameInTheDestination) {
  FakeHost host;
  host.SetScript("[SetupInfo]\r\n<SetupPath>=C:\\Apps\\X\r\n[SetupRegValues]\r\n"
                 "RegValueLocation1=<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\X\r\n"
                 "RegValueName1=uninstallstring\r\nRegValueValue1=C:\\wrong.exe\r\n");
  TSetupProc project(host);
  EXPECT_EQ(project.UninstallFile, "C:\\Apps\\X\\Setup.exe") << "value name compared in exact case";
  project.ChooseSetupPath("D:\\");
  EXPECT_EQ(project.UninstallFile, "D:\\Setup.exe") << "never relative to the current folder";
}

TEST(SetupProc, LaterUninstallEntryWinsAndFollowsTheChosenFolder) {
  FakeHost host;
  host.SetScript(kScript + std::string(
                               "[SetupRegValues]\r\n"
                               "RegValueLocation3=<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\W\r\n"
                               "RegValueName3=UninstallString\r\nRegValueValue3=<SetupPath>\\un.exe\r\n"));
  TSetupProc project(host);
  EXPECT_EQ(project.UninstallFile, "C:\\Program Files\\Acme Tools\\Widget\\un.exe");
  project.ChooseSetupPath("D:\\Apps");
  EXPECT_EQ(project.SetupPath, "D:\\Apps");
  EXPECT_EQ(project.UninstallFile, "D:\\Apps\\un.exe");
  EXPECT_EQ(project.ExpandValue("<AppFiles>\\a"), "D:\\Apps\\a");
}

TEST(SetupProc, RemovalUsesTheRecordedInstallLocation) {
  const std::string entry = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Widget";
  FakeHost host;
  host.SetScript(kScript);
  TSetupProc older(host);
  ASSERT_TRUE(older.UninstallEntryKey);
  EXPECT_EQ(older.UninstallEntryKey->RootKey, kHKeyLocalMachine);
  EXPECT_EQ(older.UninstallEntryKey->KeyPath, entry);
  older.UseInstalledLocation();
  EXPECT_EQ(older.SetupPath, "C:\\Program Files\\Acme Tools\\Widget") << "an entry without the value";

  host.SetRegValue(kHKeyLocalMachine, entry, "InstallLocation", "D:\\Elsewhere");
  TSetupProc project(host);
  EXPECT_EQ(project.SetupPath, "C:\\Program Files\\Acme Tools\\Widget") << "read only for the removal";
  project.UseInstalledLocation();
  EXPECT_EQ(project.ExpandValue(project.FileList[1].second.SetupPath), "D:\\Elsewhere\\Docs\\Readme.txt");

  host.SetScript("[SetupInfo]\r\n[SetupRegValues]\r\n"
                 "RegValueLocation1=<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\r\n"
                 "RegValueName1=UninstallString\r\nRegValueValue1=x\r\n");
  EXPECT_FALSE(TSetupProc(host).UninstallEntryKey) << "the list of all entries is no product's key";
}

TEST(SetupProc, InstalledStateComparesTheMarkerAsText) {
  const std::string key = "\\Software\\Acme Tools\\Widget";
  using enum TInstalledState;
  const std::pair<const char*, TInstalledState> cases[] = {{"2.0.0.0", Same}, {"2.0.0.1", Newer}, {"1.9", Older},
                                                           {"2.0.0", Older},  {"2.0.0.0 ", Newer}, {"", None}};
  for (const auto& [installed, state] : cases) {
    FakeHost host;
    host.SetScript(kScript);
    host.SetRegValue(kHKeyLocalMachine, key, "Version", installed);
    EXPECT_EQ(TSetupProc(host).InstalledState, state) << installed;
  }
}

TEST(SetupProc, VersionMarkerIsNotNumeric) {
  FakeHost host;
  host.SetScript("[SetupInfo]\r\n[SetupRegValues]\r\nRegValueLocation1=<HKEY_LOCAL_MACHINE>\\K\r\n"
                 "RegValueName1=V\r\nRegValueValue1=9.0\r\nRegCheckVersion1=True\r\n"
                 "RegValueLocation2=<HKEY_LOCAL_MACHINE>\\K\r\nRegValueName2=W\r\nRegValueValue2=\xe9\r\n"
                 "RegCheckVersion2=True\r\n");
  host.SetRegValue(kHKeyLocalMachine, "\\K", "V", "10.0");
  host.SetRegValue(kHKeyLocalMachine, "\\K", "W", "e");
  // The second marker counts, and bytes compare unsigned: "e" < "\xe9".
  EXPECT_EQ(TSetupProc(host).InstalledState, TInstalledState::Older);
  FakeHost first;
  first.SetScript("[SetupInfo]\r\n[SetupRegValues]\r\nRegValueLocation1=<HKEY_LOCAL_MACHINE>\\K\r\n"
                  "RegValueName1=V\r\nRegValueValue1=9.0\r\nRegCheckVersion1=True\r\n");
  first.SetRegValue(kHKeyLocalMachine, "\\K", "V", "10.0");
  EXPECT_EQ(TSetupProc(first).InstalledState, TInstalledState::Older) << "10.0 sorts before 9.0";
}

// The marker is read under the name the install writes it with: as the script
// gives it, and "(Default Value)" as the key's unnamed value.
TEST(SetupProc, MarkerIsReadUnderTheNameTheInstallWrites) {
  const std::string script = "[SetupInfo]\r\n<ProductName>=P\r\n[SetupFileGroups]\r\nFileGroupName1=<G>\r\n"
                             "FileGroupPath1=g\r\n[SetupRegValues]\r\nRegValueLocation1=<HKEY_LOCAL_MACHINE>\\K\r\n"
                             "RegValueValue1=1\r\nRegCheckVersion1=True\r\nRegValueName1=";
  FakeHost host;
  host.SetScript(script + "(Default Value)\r\n");
  host.SetRegValue(kHKeyLocalMachine, "\\K", "", "1");
  EXPECT_EQ(TSetupProc(host).InstalledState, TInstalledState::Same);
  host.SetScript(script + "<G><ProductName>\r\n");
  host.SetRegValue(kHKeyLocalMachine, "\\K", "gP", "1");
  EXPECT_EQ(TSetupProc(host).InstalledState, TInstalledState::None) << "not expanded";
  host.SetRegValue(kHKeyLocalMachine, "\\K", "<G><ProductName>", "1");
  EXPECT_EQ(TSetupProc(host).InstalledState, TInstalledState::Same);
}

class ExpandTest : public ::testing::Test {
protected:
  ExpandTest() {
    host.SetScript("[SetupInfo]\r\n<ProductName>=Widget\r\n<SetupLocation>=<AppFiles>x\r\n"
                   "<SetupPath>=<Desktop>\\W\r\n[SetupFileGroups]\r\n"
                   "FileGroupName1=<AppFiles>\r\nFileGroupPath1=<SetupPath>\\bin\r\n"
                   "FileGroupName2=<SetupPath>\r\nFileGroupPath2=hidden\r\n"
                   "FileGroupName3=<Loop>\r\nFileGroupPath3=a<Loop>\r\n"
                   "FileGroupName4=<PingA>\r\nFileGroupPath4=<PingB>\r\n"
                   "FileGroupName5=<PingB>\r\nFileGroupPath5=<PingA>b\r\n"
                   "FileGroupName6=<Twice>\r\nFileGroupPath6=x<Twice><Twice>\r\n");
  }
  FakeHost host;
};

TEST_F(ExpandTest, VariablesAndPlainText) {
  const TSetupProc project(host);
  EXPECT_EQ(project.ExpandValue(""), "");
  EXPECT_EQ(project.ExpandValue("plain a>b text"), "plain a>b text");
  EXPECT_EQ(project.ExpandValue("<productname>!"), "Widget!") << "built-ins ignore case";
  EXPECT_EQ(project.ExpandValue("<desktop>\\x"), "\\x") << "special folders are exact case";
  EXPECT_EQ(project.ExpandValue("<Unknown>\\x<"), "\\x<") << "unknown names vanish; a lone < stays";
  EXPECT_EQ(project.ExpandValue("a<b"), "a<b");
  EXPECT_EQ(project.ExpandValue("<ExeFile>"), "C:\\Temp\\Setup.exe");
}

TEST_F(ExpandTest, GroupVariablesComeFirstAndRecurse) {
  const TSetupProc project(host);
  EXPECT_EQ(project.SetupLocation, "x") << "no group variable exists while it is expanded";
  EXPECT_EQ(project.SetupPath, "C:\\Users\\u\\Desktop\\W");
  EXPECT_EQ(project.ExpandValue("<SetupPath>"), "hidden") << "a group named <SetupPath> hides the built-in";
  EXPECT_EQ(project.ExpandValue("<APPFILES>"), "hidden\\bin");
}

TEST_F(ExpandTest, SelfReferenceEnds) {
  const TSetupProc project(host);
  const std::string loop = project.ExpandValue("<Loop>");
  EXPECT_EQ(loop, std::string(32, 'a'));
  EXPECT_EQ(project.ExpandValue("<PingA>|"), std::string(16, 'b') + "|");
  // Used twice in its own value, the work would double at every level.
  const std::string twice = project.ExpandValue("<Twice>");
  EXPECT_EQ(twice.find_first_not_of('x'), std::string::npos);
  EXPECT_GT(twice.size(), 32u);
  EXPECT_LE(twice.size(), 4096u);
}

TEST(SetupProc, LongValueUsedTwiceInItselfStaysBounded) {
  // 4,096 substitutions of a 10,000-character value would make 40 MB of text.
  FakeHost host;
  host.SetScript("[SetupInfo]\r\n[SetupFileGroups]\r\nFileGroupName1=<Long>\r\nFileGroupPath1=" +
                 std::string(10000, 'x') + "<Long><Long>\r\n");
  const std::string expanded = TSetupProc(host).ExpandValue("<Long>");
  EXPECT_EQ(expanded.find_first_not_of('x'), std::string::npos);
  EXPECT_GT(expanded.size(), 10000u);
  EXPECT_LE(expanded.size(), 2u << 20);
}

TEST(ExpandRegKey, RulesOfTheKeyPath) {
  FakeHost host;
  host.SetScript("[SetupInfo]\r\n<CompanyName>=Acme\r\n<ProductName>=W\r\n<ProductVersion>=1\r\n");
  const TSetupProc project(host);
  EXPECT_EQ(project.ExpandRegKey("<HKEY_CURRENT_USER>\\Software\\X"), "\\Software\\X");
  EXPECT_EQ(project.ExpandRegKey("<HKCU>\\Software\\X"), "") << "no HKEY_";
  EXPECT_EQ(project.ExpandRegKey("HKEY_CURRENT_USER\\Software"), "");
  EXPECT_EQ(project.ExpandRegKey("<HKEY_USERS>\\<CompanyName>\\<CompanyName>\\<ProductVersion>"),
            "\\Acme\\<CompanyName>\\1");
  EXPECT_EQ(project.ExpandRegKey("<HKEY_USERS>\\<productname>\\<ProductName>"), "\\W\\<ProductName>")
      << "the first occurrence in any case is replaced";
  EXPECT_EQ(project.ExpandRegKey("<HKEY_USERS>\\<Desktop>\\<ProductDescription>"), "\\<Desktop>\\<ProductDescription>");
}
