#include "packer/u_CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>

#include "packer/c_PeImage.h"
#include "packer/u_Files.h"
#include "packer/u_ScriptDefines.h"
#include "pe_fixture.h"

namespace fs = std::filesystem;

namespace {

// A release tree in a test folder: bin/velkpack (never run: only its place
// counts) and share/velksetup/setup.exe, with a product script beside them.
class CommandLineTest : public testing::Test {
protected:
  CommandLineTest() {
    folder_.Write("share/velksetup/setup.exe", MakeImage(StubResources()));
    folder_.Write("product/a.txt", "a");
    folder_.Write("product/setup.ini",
                  "[SetupInfo]\n<ProductVersion>=1.0\n[SetupFileValues]\nFileLocation1=a.txt\nFileDispName1=a.txt\n");
  }

  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunVelkpack({args.begin(), args.end()}, folder_.Path() / "bin/velkpack", out_, err_);
  }
  std::string Path(const std::string& name) const { return (folder_.Path() / name).string(); }

  static std::string PackedScript(const fs::path& installer) {
    TPeImage image(ReadWholeFile(installer));
    const TOutcome<Bytes> script =
        UnpackResource(image.Resources().Find(Named(u"VELKSETUP"), Named(u"SETUPINFO"))->bytes);
    EXPECT_TRUE(script);
    return script ? *script : Bytes();
  }

  TTestFolder folder_;
  std::ostringstream out_, err_;
};

}  // namespace

