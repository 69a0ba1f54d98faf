#include "packer/u_ScriptChecks.h"

#include <gtest/gtest.h>

namespace {

// A small script in the build step's form; each test appends or changes lines.
const std::string kScript =
    "/* remark */\n"                      // 1
    "[SetupInfo]\n"                       // 2
    "<ProductName>=P\n"                   // 3
    "<SetupPath>=<ProgramFilesDir>\\P\n"  // 4
    "<SetupUseLang>=True\n"               // 5
    "[SetupFileGroups]\n"                 // 6
    "FileGroupName1=<AppFiles>\n"         // 7
    "FileGroupPath1=<SetupPath>\n"        // 8
    "[SetupFileValues]\n"                 // 9
    "FileLocation1=a.txt\n"               // 10
    "FileDispName1=a.txt\n"               // 11
    "FileSetupPath1=<AppFiles>\\a.txt\n"  // 12
    "FileDoSetup1=True\n"                 // 13
    "[SetupRegValues]\n"                  // 14
    "RegValueLocation1=<HKEY_CURRENT_USER>\\Software\\P\n"  // 15
    "RegValueType1=<String>\n"                              // 16
    "RegValueValue1=<AppFiles>\n"                           // 17
    "[SetupLinkGroups]\n"                                   // 18
    "[SetupLinkValues]\n";                                  // 19

struct TExpected {
  TScriptIssue::TKind kind;
  size_t line;
  std::string words;  // a part of the message
};

void ExpectIssues(const std::string& text, const std::vector<TExpected>& expected, int codePage = 1252) {
  const auto issues = CheckScript(TSetupScript(text), codePage);
  ASSERT_EQ(issues.size(), expected.size()) << [&] {
    std::string all;
    for (const auto& i : issues) all += std::to_string(i.line) + ": " + i.text + "\n";
    return all;
  }();
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(issues[i].kind, expected[i].kind) << issues[i].text;
    EXPECT_EQ(issues[i].line, expected[i].line) << issues[i].text;
    EXPECT_NE(issues[i].text.find(expected[i].words), std::string::npos) << issues[i].text;
  }
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

constexpr auto E = TScriptIssue::Error;
constexpr auto W = TScriptIssue::Warning;

}  // namespace

TEST(ScriptChecks, AWellFormedScriptHasNoIssues) { ExpectIssues(kScript, {}); }

TEST(ScriptChecks, ErrorsNameTheLine) {
  ExpectIssues(Replaced(kScript, "[SetupInfo]", "[SetupInf]"), {{E, 0, "no [SetupInfo] header"}});
  ExpectIssues(Replaced(kScript, "FileDispName1=a.txt", "FileDispName1="), {{E, 11, "is empty"}});
  ExpectIssues(Replaced(kScript, "FileLocation1=a.txt", "FileLocation1="), {{E, 11, "no FileLocation1"}});
  ExpectIssues(Replaced(kScript, "FileDispName1=a.txt", "FileDispName1=#12"), {{E, 11, "looked up as a number"}});
  ExpectIssues(Replaced(kScript, "FileDispName1=a.txt", "FileDispName1=SetupInfo"),
               {{E, 11, "replace the payload's own resource SETUPINFO"}});
  ExpectIssues(kScript + "FileLocation2=b\nFileDispName2=A.TXT\n", {{E, 21, "same payload name as the file of line 11"}});
}

TEST(ScriptChecks, NamesCollideAsTheLoaderUpperCasesThem) {
  const std::string twoNames = kScript + "FileLocation2=b\nFileDispName2=\xC9t\xE9.txt\nFileLocation3=c\nFileDispName3=\xE9t\xE9.txt\n";
  // "Été" and "été": the installer leaves É/é alone, the loader upper-cases both.
  ExpectIssues(twoNames, {{E, 23, "same payload name as the file of line 21"}});
}

TEST(ScriptChecks, EntriesAfterAGapAndStrayNumbers) {
  ExpectIssues(kScript + "FileLocation3=c\nFileDispName3=c\nFileDispName03=d\n",
               {{W, 20, "'FileLocation3' belongs to no entry (the entries end at 1)"},
                {W, 21, "'FileDispName3' follows a gap (the entries end at 1)"},
                {W, 22, "without leading zeros"}});
  ExpectIssues(kScript + "LinkDispName2=x\n", {{W, 20, "follows a gap (there is no entry 1)"}});
}

TEST(ScriptChecks, KeyNamesWithSpacesAndRepeatedKeys) {
  ExpectIssues(kScript + "FileDoRegister1 =True\n", {{W, 20, "has spaces around it"}});
  ExpectIssues(kScript + " <ProductName>=Q\n", {{W, 20, "has spaces around it"}});
  ExpectIssues(kScript + "filedosetup1=False\n", {{W, 20, "repeats the key of line 13"}});
  ExpectIssues(kScript + "remark = not a key\n", {});
}

