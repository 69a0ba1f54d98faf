#include "packer/u_CodePages.h"

#include <gtest/gtest.h>

#include "packer/u_ScriptChecks.h"

TEST(CodePages, ConvertBothCodePagesToUtf16) {
  EXPECT_EQ(AnsiToUtf16("A\x80\xE9\xFF", 1252), u"A\u20AC\u00E9\u00FF");
  EXPECT_EQ(AnsiToUtf16("\x81", 1252), u"\u0081");  // undefined in 1252: same value
  EXPECT_EQ(AnsiToUtf16("\xC0\xFF\xA8\xB8\x80", 1251), u"\u0410\u044F\u0401\u0451\u0402");
}

TEST(CodePages, UpperCaseCoversTheLettersOfBothCodePages) {
  EXPECT_EQ(UpperCaseUtf16(u"az\u00E0\u00FE\u00F7\u00FF\u0161\u0153\u017E"), u"AZ\u00C0\u00DE\u00F7\u0178\u0160\u0152\u017D");
  EXPECT_EQ(UpperCaseUtf16(u"\u0430\u044F\u0451\u045F\u0491"), u"\u0410\u042F\u0401\u040F\u0490");
  EXPECT_EQ(UpperCaseUtf16(u"1.-_ \u00D7"), u"1.-_ \u00D7");
}

TEST(PayloadResourceName, IsTheNameTheLoaderLooksFor) {
  EXPECT_EQ(PayloadResourceName("Readme.txt", 1252), u"README.TXT");
  EXPECT_EQ(PayloadResourceName("Premi\xE8re \xE9tape.txt", 1252), u"PREMI\u00C8RE \u00C9TAPE.TXT");
  EXPECT_EQ(PayloadResourceName("\xEF\xF0\xE8\xEC\xE5\xF0.txt", 1251), u"\u041F\u0420\u0418\u041C\u0415\u0420.TXT");
}

TEST(CodePages, Utf8ForMessages) { EXPECT_EQ(Utf16ToUtf8(u"a\u00E9\u20AC"), "a\xC3\xA9\xE2\x82\xAC"); }
