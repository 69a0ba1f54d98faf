#include "packer/u_Packer.h"

#include <gtest/gtest.h>
#include <zstd.h>

#include <sstream>

#include "packer/c_PeImage.h"
#include "packer/u_Files.h"
#include "packer/u_PackError.h"
#include "pe_fixture.h"

namespace fs = std::filesystem;

namespace {

const TResourceId kPayload = Named(u"VELKSETUP");
const TResourceId kZstdPayload = Named(u"VELKZSTD");

Bytes Bitmap() {
  Bytes bmp = "BM" + Bytes(12, '\0');
  Bytes info(40, '\0');
  info[0] = 40;
  info[4] = 2;  // 2 x 1 pixels
  info[8] = 1;
  return bmp + info + "pixels";
}

class PackerTest : public testing::Test {
protected:
  PackerTest() {
    folder_.Write("stub.exe", MakeImage(StubResources()));
    folder_.Write("product/license.txt", "line one\nline two\rline three\r\n");
    folder_.Write("product/logo.bmp", Bitmap());
    folder_.Write("product/bin/app.dat", Bytes(300000, 'a') + "end");
    folder_.Write("product/readme.txt", "read me");
    WriteScript("FileLocation1=bin\\app.dat\nFileDispName1=App.dat\n"
                "FileLocation2=readme.txt\nFileDispName2=Caf\xE9.txt\n");
  }

  void WriteScript(const std::string& fileLines, const std::string& infoLines = "<SetupLicense>=license.txt\n"
                                                                               "<TopLogo>=logo.bmp\n") {
    folder_.Write("product/setup.ini", "/* remark */\n[SetupInfo]\n<ProductName>=P\n" + infoLines +
                                           "[SetupFileValues]\n" + fileLines);
  }

  TPackRequest Request(const std::string& output = "setup.exe", unsigned threads = 0) const {
    return {folder_.Path() / "product/setup.ini", folder_.Path() / "stub.exe", folder_.Path() / output, 1252,
            threads};
  }

  Bytes Pack(const TPackRequest& request) {
    log_.str("");
    PackInstaller(request, {log_, log_});
    return ReadWholeFile(request.output);
  }

  // Packing must fail with `words` in the log or the error, leaving no output.
  void ExpectFailure(const std::string& words, const TPackRequest& request) {
    log_.str("");
    try {
      PackInstaller(request, {log_, log_});
      ADD_FAILURE() << "packed; expected: " << words;
    } catch (const TPackError& e) {
      const std::string message = log_.str() + e.Where() + ": " + e.what();
      EXPECT_NE(message.find(words), std::string::npos) << message;
    }
    EXPECT_FALSE(fs::exists(request.output));
    EXPECT_FALSE(fs::exists(request.output.string() + ".partial"));
  }
  void ExpectFailure(const std::string& words) { ExpectFailure(words, Request()); }

  static Bytes Unpacked(const Bytes& installer, std::u16string name) {
    const auto raw = FindLikeLoader(installer, kPayload, Named(std::move(name)));
    const TOutcome<Bytes> data = raw ? UnpackResource(*raw) : DamagedPayload();
    EXPECT_TRUE(data);
    return data ? *data : Bytes();
  }

  TTestFolder folder_;
  std::ostringstream log_;
};

}  // namespace

