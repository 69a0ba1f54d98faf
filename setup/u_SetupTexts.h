#pragma once
// Formatting of the wizard's texts: each "%s" takes the next argument, left to
// right; arguments are inserted as they stand, never read as formats.

#include <initializer_list>
#include <string>
#include <string_view>

// Ids of the texts in the program's string table: text n of a language is the
// string with id language base + n.
inline constexpr int kEnglishBase = 0;
inline constexpr int kRussianBase = 1000;
inline constexpr int kTextCount = 57;

std::wstring FormatText(std::wstring_view pattern, std::initializer_list<std::wstring_view> args);
