#pragma once
// The two ANSI code pages the packer knows (Western 1252 and Cyrillic 1251):
// script text to UTF-16, and the upper-casing that the Windows loader applies
// to a resource name before it looks the name up.

#include <optional>
#include <string>
#include <string_view>

inline constexpr int kDefaultCodePage = 1252;

bool IsSupportedCodePage(int codePage);

// Every byte maps to one UTF-16 unit; bytes the code page leaves undefined map
// to the unit of the same value, as Windows does.
std::u16string AnsiToUtf16(std::string_view text, int codePage);

// The text in the code page; nullopt when some character has no byte there.
std::optional<std::string> Utf16ToAnsi(std::u16string_view text, int codePage);

// Upper case of every letter that the supported code pages can produce.
char16_t UpperCaseUtf16(char16_t c);
std::u16string UpperCaseUtf16(std::u16string_view text);

std::string Utf16ToUtf8(std::u16string_view text);
