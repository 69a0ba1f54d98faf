#pragma once
// The wizard's texts as the string table holds them, for tests that read what
// a message tells: the list's spellings with their doubled quotes undone.

#include <string>
#include <string_view>

#include "actions/u_TextIds.h"

// A string of the list as the resource compiler reads it: "" stands for one quote.
inline std::string ResourceString(std::string_view spelling) {
  std::string text;
  for (size_t i = 1; i + 1 < spelling.size(); ++i) {
    text += spelling[i];
    if (spelling[i] == '"') ++i;
  }
  return text;
}

inline std::string EnglishText(TText text) {
  switch (text) {
#define WIZARD_TEXT(name, n, english, russian) \
  case TText::name: return ResourceString(#english);
#include "resources/texts.inc"
#undef WIZARD_TEXT
  }
  return {};
}

// The message in English, each "%s" filled with the next argument.
inline std::string English(const TMessage& message) {
  const std::string pattern = EnglishText(message.text);
  std::string text;
  size_t pos = 0;
  for (const std::string& arg : message.args) {
    const size_t mark = pattern.find("%s", pos);
    if (mark == std::string::npos) break;
    text += pattern.substr(pos, mark - pos) + arg;
    pos = mark + 2;
  }
  return text + pattern.substr(pos);
}
