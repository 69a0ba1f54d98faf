#include "actions/u_SimpleFuncs1.h"

#include <gtest/gtest.h>

TEST(IsTrue, OnlyTheExactText) {
  EXPECT_TRUE(IsTrue("True"));
  for (const char* text : {"true", "TRUE", "1", " True", "True ", "", "Yes"}) EXPECT_FALSE(IsTrue(text)) << text;
}

TEST(Backslashes, AddAndDelete) {
  EXPECT_EQ(AddBackslash(""), "\\");
  EXPECT_EQ(AddBackslash("C:"), "C:\\");
  EXPECT_EQ(AddBackslash("C:\\"), "C:\\");
  EXPECT_EQ(DelBackslash("\\"), "");
  EXPECT_EQ(DelBackslash("C:\\a\\\\"), "C:\\a\\");
  EXPECT_EQ(DelBackslash("C:\\a"), "C:\\a");
  EXPECT_EQ(DelBackslash(""), "");
}

TEST(StrToIntDef, DecimalAndHexadecimalForms) {
  EXPECT_EQ(StrToIntDef(" 42", 0), 42);
  EXPECT_EQ(StrToIntDef("+7", 0), 7);
  EXPECT_EQ(StrToIntDef("007", 0), 7) << "a leading zero is not octal";
  EXPECT_EQ(StrToIntDef("$FF", 0), 255);
  EXPECT_EQ(StrToIntDef("0xff", 0), 255);
  EXPECT_EQ(StrToIntDef("Xff", 0), 255);
  EXPECT_EQ(StrToIntDef("-$10", 0), -16);
  EXPECT_EQ(StrToIntDef("$FFFFFFFF", 0), -1) << "hex is the 32-bit pattern";
  EXPECT_EQ(StrToIntDef("-2147483648", 0), INT32_MIN);
  EXPECT_EQ(StrToIntDef("2147483647", 0), INT32_MAX);
}

TEST(StrToIntDef, RejectsWhatIsNotAnInteger) {
  for (const char* text : {"", " ", "2147483648", "-2147483649", "12abc", "42 ", "$", "0x", "$123456789", "1.0",
                           "--1", "99999999999999999999"})
    EXPECT_EQ(StrToIntDef(text, -5), -5) << text;
}

TEST(AsciiCase, OnlyAsciiLettersFold) {
  EXPECT_EQ(UpperCaseAscii("Readme.txt"), "README.TXT");
  EXPECT_EQ(UpperCaseAscii("\xe4\xe9"), "\xe4\xe9") << "non-ASCII bytes stay";
  EXPECT_TRUE(SameTextAscii("[setupinfo]", "[SetupInfo]"));
  EXPECT_FALSE(SameTextAscii("\xe4", "\xc4"));
  EXPECT_FALSE(SameTextAscii("abc", "abcd"));
}

TEST(ExtractFilePath, UpToTheLastBackslashOrColonAndTheNameAfterIt) {
  EXPECT_EQ(ExtractFilePath("C:\\Program Files\\Demo\\demoapp.exe"), "C:\\Program Files\\Demo\\");
  EXPECT_EQ(ExtractFilePath("C:demoapp.exe"), "C:");
  EXPECT_EQ(ExtractFilePath("C:\\a:b"), "C:\\a:") << "the last of either counts";
  EXPECT_EQ(ExtractFilePath("\\\\server\\share\\"), "\\\\server\\share\\");
  EXPECT_EQ(ExtractFilePath("demoapp.exe"), "");
  EXPECT_EQ(ExtractFilePath(""), "");
  EXPECT_EQ(ExtractFileName("C:\\a:b"), "b");
  EXPECT_EQ(ExtractFileName("demoapp.exe"), "demoapp.exe");
  EXPECT_EQ(ExtractFileName("C:\\Demo\\"), "");
}

TEST(IsExeFile, LastFourCharactersInAnyCase) {
  for (const char* name : {"SETUP.exe", "setup.EXE", "a.Exe", ".exe", "C:\\x\\p.eXe"}) EXPECT_TRUE(IsExeFile(name)) << name;
  for (const char* name : {"setup.exe.lnk", "exe", "", "setup.ex", "setupexe", "a.exe ", "a.\xc5XE"})
    EXPECT_FALSE(IsExeFile(name)) << name;
}

TEST(ShortcutFileName, FolderBackslashNameAndExtension) {
  EXPECT_EQ(ShortcutFileName("C:\\Desk", "Demo"), "C:\\Desk\\Demo.lnk");
  EXPECT_EQ(ShortcutFileName("C:\\Desk\\", "Demo"), "C:\\Desk\\Demo.lnk");
  EXPECT_EQ(ShortcutFileName("", "Demo"), "\\Demo.lnk");
}
