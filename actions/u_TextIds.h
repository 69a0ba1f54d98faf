#pragma once
// The wizard's texts by name, and a message made of one of them. The texts are
// listed once in resources/texts.inc, of which the string table is made too:
// text n of a language is the string with id language base + n. The actions
// raise their errors as messages, which the window tells in its language.

#include <string>
#include <vector>

enum class TText : int {
#define WIZARD_TEXT(name, n, english, russian) name = n,
#include "resources/texts.inc"
#undef WIZARD_TEXT
};
inline constexpr int kTextCount = 0  // one for each line of the list
#define WIZARD_TEXT(name, n, english, russian) +1
#include "resources/texts.inc"
#undef WIZARD_TEXT
    ;
inline constexpr int kEnglishBase = 0;
inline constexpr int kRussianBase = 1000;

// A text with what goes into its "%s" marks, left to right: paths, names and
// the system's reasons, in the ANSI code page.
struct TMessage {
  TText text;
  std::vector<std::string> args;
  bool operator==(const TMessage&) const = default;
};