TEST_F(CommandLineTest, PackTakesTheSetupProgramShippedWithItAndTheDefinesOfTheBuild) {
  ASSERT_EQ(Run({"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "-D", "ProductVersion=2.4.1",
                 "--define", "Channel=beta", "-Dchannel=stable"}), kExitSuccess) << err_.str();
  EXPECT_EQ(PackedScript(Path("out.exe")),
            "[SetupInfo]\r\n<Channel>=stable\r\n<ProductVersion>=2.4.1\r\n[SetupFileValues]\r\n"
            "FileLocation1=a.txt\r\nFileDispName1=a.txt\r\n");
  EXPECT_EQ(ReadWholeFile(Path("product/setup.ini")).find("2.4.1"), std::string::npos);  // the file stays

  // Beside the packer comes first; --stub wins over both.
  folder_.Write("bin/setup.exe", "not a program");
  EXPECT_EQ(Run({"pack", Path("product/setup.ini"), "-o", Path("out.exe")}), kExitWrongInput);
  EXPECT_NE(err_.str().find("bin/setup.exe: error: cannot be used as the setup program"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "--stub", Path("share/velksetup/setup.exe")}),
            kExitSuccess) << err_.str();

  fs::rename(Path("share/velksetup/setup.exe"), Path("stub.exe"));
  fs::remove(Path("bin/setup.exe"));
  EXPECT_EQ(Run({"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "--stub", Path("stub.exe")}), kExitSuccess)
      << err_.str();
  EXPECT_EQ(Run({"pack", Path("product/setup.ini"), "-o", Path("out.exe")}), kExitWrongInput);
  EXPECT_NE(err_.str().find("velkpack: error: no setup program to pack into: neither '" + Path("bin/setup.exe") +
                            "' nor '" + Path("share/velksetup/setup.exe") + "' exists; name one with --stub"),
            std::string::npos) << err_.str();
}

TEST_F(CommandLineTest, ExitStatusTellsAWrongCommandLineFromWrongInput) {
  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {}, {"unpack", "x"}, {"pack", Path("product/setup.ini")}, {"pack", "a", "b", "-o", "c"},
           {"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "--fast"},
           {"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "-D", "<ProductVersion>=2"},
           {"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "-D", "ProductVersion"},
           {"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "-D", "A\nB=2"},
           {"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "-D", "A=1\r\n[SetupFileValues]"},
           {"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "--compression", "lzma"},
           {"verify", "x", "--codepage", "866"}}) {
    EXPECT_EQ(Run(wrong), kExitWrongCommand) << testing::PrintToString(wrong);
    EXPECT_NE(err_.str().find("usage: velkpack"), std::string::npos) << err_.str();
  }
  EXPECT_NE(err_.str().find("code page 866 is not supported"), std::string::npos) << err_.str();
  Run({"pack", "s", "-o", "i", "--compression", "lzma"});
  EXPECT_NE(err_.str().find("compression lzma is not known (zlib or zstd)"), std::string::npos) << err_.str();
  Run({"pack", "s", "-o", "i", "-D", "<A>=1"});
  EXPECT_NE(err_.str().find("velkpack: -D <A>=1: a name may not hold '<', '>'"), std::string::npos) << err_.str();

  EXPECT_EQ(Run({"--help"}), kExitSuccess);
  EXPECT_NE(out_.str().find("Exit status: 0 success; 1 wrong input"), std::string::npos) << out_.str();
  // The reason, then the help of the command named, else the usage.
  const std::string usage = out_.str();
  Run({"pack", "--help"});
  const std::string packHelp = out_.str();
  EXPECT_EQ(Run({"pack", "s", "-o", "i", "--fast"}), kExitWrongCommand);
  EXPECT_EQ(err_.str(), "velkpack: pack has no option --fast\n" + packHelp);
  EXPECT_EQ(Run({"help", "unpack"}), kExitWrongCommand);
  EXPECT_EQ(err_.str(), "velkpack: unknown command unpack\n" + usage);
  EXPECT_EQ(Run({}), kExitWrongCommand);
  EXPECT_EQ(err_.str(), usage);
  EXPECT_EQ(Run({"--version"}), kExitSuccess);
  EXPECT_EQ(out_.str(), "velkpack " VELKSETUP_VERSION "\n");

  EXPECT_EQ(Run({"pack", Path("product/missing.ini"), "-o", Path("out.exe")}), kExitWrongInput);
  EXPECT_EQ(Run({"verify", Path("share/velksetup/setup.exe")}), kExitWrongInput);  // no payload
  EXPECT_EQ(Run({"inspect", Path("product/a.txt")}), kExitWrongInput);
  EXPECT_EQ(err_.str(), Path("product/a.txt") + ": error: not a valid program file: no MZ header\n");
  EXPECT_EQ(Run({"new", Path("product"), "--script", Path("product/setup.ini")}), kExitWrongInput);  // exists
  EXPECT_EQ(Run({"new", Path("product"), "--script", Path("new.ini"), "--company", "A:B"}), kExitWrongInput);
  EXPECT_EQ(err_.str(), "velkpack: error: --company 'A:B': the name holds a character that Windows file names cannot "
                        "hold (<>:\"/\\|?* or a control character)\n");
}

TEST_F(CommandLineTest, WarningsGoToStandardErrorWithTheLineAndCanFailTheBuild) {
  ASSERT_EQ(Run({"pack", Path("product/setup.ini"), "-o", Path("out.exe"), "-D", "Added=1"}), kExitSuccess);
  // No uninstall entry and no version marker: reported on line 1 (no [SetupRegValues]).
  const std::string script = Path("product/setup.ini");
  EXPECT_EQ(err_.str(), script + ":1: warning: no UninstallString value under ...\\CurrentVersion\\Uninstall\\: "
                                 "the product could not be removed from the list of programs\n" +
                            script + ":1: warning: no installed-version marker (RegCheckVersionN=True): "
                                     "the installer would never offer to remove the product\n");
  EXPECT_NE(out_.str().find("2 warning(s)"), std::string::npos) << out_.str();

  // A line after an added one keeps its number in the file.
  folder_.Write("product/setup.ini", "[SetupInfo]\n[SetupFileValues]\nFileLocation1=a.txt\nFileDispName1=a.txt\n"
                                     "FileDoSetup1=yes\n");
  EXPECT_EQ(Run({"pack", script, "-o", Path("out.exe"), "-D", "Added=1", "--warnings-as-errors"}), kExitWrongInput);
  EXPECT_NE(err_.str().find(script + ":5: warning: FileDoSetup1=yes reads as False"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find(script + ": error: 3 warning(s), which --warnings-as-errors makes errors"),
            std::string::npos) << err_.str();
  EXPECT_FALSE(fs::exists(Path("out.exe.partial")));
}

TEST(ScriptDefines, ReplaceTheFirstKeyLineAsTheInstallerFindsItOrAddOneUnderSetupInfo) {
  const auto defined = DefineVariables("/* x */\r\n<productversion>=1\n[SETUPINFO]\n<ProductVersion>=2\n<Other>=3",
                                       {{"ProductVersion", "9"}, {"New", "a"}, {"new", "b"}, {"Other", ""}});
  EXPECT_EQ(defined.text, "/* x */\r\n<productversion>=9\r\n[SETUPINFO]\r\n<New>=b\r\n<ProductVersion>=2\r\n<Other>=\r\n");
  EXPECT_EQ(defined.SourceLine(3), 3u);
  EXPECT_EQ(defined.SourceLine(4), 3u);  // the added line: on the header it follows
  EXPECT_EQ(defined.SourceLine(5), 4u);
  EXPECT_EQ(DefineVariables("<A>=1", {{"B", "2"}}).text, "<B>=2\r\n<A>=1\r\n");  // no header: at the top
  EXPECT_TRUE(CheckDefinition("ProductVersion=2.4=beta"));  // the name ends at the first "="
  EXPECT_TRUE(CheckDefinition("Empty="));
}
