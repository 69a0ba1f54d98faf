#include "setup/u_SetupTexts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

TEST(FormatText, ArgumentsLeftToRight) {
  EXPECT_EQ(FormatText(L"\"%s\" and \"%s\"", {L"a", L"b"}), L"\"a\" and \"b\"");
  EXPECT_EQ(FormatText(L"no marks", {L"a"}), L"no marks");
  EXPECT_EQ(FormatText(L"%s%%s", {L"50%s", L"x"}), L"50%s%x") << "arguments are not formats";
  EXPECT_EQ(FormatText(L"%s.", {L""}), L".");
  EXPECT_EQ(FormatText(L"[%s|%s]", {L"only"}), L"[only|]");
}

namespace {

// The string table of the resource script, as id -> UTF-8 text. Entries read
// `  ID, L"TEXT"` with inner quotes doubled.
std::map<int, std::string> ReadTextTable() {
  std::ifstream file(SETUP_SOURCE_DIR "/resources/texts.rc");
  std::map<int, std::string> table;
  std::string line;
  while (std::getline(file, line)) {
    const size_t open = line.find(", L\"");
    if (open == std::string::npos || line.back() != '"') continue;
    std::string text;
    for (size_t i = open + 4; i + 1 < line.size(); ++i) {
      text += line[i];
      if (line[i] == '"') ++i;  // "" stands for one quote
    }
    table[std::stoi(line.substr(0, open))] = text;
  }
  return table;
}

size_t CountMarks(const std::string& text) {
  size_t count = 0;
  for (size_t pos = text.find("%s"); pos != std::string::npos; pos = text.find("%s", pos + 2)) ++count;
  return count;
}

}  // namespace

TEST(TextTable, BothLanguagesHoldEveryText) {
  const auto table = ReadTextTable();
  ASSERT_EQ(table.size(), size_t(2 * kTextCount));
  for (int n = 0; n < kTextCount; ++n) {
    ASSERT_TRUE(table.count(kEnglishBase + n) && table.count(kRussianBase + n)) << n;
    EXPECT_EQ(CountMarks(table.at(n)), CountMarks(table.at(kRussianBase + n))) << n;
  }
  EXPECT_EQ(table.at(0), "\"%s\" Setup Wizard");
  EXPECT_EQ(table.at(1000), "Мастер установки \"%s\"");
  EXPECT_EQ(table.at(1002), "&Далее >");
  EXPECT_NE(table.at(25).find("set up  \""), std::string::npos) << "two blanks";
}

TEST(TextTable, TrailingBlanksAsWritten) {
  const auto table = ReadTextTable();
  for (int n : {32, 33, 34, 49, 50, 51}) EXPECT_EQ(table.at(n).back(), ' ') << n;
  for (int n : {1049, 1050, 1051}) EXPECT_EQ(table.at(n).back(), ' ') << n;
  for (int n : {1032, 1033, 1034, 1035, 1036, 1052}) EXPECT_NE(table.at(n).back(), ' ') << n;
}
