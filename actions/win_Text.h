#pragma once
// Conversions between the program's narrow texts and the UTF-16 of the
// wide-character calls, in the ANSI code page of script values and paths.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace text_codes {

inline std::wstring ToWide(UINT codePage, std::string_view text) {
  const int length = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), wide.data(), length);
  return wide;
}

// With `inexact` the conversion reports whether a character had no byte form of its own.
inline std::string FromWide(UINT codePage, DWORD flags, std::wstring_view text, BOOL* inexact = nullptr) {
  const int length =
      WideCharToMultiByte(codePage, flags, text.data(), int(text.size()), nullptr, 0, nullptr, inexact);
  std::string narrow(size_t(length > 0 ? length : 0), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), int(text.size()), narrow.data(), length, nullptr, nullptr);
  return narrow;
}

}  // namespace text_codes

inline std::wstring AnsiToWide(std::string_view text) { return text_codes::ToWide(CP_ACP, text); }

// Characters without an ANSI form become look-alikes or the default character.
inline std::string WideToAnsi(std::wstring_view text) { return text_codes::FromWide(CP_ACP, 0, text); }

// The ANSI form of a UTF-16 text, or nothing when a character has no exact
// ANSI form (a near look-alike would name another folder).
inline std::optional<std::string> ToExactAnsi(std::wstring_view text) {
  BOOL inexact = FALSE;
  std::string ansi = text_codes::FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, text, &inexact);
  if (inexact || (ansi.empty() && !text.empty())) return std::nullopt;
  return ansi;
}

// The whole text of a window of this process.
inline std::wstring WindowText(HWND window) {
  std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}