TEST_F(PackerTest, PacksEveryPartOfThePayloadAndKeepsTheStubsResources) {
  const Bytes installer = Pack(Request());
  EXPECT_EQ(Unpacked(installer, u"SETUPINFO"),
            "/* remark */\r\n[SetupInfo]\r\n<ProductName>=P\r\n<SetupLicense>=license.txt\r\n<TopLogo>=logo.bmp\r\n"
            "[SetupFileValues]\r\nFileLocation1=bin\\app.dat\r\nFileDispName1=App.dat\r\n"
            "FileLocation2=readme.txt\r\nFileDispName2=Caf\xE9.txt\r\n");
  EXPECT_EQ(Unpacked(installer, u"LICINFO"), "line one\r\nline two\r\nline three\r\n");
  EXPECT_EQ(Unpacked(installer, u"APP.DAT"), Bytes(300000, 'a') + "end");
  EXPECT_EQ(Unpacked(installer, u"CAF\u00C9.TXT"), "read me");
  EXPECT_EQ(FindLikeLoader(installer, TResourceId::Number(2), Named(u"TOPLOGO")), Bitmap().substr(14));
  EXPECT_EQ(FindLikeLoader(installer, TResourceId::Number(24), TResourceId::Number(1)), "<assembly manifest/>");
  const auto raw = FindLikeLoader(installer, kPayload, Named(u"APP.DAT"));
  EXPECT_EQ(uint8_t((*raw)[5]), 0xDA);  // the highest level

  EXPECT_NE(log_.str().find("App.dat: 300003 -> "), std::string::npos) << log_.str();
  EXPECT_NE(log_.str().find("Caf\xC3\xA9.txt: 7 -> "), std::string::npos) << log_.str();
  EXPECT_NE(log_.str().find("2 file(s)"), std::string::npos) << log_.str();
  std::ostringstream report;
  EXPECT_EQ(ExamineInstaller(folder_.Path() / "setup.exe", 1252, true, {report, report}), 0u) << report.str();
}

TEST_F(PackerTest, FillsInAnEmptyEstimatedSizeOfTheUninstallEntryWithTheInstalledFilesInKilobytes) {
  const std::string uninstall = "<HKEY_LOCAL_MACHINE>\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P\n";
  WriteScript("FileLocation1=bin\\app.dat\nFileDispName1=App.dat\nFileDoSetup1=True\n"
              "FileLocation2=readme.txt\nFileDispName2=Readme.txt\nFileDoSetup2=False\n[SetupRegValues]\n"
              "RegValueLocation1=" + uninstall + "RegValueName1=EstimatedSize\nRegValueType1=<Integer>\nRegValueValue1=\n"
              "RegValueLocation2=" + uninstall + "RegValueName2=EstimatedSize\nRegValueType2=<Integer>\nRegValueValue2=7\n"
              "RegValueLocation3=<HKEY_CURRENT_USER>\\Software\\P\nRegValueName3=EstimatedSize\n"
              "RegValueType3=<Integer>\nRegValueValue3=\n");
  const Bytes script = Unpacked(Pack(Request()), u"SETUPINFO");
  EXPECT_NE(script.find("RegValueValue1=293\r\n"), std::string::npos) << script;  // 300003 bytes, rounded up
  EXPECT_NE(script.find("RegValueValue2=7\r\n"), std::string::npos);
  EXPECT_NE(script.find("RegValueValue3=\r\n"), std::string::npos);
}

TEST_F(PackerTest, SameInputGivesTheSameBytesWhateverTheThreadCount) {
  const Bytes first = Pack(Request("one.exe", 1));
  EXPECT_EQ(Pack(Request("two.exe", 4)), first);
  EXPECT_EQ(Pack(Request("three.exe")), first);
}

