#include "browse/u_BrowseFuncs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One pixel per character; every measured text is kept, so the steps show.
struct TRecordingWidth {
  std::vector<std::string> measured;
  TTextWidth Function() {
    return [this](std::string_view text) {
      measured.emplace_back(text);
      return int(text.size());
    };
  }
};

int Length(std::string_view text) { return int(text.size()); }

}  // namespace

TEST(RootFolderId, TheTableAndNothingPastIt) {
  EXPECT_EQ(RootFolderId(0), 0x00);
  EXPECT_EQ(RootFolderId(11), 0x0B);
  EXPECT_EQ(RootFolderId(12), 0x10) << "the ids jump after the Start menu";
  EXPECT_EQ(RootFolderId(18), 0x16) << "the common folders";
  EXPECT_EQ(RootFolderId(23), 0x1B);
  EXPECT_EQ(RootFolderId(24), kNoShellFolder);
  for (const std::uint8_t past : {25, 100, 255}) EXPECT_EQ(RootFolderId(past), kNoShellFolder) << int(past);
}

TEST(NormalizeSelectPath, DrivesKeepOrGainTheirBackslashOthersLoseOne) {
  EXPECT_EQ(NormalizeSelectPath(""), "");
  EXPECT_EQ(NormalizeSelectPath("C:"), "C:\\");
  EXPECT_EQ(NormalizeSelectPath("C:\\"), "C:\\");
  EXPECT_EQ(NormalizeSelectPath("C:x"), "C:x") << "short drive-relative path stays";
  EXPECT_EQ(NormalizeSelectPath("C:\\Program Files\\"), "C:\\Program Files");
  EXPECT_EQ(NormalizeSelectPath("C:\\Program Files"), "C:\\Program Files");
  EXPECT_EQ(NormalizeSelectPath("C:\\a\\\\"), "C:\\a\\") << "only one backslash goes";
  EXPECT_EQ(NormalizeSelectPath("\\"), "\\");
  EXPECT_EQ(NormalizeSelectPath("\\\\server\\share\\"), "\\\\server\\share");
}

TEST(DropFirstFolder, MarkerReplacesTheFirstFolder) {
  EXPECT_EQ(DropFirstFolder("\\"), "");
  EXPECT_EQ(DropFirstFolder("\\Program Files\\Common\\"), "\\...\\Common\\");
  EXPECT_EQ(DropFirstFolder("\\...\\Common\\"), "\\...\\");
  EXPECT_EQ(DropFirstFolder("...\\"), "");
  EXPECT_EQ(DropFirstFolder("a\\b\\"), "...\\b\\");
  EXPECT_EQ(DropFirstFolder("last\\"), "...\\");
  EXPECT_EQ(DropFirstFolder("\\.ab\\x\\y\\"), "\\...\\x\\y\\") << "a folder beginning with '.' is no marker";
  EXPECT_EQ(DropFirstFolder(".\\"), "...\\");
}

TEST(FitPathToWidth, DriveFoldersShortenStepByStep) {
  const std::string path = "C:\\Program Files\\Common\\Tools";
  TRecordingWidth width;
  EXPECT_EQ(FitPathToWidth(path, 0, width.Function()), "Tools") << "the name stays even when too wide";
  EXPECT_EQ(width.measured,
            (std::vector<std::string>{path, "C:\\...\\Common\\Tools", "C:\\...\\Tools", "...\\Tools"}));

  EXPECT_EQ(FitPathToWidth(path, int(path.size()), Length), path) << "fits as it is";
  EXPECT_EQ(FitPathToWidth(path, 19, Length), "C:\\...\\Common\\Tools");
  EXPECT_EQ(FitPathToWidth(path, 18, Length), "C:\\...\\Tools");
  EXPECT_EQ(FitPathToWidth(path, 9, Length), "...\\Tools");
}

TEST(FitPathToWidth, NetworkPathGrowsFirstAndGoesOn) {
  TRecordingWidth width;
  EXPECT_EQ(FitPathToWidth("\\\\server\\share\\dir\\file", 4, width.Function()), "file");
  EXPECT_EQ(width.measured, (std::vector<std::string>{"\\\\server\\share\\dir\\file", "\\...\\server\\share\\dir\\file",
                                                      "\\...\\share\\dir\\file", "\\...\\dir\\file", "\\...\\file",
                                                      "...\\file"}));
}

TEST(FitPathToWidth, PathsThatCannotBeShortened) {
  EXPECT_EQ(FitPathToWidth("", 0, Length), "");
  EXPECT_EQ(FitPathToWidth("file.txt", 1, Length), "file.txt") << "no folder part";
  EXPECT_EQ(FitPathToWidth("C:file", 1, Length), "file") << "a bare drive goes as a whole";
  EXPECT_EQ(FitPathToWidth("C:\\", 1, Length), "") << "a drive root leaves no name";
  EXPECT_EQ(FitPathToWidth("\\\\\\x", 1, Length), "x");
  const std::string longName(5000, 'n');
  EXPECT_EQ(FitPathToWidth("C:\\a\\b\\" + longName, 10, Length), longName);
}

TEST(FitPathToWidth, MeasuresWithTheInjectedWidth) {
  // Wide letters: every "W" costs ten pixels, anything else one.
  const TTextWidth wideW = [](std::string_view text) {
    int pixels = 0;
    for (const char c : text) pixels += c == 'W' ? 10 : 1;
    return pixels;
  };
  EXPECT_EQ(FitPathToWidth("C:\\WWW\\x\\y", 20, wideW), "C:\\...\\x\\y");
}

TEST(FitTextToWidth, CutsFromTheEndWithAnEllipsis) {
  EXPECT_EQ(FitTextToWidth("Copying files", 13, Length), "Copying files");
  EXPECT_EQ(FitTextToWidth("Copying files", 10, Length), "Copying...");
  EXPECT_EQ(FitTextToWidth("Copying files", 2, Length), "...") << "no prefix fits";
  EXPECT_EQ(FitTextToWidth("", 0, Length), "");
  TRecordingWidth width;
  EXPECT_EQ(FitTextToWidth("abcdef", 4, width.Function()), "a...");
  EXPECT_EQ(width.measured, (std::vector<std::string>{"abcdef", "abcde...", "abcd...", "abc...", "ab...", "a..."}))
      << "the cut text grows by the ellipsis before it shrinks";
  const std::string longName(3000, 'n');
  EXPECT_EQ(FitTextToWidth(longName, 103, Length), std::string(100, 'n') + "...");
}

TEST(CenteredStart, TruncatesTowardZero) {
  EXPECT_EQ(CenteredStart(0, 1024, 400), 312);
  EXPECT_EQ(CenteredStart(100, 501, 300), 200);
  EXPECT_EQ(CenteredStart(0, 100, 101), 0) << "-1 / 2 is 0";
  EXPECT_EQ(CenteredStart(10, 100, 103), 9);
}

TEST(IsNewFolderName, OneLevelOfAPlainName) {
  for (const char* name : {"New", "My Files", "a.b", ".hidden", "Caf\xe9", "\xcf\xe0\xef\xea\xe0"})
    EXPECT_TRUE(IsNewFolderName(name)) << name;
  for (const char* name : {"", ".", "..", "..\\x", "a\\b", "a/b", "C:x", "a*", "a?", "a\"b", "<a>", "a|b", "name.",
                           "name ", "tab\there"})
    EXPECT_FALSE(IsNewFolderName(name)) << name;
}
