#pragma once
// Small text helpers shared by the script reader, the setup project and the actions.
// All text is 8-bit text in the system's ANSI code page, compared byte by byte.

#include <cstdint>
#include <string>
#include <string_view>

// A script flag is true only for the exact text "True".
bool IsTrue(std::string_view text);

// "" -> "\"; appends one "\" unless the text already ends in one.
std::string AddBackslash(std::string_view text);

// Removes one trailing "\" when there is one.
std::string DelBackslash(std::string_view text);

// The folder part of a path: everything up to and including its last "\" or
// ":"; "" when it has neither.
std::string ExtractFilePath(std::string_view path);
// The file name part of a path: everything after its folder part.
std::string ExtractFileName(std::string_view path);

// True when the name ends in ".EXE" in any letter case (ASCII letters only).
bool IsExeFile(std::string_view fileName);

// The shortcut file that creation and removal use: Folder\LinkName.lnk.
std::string ShortcutFileName(std::string_view folder, std::string_view linkName);

// Reads an integer the way script values are read: leading blanks, an optional
// sign, then decimal digits, or hexadecimal ones after "$", "x" or "0x" (any
// case). The whole rest must be digits; a decimal number must fit 32 signed
// bits, a hexadecimal one at most eight digits (taken as the bit pattern).
// Anything else gives `fallback`.
int32_t StrToIntDef(std::string_view text, int32_t fallback);

// ASCII-only case folding, as the script's names and resource names use it.
std::string UpperCaseAscii(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);
