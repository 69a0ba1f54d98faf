#include "packer/u_Harvest.h"

#include <gtest/gtest.h>

#include <sstream>

#include "package/u_SetupScript.h"
#include "packer/u_Files.h"
#include "packer/u_PackError.h"
#include "packer/u_ScriptChecks.h"
#include "packer/u_StarterScript.h"
#include "pe_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr char kOwnPart[] =
    "/* remark */\r\n[SetupInfo]\r\n<ProductName>=P\r\n[SetupFileValues]\r\n"
    "FileLocation1=product\\app.exe\r\nFileDispName1=App.exe\r\nFileSetupPath1=<SetupPath>\\App.exe\r\n";

class HarvestTest : public testing::Test {
protected:
  HarvestTest() {
    folder_.Write("product/app.exe", "program");
    folder_.Write("product/readme.txt", "read me");
    folder_.Write("product/docs/Guide.txt", "guide");
    folder_.Write("product/docs/api/README.TXT", "api");
    fs::create_directories(folder_.Path() / "product/empty");
  }

  fs::path Script() const { return folder_.Path() / "setup.ini"; }

  // Harvests into the script; the text written, or the error after the log.
  std::string Harvest(int codePage = 1252) {
    log_.str("");
    try {
      HarvestFolder({folder_.Path() / "product", Script(), codePage}, {log_, log_});
      return ReadWholeFile(Script());
    } catch (const TPackError& e) {
      return log_.str() + e.Where() + ": error: " + e.what();
    }
  }

  static std::string Harvested(const std::string& text) {
    const size_t begin = text.find("/* velkpack harvest begin");
    return begin == std::string::npos ? "" : text.substr(begin);
  }

  TTestFolder folder_;
  std::ostringstream log_;
};

}  // namespace

TEST_F(HarvestTest, WritesAGroupPerFolderAndAnEntryPerFileAfterTheScriptsOwn) {
  folder_.Write("setup.ini", std::string(kOwnPart) + "[SetupLinkValues]\r\nLinkDispName1=x");
  const std::string text = Harvest();
  // The own part stays as it was; its last line gets the line end the block needs.
  EXPECT_EQ(text.substr(0, text.find("/* velkpack")), std::string(kOwnPart) + "[SetupLinkValues]\r\nLinkDispName1=x\r\n");
  EXPECT_EQ(Harvested(text),
            "/* velkpack harvest begin: lines up to the end line are rewritten by velkpack harvest */\r\n"
            "[SetupFileGroups]\r\n"
            "FileGroupName1=<product>\r\nFileGroupDispName1=product\r\nFileGroupPath1=<SetupPath>\r\n"
            "FileGroupName2=<product\\docs>\r\nFileGroupDispName2=product\\docs\r\nFileGroupPath2=<SetupPath>\\docs\r\n"
            "FileGroupName3=<product\\docs\\api>\r\nFileGroupDispName3=product\\docs\\api\r\n"
            "FileGroupPath3=<SetupPath>\\docs\\api\r\n"
            "FileGroupName4=<product\\empty>\r\nFileGroupDispName4=product\\empty\r\nFileGroupPath4=<SetupPath>\\empty\r\n"
            "[SetupFileValues]\r\n"
            "FileLocation2=product\\readme.txt\r\nFileDispName2=readme.txt\r\nFileFolder2=<product>\r\n"
            "FileSetupPath2=<product>\\readme.txt\r\nFileDoSetup2=True\r\nFileDoRegister2=False\r\n"
            "FileLocation3=product\\docs\\Guide.txt\r\nFileDispName3=Guide.txt\r\nFileFolder3=<product\\docs>\r\n"
            "FileSetupPath3=<product\\docs>\\Guide.txt\r\nFileDoSetup3=True\r\nFileDoRegister3=False\r\n"
            "FileLocation4=product\\docs\\api\\README.TXT\r\nFileDispName4=README (2).TXT\r\n"
            "FileFolder4=<product\\docs\\api>\r\nFileSetupPath4=<product\\docs\\api>\\README.TXT\r\n"
            "FileDoSetup4=True\r\nFileDoRegister4=False\r\n"
            "/* velkpack harvest end */\r\n");
  EXPECT_NE(log_.str().find("3 file(s) in 4 folder(s) as file groups 1-4 and files 2-4; 1 file(s) left"), std::string::npos)
      << log_.str();
  EXPECT_TRUE(CheckScript(TSetupScript(text), 1252).empty());
}

