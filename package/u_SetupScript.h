#pragma once
// The setup script as the installer reads it: the text is split into lines, and
// keys are looked up by name over the whole text, first match from the top. A
// section header only switches the reading of its group of keys on. The first
// line of every key name is indexed once, so a lookup does not rescan the text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "actions/u_SetupNames.h"


// Splits text into lines: a line ends at CR, LF or CR LF, a NUL byte ends the
// text, and a last line without line end counts.
std::vector<std::string> SplitLines(std::string_view text);

class TSetupScript {
public:
  explicit TSetupScript(std::string_view text);

  const std::vector<std::string>& Lines() const { return lines_; }
  bool Empty() const { return lines_.empty(); }

  // A line that equals the header as a whole, letters in any case.
  bool HasHeader(std::string_view header) const;

  // Index of the first key line whose name matches (any case, never trimmed).
  std::optional<size_t> FindKey(std::string_view name) const;
  bool HasKey(std::string_view name) const { return FindKey(name).has_value(); }

  // Typed values; a missing key reads as empty, false or 0.
  std::string Text(std::string_view name) const;
  bool Boolean(std::string_view name) const;
  int32_t Integer(std::string_view name) const;

  // Number of entries 1, 2, ... whose deciding key `keyWord`N exists, up to the
  // first gap.
  size_t CountEntries(std::string_view keyWord) const;

private:
  std::vector<std::string> lines_;
  std::unordered_map<std::string, size_t> firstKeyLines_;  // by the ASCII upper-case name
};

// The parts of a key line ("name=value"); nullopt for other lines.
struct TKeyLine {
  std::string_view name;
  std::string_view value;
};
std::optional<TKeyLine> SplitKeyLine(std::string_view line);

// `keyWord` followed by N in decimal, as numbered entries are named.
std::string EntryKey(std::string_view keyWord, size_t n);
