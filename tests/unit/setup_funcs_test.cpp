#include "actions/u_SetupFuncs.h"

#include <gtest/gtest.h>

#include <exception>
#include <new>
#include <stdexcept>

#include "tests/unit/fake_system.h"

namespace {

Bytes Dword(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

TRegData Encoded(std::string_view type, std::string_view value) {
  const auto data = EncodeRegValue(type, value);
  EXPECT_TRUE(data.has_value()) << type;
  return data.value_or(TRegData{});
}

}  // namespace

TEST(HasTag, SubstringAnywhereExactCase) {
  EXPECT_TRUE(HasTag("<A>", "x<A>y"));
  EXPECT_TRUE(HasTag("<A>", "<A>"));
  EXPECT_FALSE(HasTag("<A>", "<a>"));
  EXPECT_FALSE(HasTag("", "anything"));
  EXPECT_FALSE(HasTag("<A>", ""));
}

TEST(GetRootKey, EveryTagAndTheDefault) {
  EXPECT_EQ(GetRootKey("<HKEY_CLASSES_ROOT>\\x"), 0x80000000u);
  EXPECT_EQ(GetRootKey("<HKEY_CURRENT_USER>\\x"), 0x80000001u);
  EXPECT_EQ(GetRootKey("<HKEY_LOCAL_MACHINE>\\x"), 0x80000002u);
  EXPECT_EQ(GetRootKey("<HKEY_USERS>\\x"), 0x80000003u);
  EXPECT_EQ(GetRootKey("<HKEY_PERFORMANCE_DATA>"), 0x80000004u);
  EXPECT_EQ(GetRootKey("<HKEY_CURRENT_CONFIG>\\x"), 0x80000005u);
  EXPECT_EQ(GetRootKey("<HKEY_DYN_DATA>\\x"), 0x80000006u);
  for (const char* location : {"", "HKEY_LOCAL_MACHINE\\x", "<hkey_local_machine>\\x", "<HKEY_LOCAL_MACHINE"})
    EXPECT_EQ(GetRootKey(location), kHKeyCurrentUser) << location;
}

TEST(GetRootKey, TheEarlierTagOfTheTableWinsWhereverItStands) {
  EXPECT_EQ(GetRootKey("<HKEY_LOCAL_MACHINE>\\<HKEY_CLASSES_ROOT>"), kHKeyClassesRoot);
  EXPECT_EQ(GetRootKey("<HKEY_USERS>\\<HKEY_CURRENT_USER>"), kHKeyCurrentUser);
  EXPECT_EQ(GetRootKey("<HKEY_LOCAL_MACHINE>\\Software\\<HKEY_CURRENT_CONFIG>"), kHKeyCurrentConfig);
}

TEST(RegSubKey, OneLeadingAndOneTrailingBackslashGo) {
  EXPECT_EQ(RegSubKey("\\Software\\X"), "Software\\X");
  EXPECT_EQ(RegSubKey("Software\\X\\"), "Software\\X");
  EXPECT_EQ(RegSubKey("\\"), "");
  EXPECT_EQ(RegSubKey(""), "");
  EXPECT_EQ(RegSubKey("\\\\X"), "\\X");
}

TEST(ErrorMessage, TellsAnErrorsOwnMessageALackOfMemoryOrTheUnexpected) {
  const auto told = [](const auto& error) { return ErrorMessage(std::make_exception_ptr(error)); };
  EXPECT_EQ(told(ESetupError(TText::FailedToSetData, {"V"})), (TMessage{TText::FailedToSetData, {"V"}}));
  EXPECT_EQ(told(std::bad_alloc()), (TMessage{TText::NotEnoughMemory, {}}));
  EXPECT_EQ(told(std::out_of_range("bug")), (TMessage{TText::UnexpectedError, {}}));
  EXPECT_EQ(told(42), (TMessage{TText::UnexpectedError, {}}));
}

TEST(RegValueName, DefaultValueIsTheUnnamedOne) {
  EXPECT_EQ(RegValueName("(Default Value)"), "");
  EXPECT_EQ(RegValueName("(default value)"), "(default value)");
  EXPECT_EQ(RegValueName("Version"), "Version");
}

TEST(EncodeRegValue, StringKeepsItsTerminatingNul) {
  EXPECT_EQ(Encoded("<String>", "C:\\Demo"), (TRegData{kRegSz, std::string("C:\\Demo\0", 8)}));
  EXPECT_EQ(Encoded("<String>", ""), (TRegData{kRegSz, std::string(1, '\0')}));
}

TEST(EncodeRegValue, IntegerIsALittleEndianDword) {
  EXPECT_EQ(Encoded("<Integer>", " 42"), (TRegData{kRegDword, Dword(42)}));
  EXPECT_EQ(Encoded("<Integer>", "$FF").Data, Dword(255));
  EXPECT_EQ(Encoded("<Integer>", "0xff").Data, Dword(255));
  EXPECT_EQ(Encoded("<Integer>", "$FFFFFFFF").Data, Dword(0xFFFFFFFF));
  EXPECT_EQ(Encoded("<Integer>", "-2147483648").Data, Dword(0x80000000));
  for (const char* text : {"2147483648", "12abc", ""}) EXPECT_EQ(Encoded("<Integer>", text).Data, Dword(0)) << text;
}

TEST(EncodeRegValue, BooleanAndBinary) {
  EXPECT_EQ(Encoded("<Boolean>", "True"), (TRegData{kRegDword, Dword(1)}));
  EXPECT_EQ(Encoded("<Boolean>", "true").Data, Dword(0));
  EXPECT_EQ(Encoded("<Binary>", "01 02"), (TRegData{kRegBinary, "01 02"})) << "the text itself, not decoded";
  EXPECT_EQ(Encoded("<Binary>", ""), (TRegData{kRegBinary, ""}));
}

TEST(EncodeRegValue, AutoKeyAndUnknownTagsWriteNothing) {
  for (const char* type : {"<AutoKey>", "<autokey>", "<string>", "String", "", "<Dword>"})
    EXPECT_FALSE(EncodeRegValue(type, "1").has_value()) << type;
}

TEST(DecodeRegValue, TextUpToTheNulIntegersAndTheRest) {
  EXPECT_EQ(DecodeRegValue(kRegSz, std::string("2.0\0junk", 8)), TRegValue("2.0"));
  EXPECT_EQ(DecodeRegValue(kRegSz, "no terminator"), TRegValue("no terminator"));
  EXPECT_EQ(DecodeRegValue(kRegExpandSz, std::string("%SystemRoot%\0", 13)), TRegValue("%SystemRoot%"));
  EXPECT_EQ(DecodeRegValue(kRegDword, Dword(5)), TRegValue(5));
  EXPECT_EQ(DecodeRegValue(kRegDword, "abc"), std::nullopt) << "a DWORD of the wrong size";
  EXPECT_EQ(DecodeRegValue(kRegBinary, "01"), std::nullopt);
  EXPECT_EQ(DecodeRegValue(7, std::string("a\0\0", 3)), std::nullopt) << "multi-string";
}

TEST(TRegValue, AsTextGivesDecimalForIntegers) {
  EXPECT_EQ(TRegValue(5).AsText(), "5");
  EXPECT_EQ(TRegValue(-1).AsText(), "-1");
  EXPECT_EQ(TRegValue("2.0.0.0").AsText(), "2.0.0.0");
  EXPECT_EQ(TRegValue().AsText(), "");
}

class SpecialFolders : public ::testing::Test {
protected:
  void SetUp() override {
    shell.folders = {{kCsidlDesktop, "C:\\Users\\u\\Desktop"}, {kCsidlPrograms, "C:\\Users\\u\\Programs"},
                     {kCsidlStartup, "C:\\Users\\u\\StartUp"}, {kCsidlStartMenu, "C:\\Users\\u\\Start Menu"},
                     {kCsidlAppData, "C:\\Users\\u\\AppData"}};
    shell.windowsDir = "C:\\Windows";
    registry.WriteRegValue(kHKeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                           "<String>", "C:\\Program Files");
  }
  std::string Folder(std::string_view name) const { return GetSpecialFolder(name, shell, registry); }