TEST_F(HarvestTest, ARerunRewritesOnlyItsOwnPartAndNumbersAfterNewOwnEntries) {
  const std::string after = "; own lines after the block\nFileDispName2=Extra.txt\n";
  folder_.Write("setup.ini", std::string(kOwnPart) + after);
  Harvest();
  folder_.Write("product/docs/New.txt", "new");
  fs::remove(folder_.Path() / "product/readme.txt");
  const std::string text = Harvest();
  const size_t end = text.find("/* velkpack harvest end */\r\n") + 28;
  EXPECT_TRUE(text.starts_with(std::string(kOwnPart) + after)) << text;
  EXPECT_EQ(end, text.size());
  EXPECT_NE(text.find("FileLocation3=product\\docs\\Guide.txt\r\n"), std::string::npos);  // after own entry 2
  EXPECT_NE(text.find("FileDispName4=New.txt\r\n"), std::string::npos);
  EXPECT_EQ(text.find("readme.txt"), std::string::npos);
  EXPECT_NE(text.find("FileDispName5=README.TXT\r\n"), std::string::npos);  // its name is free again
  EXPECT_EQ(Harvest(), text);  // nothing changed, nothing to rewrite
}

TEST_F(HarvestTest, KeepsTheScriptsLineEndsAndTheLinesAroundTheBlock) {
  folder_.Write("setup.ini", "[SetupInfo]\n");
  const std::string first = Harvest();
  folder_.Write("setup.ini", "top\n" + first + "bottom\n");
  const std::string text = Harvest();
  EXPECT_TRUE(text.starts_with("top\n[SetupInfo]\n/* velkpack harvest begin")) << text;
  EXPECT_TRUE(text.ends_with("/* velkpack harvest end */\nbottom\n")) << text;
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(HarvestTest, NamesThatDifferOnlyInCaseInOneFolderAreRefused) {
  folder_.Write("product/docs/guide.txt", "other");
  folder_.Write("setup.ini", kOwnPart);
  const std::string result = Harvest();
  EXPECT_NE(result.find("guide.txt: error: differs from 'Guide.txt' only in case"), std::string::npos) << result;
  EXPECT_NE(result.find("1 error(s) in the folder; the script was not changed"), std::string::npos) << result;
  EXPECT_EQ(ReadWholeFile(Script()), kOwnPart);
}

TEST_F(HarvestTest, NamesTheCodePageCannotHoldAreRefusedWithTheFile) {
  folder_.Write("product/\xD0\x9F\xD1\x80\xD0\xB8.txt", "Cyrillic");  // UTF-8 on this system
  folder_.Write("product/bad:name.txt", "");
  folder_.Write("setup.ini", kOwnPart);
  const std::string western = Harvest(1252);
  EXPECT_NE(western.find("product/\xD0\x9F\xD1\x80\xD0\xB8.txt: error: the name holds characters that code page 1252 "
                         "cannot hold"),
            std::string::npos)
      << western;
  EXPECT_NE(western.find("bad:name.txt: error: the name holds a character that Windows file names cannot hold"),
            std::string::npos);
  EXPECT_EQ(ReadWholeFile(Script()), kOwnPart);
  fs::remove(folder_.Path() / "product/bad:name.txt");
  EXPECT_NE(Harvest(1251).find("FileDispName3=\xCF\xF0\xE8.txt\r\n"), std::string::npos) << log_.str();
}

TEST_F(HarvestTest, AnEmptyFolderIsOneGroupWithoutFiles) {
  folder_.Write("setup.ini", "[SetupInfo]\r\n");
  fs::remove_all(folder_.Path() / "product");
  fs::create_directories(folder_.Path() / "product");
  EXPECT_EQ(Harvested(Harvest()),
            "/* velkpack harvest begin: lines up to the end line are rewritten by velkpack harvest */\r\n"
            "[SetupFileGroups]\r\nFileGroupName1=<product>\r\nFileGroupDispName1=product\r\nFileGroupPath1=<SetupPath>\r\n"
            "[SetupFileValues]\r\n/* velkpack harvest end */\r\n");
}

TEST_F(HarvestTest, RefusesOwnEntriesThatTheNumberingWouldClashWithAndBrokenMarkers) {
  folder_.Write("setup.ini", std::string(kOwnPart) + "FileDoSetup3=True\r\n");
  EXPECT_NE(Harvest().find("setup.ini:8: error: FileDoSetup3 is beyond the script's own entries, which end at 1"),
            std::string::npos);
  folder_.Write("setup.ini", std::string(kOwnPart) + "/* velkpack harvest begin */\r\n");
  EXPECT_NE(Harvest().find("setup.ini:8: error: the harvest begin line has no end line"), std::string::npos);
  folder_.Write("setup.ini", "[SetupInfo]\r\n/* velkpack harvest end */\r\n");
  EXPECT_NE(Harvest().find("setup.ini:2: error: a harvest end line without its begin line"), std::string::npos);
}

TEST_F(HarvestTest, LinksToFoldersAreNotFollowedAndDanglingLinksArePassedOver) {
  fs::create_directory_symlink(folder_.Path() / "product", folder_.Path() / "product/docs/loop");
  fs::create_symlink(folder_.Path() / "nowhere", folder_.Path() / "product/dangling.txt");
  folder_.Write("setup.ini", kOwnPart);
  const std::string text = Harvest();
  EXPECT_NE(log_.str().find("loop: note: a link to a folder, not followed"), std::string::npos) << log_.str();
  EXPECT_NE(log_.str().find("dangling.txt: note: neither a file nor a folder"), std::string::npos) << log_.str();
  EXPECT_EQ(TSetupScript(text).CountEntries("FileDispName"), 4u);
}

TEST_F(HarvestTest, GroupVariablesAvoidBuiltInAndTakenNames) {
  fs::rename(folder_.Path() / "product", folder_.Path() / "SetupPath");
  folder_.Write("setup.ini", "[SetupFileGroups]\r\nFileGroupName1=<SetupPath\\docs>\r\n");
  log_.str("");
  HarvestFolder({folder_.Path() / "SetupPath", Script(), 1252}, {log_, log_});
  const std::string text = ReadWholeFile(Script());
  EXPECT_NE(text.find("FileGroupName2=<SetupPath (2)>\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("FileGroupName3=<SetupPath\\docs (2)>\r\n"), std::string::npos) << text;
}

// The values of the uninstall entry are checked in the registry by the end-to-end test.
TEST_F(HarvestTest, TheStarterScriptHasTheProgramFirstAndTheVersionMarker) {
  const TStarterRequest request{folder_.Path() / "product", Script(), "Maker", "Thing", "2.0", 1252};
  WriteStarterScript(request, {log_, log_});
  const TSetupScript script(ReadWholeFile(Script()));
  EXPECT_TRUE(CheckScript(script, 1252).empty());
  EXPECT_TRUE(CheckRemoval(script).empty());
  EXPECT_EQ(script.Text("FileSetupPath1"), "<SetupPath>\\app.exe");
  EXPECT_EQ(script.CountEntries("FileDispName"), 4u);  // the program and three harvested files
  EXPECT_EQ(script.Text("RegValueValue1"), "<ProductVersion>");  // raised with the version, by one -D
  EXPECT_EQ(script.Text("<ProductVersion>"), "2.0");
  EXPECT_TRUE(script.Boolean("RegCheckVersion1"));
  EXPECT_THROW(WriteStarterScript(request, {log_, log_}), TPackError);  // never over an existing script
  fs::remove(Script());
  for (const auto* product : {"A/B", "Thing.", ""})
    EXPECT_THROW(WriteStarterScript({request.folder, Script(), "Maker", product, "2.0", 1252}, {log_, log_}), TPackError)
        << product;  // it names a folder of the destination
  EXPECT_FALSE(fs::exists(Script()));
}
