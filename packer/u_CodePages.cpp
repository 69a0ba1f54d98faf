#include "packer/u_CodePages.h"

#include <algorithm>
#include <array>

namespace {

// 0x80..0x9F of code page 1252; 0xA0..0xFF equal Latin-1.
constexpr std::array<char16_t, 32> kWestern = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// 0x80..0xBF of code page 1251; 0xC0..0xFF are U+0410..U+044F.
constexpr std::array<char16_t, 64> kCyrillic = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char16_t WesternToUtf16(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kWestern[c - 0x80] : char16_t(c); }

char16_t CyrillicToUtf16(unsigned char c) {
  if (c < 0x80) return c;
  if (c < 0xC0) return kCyrillic[c - 0x80];
  return char16_t(0x0410 + (c - 0xC0));
}

char16_t ByteToUtf16(unsigned char c, int codePage) {
  return codePage == 1251 ? CyrillicToUtf16(c) : WesternToUtf16(c);
}

}  // namespace

bool IsSupportedCodePage(int codePage) { return codePage == 1252 || codePage == 1251; }

std::optional<std::string> Utf16ToAnsi(std::u16string_view text, int codePage) {
  // The code page's 256 characters, sorted for lookup by value.
  std::array<std::pair<char16_t, char>, 256> bytes;
  for (int b = 0; b < 256; ++b) bytes[b] = {ByteToUtf16(static_cast<unsigned char>(b), codePage), char(b)};
  std::sort(bytes.begin(), bytes.end());
  std::string result;
  result.reserve(text.size());
  for (const char16_t c : text) {
    const auto found = std::lower_bound(bytes.begin(), bytes.end(), c, [](const auto& e, char16_t v) { return e.first < v; });
    if (found == bytes.end() || found->first != c) return std::nullopt;
    result += found->second;
  }
  return result;
}

std::u16string AnsiToUtf16(std::string_view text, int codePage) {
  std::u16string result;
  result.reserve(text.size());
  for (const char c : text) result += ByteToUtf16(static_cast<unsigned char>(c), codePage);
  return result;
}

char16_t UpperCaseUtf16(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) || (c >= 0x0430 && c <= 0x044F))
    return char16_t(c - 0x20);
  if (c >= 0x0450 && c <= 0x045F) return char16_t(c - 0x50);
  switch (c) {
    case 0x00B5: return 0x039C;
    case 0x00FF: return 0x0178;
    case 0x0153: case 0x0161: case 0x017E: case 0x0192: case 0x0491: return char16_t(c - 1);
    default: return c;
  }
}

std::u16string UpperCaseUtf16(std::u16string_view text) {
  std::u16string result(text);
  for (auto& c : result) c = UpperCaseUtf16(c);
  return result;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string result;
  for (const char16_t c : text) {  // for messages: a surrogate half is written as if it were a character
    if (c < 0x80) {
      result += char(c);
    } else if (c < 0x800) {
      result += char(0xC0 | (c >> 6));
      result += char(0x80 | (c & 0x3F));
    } else {
      result += char(0xE0 | (c >> 12));
      result += char(0x80 | ((c >> 6) & 0x3F));
      result += char(0x80 | (c & 0x3F));
    }
  }
  return result;
}