  FakeShellFolders shell;
  FakeRegistry registry;
};

TEST_F(SpecialFolders, EveryVariableOfTheTable) {
  EXPECT_EQ(Folder("<ProgramFilesDir>"), "C:\\Program Files");
  EXPECT_EQ(Folder("<WindowsDir>"), "C:\\Windows");
  EXPECT_EQ(Folder("<StartMenu>"), "C:\\Users\\u\\Start Menu");
  EXPECT_EQ(Folder("<Desktop>"), "C:\\Users\\u\\Desktop");
  EXPECT_EQ(Folder("<Programs>"), "C:\\Users\\u\\Programs");
  EXPECT_EQ(Folder("<StartUp>"), "C:\\Users\\u\\StartUp");
  EXPECT_EQ(Folder("<QuickLaunchPanel>"), "C:\\Users\\u\\AppData\\Microsoft\\Internet Explorer\\Quick Launch");
}

TEST_F(SpecialFolders, EveryNameThePackerAcceptsHasAFolder) {
  registry.WriteRegValue(kHKeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir",
                         kRegTypeString, "C:\\Common");
  for (const std::string_view name : kSpecialFolderNames) EXPECT_NE(Folder(name), "") << name;
}

TEST_F(SpecialFolders, OtherNamesAndOtherCaseGiveNothing) {
  for (const char* name : {"<startup>", "<STARTUP>", "StartUp", "<StartUp> ", "<SetupExeName>", "<>", ""})
    EXPECT_EQ(Folder(name), "") << name;
}

TEST_F(SpecialFolders, MissingMachineValueHasNoFallback) {
  EXPECT_EQ(Folder("<CommonFilesDir>"), "");
  registry.Put(kHKeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir", {kRegDword, Dword(7)});
  EXPECT_EQ(Folder("<CommonFilesDir>"), "7") << "a DWORD as its decimal text";
  registry.Put(kHKeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir", {kRegBinary, "C:"});
  EXPECT_EQ(Folder("<CommonFilesDir>"), "") << "other types read as nothing";
}

TEST_F(SpecialFolders, UnavailableShellFoldersAreEmpty) {
  shell.folders.clear();
  shell.windowsDir.clear();
  EXPECT_EQ(Folder("<Desktop>"), "");
  EXPECT_EQ(Folder("<WindowsDir>"), "");
  EXPECT_EQ(Folder("<QuickLaunchPanel>"), "\\Microsoft\\Internet Explorer\\Quick Launch");
}

TEST(GetQuickLaunchDir, JoinsWithOneBackslash) {
  FakeShellFolders shell;
  shell.folders[kCsidlAppData] = "C:\\AppData\\";
  EXPECT_EQ(GetQuickLaunchDir(shell), "C:\\AppData\\Microsoft\\Internet Explorer\\Quick Launch");
}