// The product's small files share a dictionary; the script and the licence stay classic.
TEST_F(PackerTest, ZstdPacksTheFilesWithADictionaryForTheSmallOnes) {
  std::string lines;
  for (int n = 1; n <= 40; ++n) {
    Bytes text;
    for (int line = 0; line < 150; ++line) text += "notice " + std::to_string(n * line) + " of the licence terms\n";
    folder_.Write("product/docs/n" + std::to_string(n) + ".txt", text);
    lines += "FileLocation" + std::to_string(n + 1) + "=docs\\n" + std::to_string(n) + ".txt\nFileDispName" +
             std::to_string(n + 1) + "=N" + std::to_string(n) + ".txt\n";
  }
  WriteScript("FileLocation1=bin\\app.dat\nFileDispName1=App.dat\n" + lines);
  TPackRequest request = Request("one.exe", 1);
  request.compression = TPayloadFormat::Zstd;
  ExpectFailure("it reads no zstd payload (a setup program of an earlier version)", request);
  // A setup program that reads zstd payloads names their type.
  TResourceTree stub = StubResources();
  stub.Set(TResourceId::Number(10), TResourceId::Number(1), 0, {"reads VELKZSTD resources", 0});
  folder_.Write("stub.exe", MakeImage(stub));
  const Bytes installer = Pack(request);
  request.output = folder_.Path() / "two.exe";
  request.threads = 4;
  EXPECT_EQ(Pack(request), installer);

  EXPECT_EQ(Unpacked(installer, u"LICINFO"), "line one\r\nline two\r\nline three\r\n");
  EXPECT_FALSE(FindLikeLoader(installer, kPayload, Named(u"APP.DAT")));
  const auto dictionary = FindLikeLoader(installer, kZstdPayload, TResourceId::Number(1));
  ASSERT_TRUE(dictionary);
  const auto small = FindLikeLoader(installer, kZstdPayload, Named(u"N7.TXT"));
  const auto large = FindLikeLoader(installer, kZstdPayload, Named(u"APP.DAT"));
  ASSERT_TRUE(small && large);
  EXPECT_EQ(ZSTD_getDictID_fromFrame(small->data() + 4, small->size() - 4),
            ZSTD_getDictID_fromDict(dictionary->data(), dictionary->size()));
  EXPECT_EQ(ZSTD_getDictID_fromFrame(large->data() + 4, large->size() - 4), 0u);
  const TOutcome<Bytes> data = UnpackResource(*large, {TPayloadFormat::Zstd, {}});
  ASSERT_TRUE(data);
  EXPECT_EQ(*data, Bytes(300000, 'a') + "end");
  std::ostringstream report;
  EXPECT_EQ(ExamineInstaller(request.output, 1252, true, {report, report}), 0u) << report.str();
  EXPECT_NE(report.str().find("Payload (type VELKZSTD"), std::string::npos) << report.str();
  EXPECT_NE(report.str().find("  N7.TXT: "), std::string::npos) << report.str();

  // Without its dictionary, each small file is damaged.
  TPeImage image(installer);
  TResourceTree resources = image.Resources();
  resources.Remove(kZstdPayload, TResourceId::Number(1));
  report.str("");
  EXPECT_EQ(ExamineInstaller(folder_.Write("broken.exe", image.WithResources(resources).ToBytes()), 1252, false,
                             {report, report}),
            40u);
  EXPECT_NE(report.str().find("N7.TXT (type VELKZSTD) does not inflate"), std::string::npos) << report.str();

  // Packed again as zlib into the zstd installer, nothing of the zstd payload stays.
  TPackRequest again = Request("again.exe");
  again.stub = request.output;
  const Bytes repacked = Pack(again);
  EXPECT_FALSE(TPeImage(repacked).Resources().Types().contains(kZstdPayload));
  EXPECT_EQ(Unpacked(repacked, u"APP.DAT"), Bytes(300000, 'a') + "end");
}

TEST_F(PackerTest, RepackingAnInstallerReplacesItsPayload) {
  const Bytes installer = Pack(Request());
  WriteScript("FileLocation1=readme.txt\nFileDispName1=Other.txt\n", "");
  TPackRequest again = Request("again.exe");
  again.stub = folder_.Path() / "setup.exe";
  const Bytes repacked = Pack(again);
  EXPECT_EQ(Unpacked(repacked, u"OTHER.TXT"), "read me");
  EXPECT_FALSE(FindLikeLoader(repacked, kPayload, Named(u"APP.DAT")));
  EXPECT_FALSE(FindLikeLoader(repacked, kPayload, Named(u"LICINFO")));
  EXPECT_FALSE(FindLikeLoader(repacked, TResourceId::Number(2), Named(u"TOPLOGO")));
  EXPECT_EQ(repacked, Pack(Request("fresh.exe")));  // as packed from the bare stub
}

TEST_F(PackerTest, WarningsDoNotStopPacking) {
  WriteScript("FileLocation1=readme.txt\nFileDispName1=a\nFileDoSetup1=yes\n");
  Pack(Request());
  EXPECT_NE(log_.str().find("setup.ini:9: warning: FileDoSetup1=yes reads as False"), std::string::npos) << log_.str();
}

