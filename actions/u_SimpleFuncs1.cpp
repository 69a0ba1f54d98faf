#include "actions/u_SimpleFuncs1.h"

#include <algorithm>
#include <limits>

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

}  // namespace

bool IsTrue(std::string_view text) { return text == "True"; }

std::string AddBackslash(std::string_view text) {
  std::string result(text);
  if (result.empty() || result.back() != '\\') result += '\\';
  return result;
}

std::string DelBackslash(std::string_view text) {
  if (!text.empty() && text.back() == '\\') text.remove_suffix(1);
  return std::string(text);
}

std::string ExtractFilePath(std::string_view path) {
  const size_t last = path.find_last_of("\\:");
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

std::string ExtractFileName(std::string_view path) { return std::string(path.substr(ExtractFilePath(path).size())); }

bool IsExeFile(std::string_view fileName) {
  return fileName.size() >= 4 && UpperCaseAscii(fileName.substr(fileName.size() - 4)) == ".EXE";
}

std::string ShortcutFileName(std::string_view folder, std::string_view linkName) {
  return AddBackslash(folder) + std::string(linkName) + ".lnk";
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';

  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    i += 1;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }

  const std::string_view digits = text.substr(i);
  if (digits.empty() || (base == 16 && digits.size() > 8)) return fallback;
  uint64_t magnitude = 0;
  for (char c : digits) {
    const int d = DigitValue(c, base);
    if (d < 0) return fallback;
    magnitude = magnitude * base + d;
    if (magnitude > 0xFFFFFFFFull) return fallback;
  }

  if (base == 16) {
    const auto pattern = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - pattern : pattern);
  }
  const uint64_t limit = negative ? uint64_t(std::numeric_limits<int32_t>::max()) + 1
                                  : uint64_t(std::numeric_limits<int32_t>::max());
  if (magnitude > limit) return fallback;
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
}

std::string UpperCaseAscii(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), UpperAscii);
  return result;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}
