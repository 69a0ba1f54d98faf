#include "setup/u_SetupTexts.h"
#include "setup/u_WizardLayout.h"
#include "tests/unit/english_texts.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

TEST(FormatText, ArgumentsLeftToRight) {
  EXPECT_EQ(FormatText(L"\"%s\" and \"%s\"", {L"a", L"b"}), L"\"a\" and \"b\"");
  EXPECT_EQ(FormatText(L"no marks", {L"a"}), L"no marks");
  EXPECT_EQ(FormatText(L"%s%%s", {L"50%s", L"x"}), L"50%s%x") << "arguments are not formats";
  EXPECT_EQ(FormatText(L"%s.", {L""}), L".");
  EXPECT_EQ(FormatText(L"[%s|%s]", {L"only"}), L"[only|]");
}

TEST(FormatText, MegabytesRoundAsAsked) {
  constexpr uint64_t kMegabyte = 1 << 20;
  EXPECT_EQ(MegabytesText(0, TRounding::Up), L"0");
  EXPECT_EQ(MegabytesText(1, TRounding::Up), L"1");
  EXPECT_EQ(MegabytesText(kMegabyte - 1, TRounding::Down), L"0");
  EXPECT_EQ(MegabytesText(10 * kMegabyte, TRounding::Up), L"10");
  EXPECT_EQ(MegabytesText(20481 * kMegabyte + 1, TRounding::Down), L"20481");
}

namespace {

// The texts of the list as the resource compiler reads them: number -> UTF-8
// text in each language, inner quotes written doubled.
struct TListedText {
  int n;
  std::string english, russian;
};

const std::vector<TListedText>& ListedTexts() {
  static const std::vector<TListedText> texts = {
#define WIZARD_TEXT(name, n, english, russian) {n, ResourceString(#english), ResourceString(#russian)},
#include "resources/texts.inc"
#undef WIZARD_TEXT
  };
  return texts;
}

// The string table the resource script makes of the list, as id -> text.
std::map<int, std::string> ReadTextTable() {
  std::map<int, std::string> table;
  for (const TListedText& text : ListedTexts()) {
    table[kEnglishBase + text.n] = text.english;
    table[kRussianBase + text.n] = text.russian;
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
  ASSERT_EQ(ListedTexts().size(), size_t(kTextCount));
  for (int n = 0; n < kTextCount; ++n) EXPECT_EQ(ListedTexts()[size_t(n)].n, n) << "texts count 0, 1, 2, ...";
  const auto table = ReadTextTable();
  ASSERT_EQ(table.size(), size_t(2 * kTextCount));
  for (int n = 0; n < kTextCount; ++n) {
    ASSERT_TRUE(table.count(kEnglishBase + n) && table.count(kRussianBase + n)) << n;
    EXPECT_FALSE(table.at(n).empty() || table.at(kRussianBase + n).empty()) << n;
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

namespace {

// A made-up language whose texts show their numbers and marks.
std::wstring NumberedText(TText text) {
  if (text == TText::Finish) return L"&Done";
  if (text == TText::Browse) return L"Pick";
  return L"t" + std::to_wstring(int(text)) + L"(%s,%s)";
}

std::wstring CaptionOf(TControl control, std::wstring_view product, std::wstring_view company) {
  for (const TCaptionRule& rule : CaptionRules())
    if (rule.control == control) return RuleCaption(rule, NumberedText, product, company);
  ADD_FAILURE() << "no rule for " << Control(control).name;
  return {};
}

}  // namespace

TEST(CaptionRules, EveryTextOnceAndEveryControlKnown) {
  std::map<int, int> uses;
  std::map<std::string_view, int> controls;
  for (const TCaptionRule& rule : CaptionRules()) {
    ++controls[Control(rule.control).name];
    if (rule.args != TTextArgs::CompanyAndStop) ++uses[int(rule.text)];
  }
  for (const auto& [control, count] : controls) EXPECT_EQ(count, 1) << control;
  // Texts 0-6 go to the title and buttons, 28 to the folder picker, 32-36 and
  // 49-52 to the workers, 57-58 to message boxes; all others belong to exactly
  // one control.
  for (int n = 0; n < kTextCount; ++n) {
    const bool elsewhere = n <= 6 || n == 28 || (n >= 32 && n <= 36) || (n >= 49 && n <= 52) || n >= 57;
    EXPECT_EQ(uses[n], elsewhere ? 0 : 1) << "text " << n;
  }
  EXPECT_EQ(controls.size(), 42u);
}

TEST(CaptionRules, FormattedCaptions) {
  EXPECT_EQ(CaptionOf(TControl::lbWelcomeInfo2, L"P", L"C"), L"t8(P,P)");
  EXPECT_EQ(CaptionOf(TControl::lbDestFolderInfo4, L"P", L"C"), L"t25(P,Pick)") << "names the Browse button";
  EXPECT_EQ(CaptionOf(TControl::lbInstalledInfo3, L"P", L"C"), L"t39(&Done,)") << "the Finish word with its &";
  EXPECT_EQ(CaptionOf(TControl::lbRemovedInfo3, L"P", L"C"), L"t55(&Done,)");
  EXPECT_EQ(CaptionOf(TControl::cbRunProgram, L"50%s", L"C"), L"t45(50%s,)") << "a product name is no format";
  EXPECT_EQ(CaptionOf(TControl::lbThankInstalledName, L"P", L"Acme"), L"Acme.");
  EXPECT_EQ(CaptionOf(TControl::lbThankRemovedName, L"P", L""), L".");
  EXPECT_EQ(CaptionOf(TControl::rbInstall, L"P", L"C"), L"t14(%s,%s)") << "unformatted texts stand as they are";
  EXPECT_EQ(AppTitle(NumberedText, L"P"), L"t0(P,)");
  EXPECT_EQ(AppTitle([](TText) { return std::wstring(); }, L"P"), L"") << "a language without texts";
}