TEST_F(PackerTest, FailuresLeaveNoOutputAndNameTheLine) {
  WriteScript("FileLocation1=missing.txt\nFileDispName1=a\nFileLocation2=readme.txt\nFileDispName2=A\n");
  ExpectFailure("setup.ini:7: error: FileLocation1: '");
  ExpectFailure("setup.ini:10: error: FileDispName2=A has the same payload name as the file of line 8");
  WriteScript("FileLocation1=C:\\Product\\readme.txt\nFileDispName1=a\n");
  ExpectFailure("setup.ini:7: error: FileLocation1: 'C:\\Product\\readme.txt' is a drive or network path");
  WriteScript("FileLocation1=bin\nFileDispName1=a\n");
  ExpectFailure("is not a file");
  WriteScript("", "<TopLogo>=readme.txt\n");
  ExpectFailure("setup.ini:4: error: <TopLogo>:");
  WriteScript("", "<SetupLicense>=nothing.txt\n");
  ExpectFailure("setup.ini:4: error: <SetupLicense>:");
}

TEST_F(PackerTest, ABadStubOrAnUnwritableOutputLeavesNoOutput) {
  folder_.Write("stub.exe", "not a program");
  ExpectFailure("stub.exe: cannot be used as the setup program");
  folder_.Write("stub.exe", MakeImage(StubResources(), {.overlay = 5}));
  ExpectFailure("overlay");
  folder_.Write("stub.exe", MakeImage(StubResources()));
  EXPECT_THROW(PackInstaller(Request("no/such/folder/setup.exe"), {log_, log_}), TPackError);
  EXPECT_FALSE(fs::exists(folder_.Path() / "no"));
}

TEST_F(PackerTest, AFailedRepackLeavesTheEarlierInstallerAlone) {
  const Bytes installer = Pack(Request());
  fs::remove(folder_.Path() / "product/readme.txt");
  EXPECT_THROW(PackInstaller(Request(), {log_, log_}), TPackError);
  EXPECT_EQ(ReadWholeFile(folder_.Path() / "setup.exe"), installer);
}

TEST_F(PackerTest, VerifyFindsDamagedAndMissingPayload) {
  const Bytes installer = Pack(Request());
  TPeImage image(installer);
  TResourceTree resources = image.Resources();
  resources.Remove(kPayload, Named(u"APP.DAT"));
  Bytes damaged = resources.Find(kPayload, Named(u"LICINFO"))->bytes;
  damaged[damaged.size() - 1] ^= 0x55;  // Adler-32 trailer
  resources.Set(kPayload, Named(u"LICINFO"), 0, {damaged, 0});
  Bytes broken = image.WithResources(resources).ToBytes();
  const fs::path path = folder_.Write("broken.exe", broken);

  std::ostringstream report;
  EXPECT_EQ(ExamineInstaller(path, 1252, false, {report, report}), 2u);
  EXPECT_NE(report.str().find("LICINFO does not inflate"), std::string::npos) << report.str();
  EXPECT_NE(report.str().find("file entry 1 (App.dat) has no payload resource"), std::string::npos) << report.str();

  broken[broken.size() - 1] ^= 1;  // a byte outside the payload: only the checksum sees it
  report.str("");
  EXPECT_EQ(ExamineInstaller(folder_.Write("checksum.exe", broken), 1252, false, {report, report}), 3u);
  EXPECT_NE(report.str().find("checksum"), std::string::npos) << report.str();
}

TEST(PackerDemo, PacksTheDemoProductWithTheRealStub) {
  const auto stub = RealStub();
  if (!stub) GTEST_SKIP() << "no cross-built stub";
  TTestFolder folder;
  std::ostringstream log;
  PackInstaller({fs::path(VELK_DEMO_DIR) / "setup.ini", *stub, folder.Path() / "demo.exe", 1252, 0}, {log, log});
  EXPECT_NE(log.str().find("0 warning(s)"), std::string::npos) << log.str();
  std::ostringstream report;
  EXPECT_EQ(ExamineInstaller(folder.Path() / "demo.exe", 1252, false, {report, report}), 0u) << report.str();
}
