#include "package/u_SetupScript.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

TEST(SplitLines, AllThreeLineEndsAndTheLastLine) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n"), (Lines{"a"}));
  EXPECT_EQ(SplitLines("a\n\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\n\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("\r\n"), (Lines{""}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(SplitLines, NulEndsTheText) {
  EXPECT_EQ(SplitLines(std::string_view("a\nb\0c\nd", 7)), (Lines{"a", "b"}));
  EXPECT_TRUE(SplitLines(std::string_view("\0a", 2)).empty());
}

TEST(SetupScript, HeadersMatchWholeLinesInAnyCase) {
  const TSetupScript script("[setupinfo]\r\n [SetupFileValues]\r\n[SetupRegValues] \r\n");
  EXPECT_TRUE(script.HasHeader(kHeaderSetupInfo));
  EXPECT_FALSE(script.HasHeader(kHeaderFileValues)) << "leading space";
  EXPECT_FALSE(script.HasHeader(kHeaderRegValues)) << "trailing space";
}

TEST(SetupScript, KeysAreNeitherTrimmedNorCaseSensitive) {
  const TSetupScript script("filedispname1=x\nFileDispName2 = y\nRegValueValue1=a=b\n=empty name\n");
  EXPECT_EQ(script.Text("FileDispName1"), "x");
  EXPECT_FALSE(script.HasKey("FileDispName2"));
  EXPECT_EQ(script.Text("FileDispName2 "), " y");
  EXPECT_EQ(script.Text("RegValueValue1"), "a=b");
  EXPECT_EQ(script.Text(""), "empty name");
  EXPECT_EQ(script.Text("Missing"), "");
}

TEST(SetupScript, FirstMatchFromTheTopWins) {
  const TSetupScript script("FileDoSetup1=False\r\nFileDoSetup1=True\r\n");
  EXPECT_FALSE(script.Boolean("FileDoSetup1"));
  EXPECT_EQ(*script.FindKey("filedosetup1"), 0u);
}

TEST(SetupScript, FirstMatchIgnoresOnlyAsciiCase) {
  const TSetupScript script("FILEDOSETUP1=False\r\nFileDoSetup1=True\r\nName\xc9=upper\r\nName\xe9=lower\r\n"
                            "plain line\r\nLate=\r\nlate=x\r\n");
  EXPECT_EQ(*script.FindKey("FileDoSetup1"), 0u) << "the earlier line, written in another case";
  EXPECT_EQ(script.Text("name\xe9"), "lower") << "only ASCII letters fold";
  EXPECT_EQ(script.Text("NAME\xc9"), "upper");
  EXPECT_FALSE(script.HasKey("plain line"));
  EXPECT_EQ(*script.FindKey("LATE"), 5u) << "an empty value is still the first match";
}

TEST(SetupScript, KeysOfALongScriptKeepTheirLines) {
  std::string text = "[SetupFileValues]\n";
  for (int n = 1; n <= 5000; ++n) text += "FileDispName" + std::to_string(n) + "=f" + std::to_string(n) + "\n";
  text += "filedispname1=again\nFileDispName5001=last\n";
  const TSetupScript script(text);
  EXPECT_EQ(*script.FindKey("FileDispName4999"), 4999u);
  EXPECT_EQ(script.Text("FILEDISPNAME1"), "f1");
  EXPECT_EQ(script.CountEntries("FileDispName"), 5001u);
  EXPECT_EQ(*script.FindKey("FileDispName5001"), 5002u);
}

TEST(SetupScript, TypedValues) {
  const TSetupScript script("b1=True\nb2=true\nb3=1\ni1=1000\ni2=ten\ni3=\n");
  EXPECT_TRUE(script.Boolean("b1"));
  EXPECT_FALSE(script.Boolean("b2"));
  EXPECT_FALSE(script.Boolean("b3"));
  EXPECT_FALSE(script.Boolean("missing"));
  EXPECT_EQ(script.Integer("i1"), 1000);
  EXPECT_EQ(script.Integer("i2"), 0);
  EXPECT_EQ(script.Integer("i3"), 0);
  EXPECT_EQ(script.Integer("missing"), 0);
}

TEST(SetupScript, NumberedEntriesStopAtTheFirstGap) {
  const TSetupScript script("FileDispName1=a\nFileDispName2=\nFileDispName4=d\nFileDispName012=z\n");
  EXPECT_EQ(script.CountEntries("FileDispName"), 2u) << "an empty deciding value still counts";
  EXPECT_EQ(TSetupScript("[SetupFileValues]\n").CountEntries("FileDispName"), 0u);
}

TEST(SetupScript, KeysAreFoundUnderAnyHeader) {
  const TSetupScript script("FileDispName1=a\n[SetupRegValues]\nFileDispName2=b\n[SetupFileValues]\n");
  EXPECT_EQ(script.CountEntries("FileDispName"), 2u);
  EXPECT_EQ(EntryKey("FileDispName", 12), "FileDispName12");
}