TEST(ScriptChecks, BooleansOtherThanTrueOrFalse) {
  ExpectIssues(Replaced(kScript, "FileDoSetup1=True", "FileDoSetup1=true"), {{W, 13, "reads as False"}});
  ExpectIssues(Replaced(kScript, "<SetupUseLang>=True", "<SetupUseLang>=1"), {{W, 5, "reads as False"}});
  ExpectIssues(kScript.substr(0, kScript.find("[SetupRegValues]")) + "[SetupRegValues]\nRegValueLocation1=<HKEY_USERS>\\x\n"
                   "RegValueType1=<AutoKey>\nRegCheckVersion1=yes\n",
               {{W, 17, "reads as False"}});
}

TEST(ScriptChecks, UnknownVariables) {
  ExpectIssues(Replaced(kScript, "<ProgramFilesDir>\\P", "<ProgramFiles>\\P"), {{W, 4, "unknown variable <ProgramFiles>"}});
  ExpectIssues(Replaced(kScript, "<ProgramFilesDir>\\P", "<programfilesdir>\\P"), {{W, 4, "case-sensitive"}});
  ExpectIssues(Replaced(kScript, "<ProgramFilesDir>\\P", "<AppFiles>\\P"), {{W, 4, "not defined yet"}});
  ExpectIssues(Replaced(kScript, "<AppFiles>\\a.txt", "<APPFILES>\\<productname>\\<Nope>"),
               {{W, 12, "unknown variable <Nope>"}});
  ExpectIssues(Replaced(kScript, "RegValueValue1=<AppFiles>", "RegValueValue1=a<b"), {});
}

TEST(ScriptChecks, HeadersWithSpacesAndMissingHeaders) {
  ExpectIssues(Replaced(kScript, "[SetupFileValues]", " [SetupFileValues]"),
               {{W, 9, "has spaces around it"}, {W, 11, "no [SetupFileValues] header line"}});
  ExpectIssues(Replaced(kScript, "RegValueType1=<String>", "RegValueType1=<string>"), {{W, 16, "no registry type"}});
}

// Every check used to recount the entries for each key it looked at, so a
// script of thousands of entries took minutes to check; its findings stay the
// same as for a small one.
TEST(ScriptChecks, ThousandsOfEntriesAreCheckedLikeFew) {
  constexpr size_t kFiles = 5000;
  std::string text = kScript;
  for (size_t n = 2; n <= kFiles; ++n) {
    const std::string name = "f" + std::to_string(n) + ".txt";
    text += "FileLocation" + std::to_string(n) + "=" + name + "\nFileDispName" + std::to_string(n) + "=" + name +
            "\nFileSetupPath" + std::to_string(n) + "=<AppFiles>\\" + name + "\nFileDoSetup" + std::to_string(n) +
            "=True\nFileDoRegister" + std::to_string(n) + "=No\n";
  }
  text += "FileDispName" + std::to_string(kFiles + 2) + "=late.txt\n";
  const auto issues = CheckScript(TSetupScript(text), 1252);
  ASSERT_EQ(issues.size(), kFiles);
  EXPECT_NE(issues.front().text.find("FileDoRegister2=No reads as False"), std::string::npos) << issues.front().text;
  EXPECT_NE(issues.back().text.find("follows a gap (the entries end at 5000)"), std::string::npos)
      << issues.back().text;
}

// An uninstall entry needs its UninstallString under the uninstall key, and
// Remove needs the marker; a missing one is named on the values' header.
TEST(ScriptChecks, AProductThatCouldNotBeRemovedIsWarnedAbout) {
  const std::string uninstall = "RegValueLocation2=<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion"
                                "\\Uninstall\\P\nRegValueName2=UninstallString\nRegValueValue2=<SetupPath>\\u.exe\n";
  const std::string marked = Replaced(kScript, "RegValueValue1=<AppFiles>\n", "RegValueValue1=1\nRegCheckVersion1=True\n");
  EXPECT_TRUE(CheckRemoval(TSetupScript(Replaced(marked, "[SetupLinkGroups]", uninstall + "[SetupLinkGroups]"))).empty());
  const auto issues = CheckRemoval(TSetupScript(Replaced(marked, "[SetupLinkGroups]",
                                                         Replaced(uninstall, "\\Uninstall\\P", "\\P") + "[SetupLinkGroups]")));
  ASSERT_EQ(issues.size(), 1u);
  EXPECT_EQ(issues[0].line, 14u);
  EXPECT_NE(issues[0].text.find("no UninstallString value"), std::string::npos) << issues[0].text;
  EXPECT_EQ(CheckRemoval(TSetupScript("[SetupInfo]\n")).size(), 2u);
}
