#include "package/u_SetupScript.h"

#include "actions/u_SimpleFuncs1.h"

std::vector<std::string> SplitLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::optional<TKeyLine> SplitKeyLine(std::string_view line) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return TKeyLine{line.substr(0, eq), line.substr(eq + 1)};
}

std::string EntryKey(std::string_view keyWord, size_t n) { return std::string(keyWord) + std::to_string(n); }

TSetupScript::TSetupScript(std::string_view text) : lines_(SplitLines(text)) {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (const auto key = SplitKeyLine(lines_[i])) firstKeyLines_.try_emplace(UpperCaseAscii(key->name), i);
}

bool TSetupScript::HasHeader(std::string_view header) const {
  for (const auto& line : lines_)
    if (SameTextAscii(line, header)) return true;
  return false;
}

std::optional<size_t> TSetupScript::FindKey(std::string_view name) const {
  const auto line = firstKeyLines_.find(UpperCaseAscii(name));
  if (line == firstKeyLines_.end()) return std::nullopt;
  return line->second;
}

std::string TSetupScript::Text(std::string_view name) const {
  const auto index = FindKey(name);
  return index ? std::string(SplitKeyLine(lines_[*index])->value) : std::string();
}

bool TSetupScript::Boolean(std::string_view name) const { return IsTrue(Text(name)); }

int32_t TSetupScript::Integer(std::string_view name) const { return StrToIntDef(Text(name), 0); }

size_t TSetupScript::CountEntries(std::string_view keyWord) const {
  size_t n = 0;
  while (HasKey(EntryKey(keyWord, n + 1))) ++n;
  return n;
}
