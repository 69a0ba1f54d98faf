#include "packer/u_ScriptChecks.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <span>

#include "actions/u_SetupFuncs.h"
#include "actions/u_SimpleFuncs1.h"
#include "package/u_Payload.h"
#include "packer/u_CodePages.h"

namespace {

bool ContainsAnyCase(std::span<const std::string_view> names, std::string_view name) {
  return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return SameTextAscii(n, name); });
}

bool Contains(std::span<const std::string_view> names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) about "'" + std::string(...).
std::string Quoted(std::string_view text) {
  std::string quoted(1, '\'');
  quoted.append(text);
  return quoted += '\'';
}

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A numbered key name split into its group, key word and digits.
struct TNumberedKey {
  const TEntryGroup* group;
  std::string_view keyWord, digits;
};

std::optional<TNumberedKey> ParseNumberedKey(std::string_view name) {
  for (const auto& group : kEntryGroups)
    for (const auto keyWord : group.KeyWords) {
      if (name.size() <= keyWord.size() || !SameTextAscii(name.substr(0, keyWord.size()), keyWord)) continue;
      const std::string_view digits = name.substr(keyWord.size());
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return TNumberedKey{&group, keyWord, digits};
    }
  return std::nullopt;
}

bool IsKnownKey(std::string_view name) { return ContainsAnyCase(kInfoKeys, name) || ParseNumberedKey(name); }

class TScriptChecker {
public:
  // The entry counts are taken once: every check walks them, and recounting
  // for each key made a script of thousands of entries take minutes.
  TScriptChecker(const TSetupScript& script, int codePage) : script_(script), codePage_(codePage) {
    for (size_t g = 0; g < kEntryGroups.size(); ++g) {
      const TEntryGroup& group = kEntryGroups[g];
      hasHeader_[g] = script_.HasHeader(group.Header);
      counts_[g] = hasHeader_[g] ? script_.CountEntries(group.DecidingKey) : 0;
    }
  }

  std::vector<TScriptIssue> Run() {
    CheckHeaders();
    CheckKeyLines();
    CheckBooleans();
    CheckVariables();
    CheckFiles();
    CheckRegTypes();
    std::stable_sort(issues_.begin(), issues_.end(), [](const auto& a, const auto& b) { return a.line < b.line; });
    return std::move(issues_);
  }

private:
  void Error(size_t line, std::string text) { issues_.push_back({TScriptIssue::Error, line, std::move(text)}); }
  void Warning(size_t line, std::string text) { issues_.push_back({TScriptIssue::Warning, line, std::move(text)}); }

  static size_t IndexOf(const TEntryGroup& group) { return size_t(&group - kEntryGroups.data()); }
  size_t Count(const TEntryGroup& group) const { return counts_[IndexOf(group)]; }

  void CheckHeaders() {
    if (!script_.HasHeader(kHeaderSetupInfo))
      Error(0, "no " + std::string(kHeaderSetupInfo) + " header line: the installer would read nothing of the script");
    const auto& lines = script_.Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string_view trimmed = Trim(lines[i]);
      if (trimmed == lines[i]) continue;
      for (const auto header : {kHeaderSetupInfo, kHeaderFileGroups, kHeaderFileValues, kHeaderRegValues,
                                kHeaderLinkGroups, kHeaderLinkValues})
        if (SameTextAscii(trimmed, header))
          Warning(i + 1, "header " + std::string(header) + " has spaces around it, so the installer does not see it");
    }
    for (const auto& group : kEntryGroups) {
      if (script_.HasHeader(group.Header)) continue;
      if (const size_t line = KeyLine(script_, EntryKey(group.DecidingKey, 1)))
        Warning(line, "no " + std::string(group.Header) + " header line, so the installer reads none of these entries");
    }
  }

  void CheckKeyLines() {
    std::map<std::string, size_t> firstLine;
    const auto& lines = script_.Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      const auto key = SplitKeyLine(lines[i]);
      if (!key) continue;
      const size_t line = i + 1;
      const auto [first, isNew] = firstLine.emplace(UpperCaseAscii(key->name), line);
      if (!isNew)
        Warning(line, Quoted(key->name) + " repeats the key of line " + std::to_string(first->second) +
                          "; the installer reads only line " + std::to_string(first->second));
      const std::string_view trimmed = Trim(key->name);
      if (trimmed != key->name && IsKnownKey(trimmed))
        Warning(line, "key name " + Quoted(key->name) + " has spaces around it, so it is not the key " +
                          Quoted(trimmed));
      if (const auto numbered = ParseNumberedKey(key->name)) CheckNumber(line, key->name, *numbered);
    }
  }

  void CheckNumber(size_t line, std::string_view name, const TNumberedKey& key) {
    const std::string quoted = Quoted(name);
    if (key.digits.size() > 1 && key.digits[0] == '0') {
      Warning(line, quoted + ": entry numbers are read without leading zeros, so the installer never reads this key");
      return;
    }
    if (!hasHeader_[IndexOf(*key.group)]) return;  // the missing header is reported once
    const size_t count = Count(*key.group);
    if (key.digits.size() < 10 && std::stoul(std::string(key.digits)) <= count) return;
    const std::string last = count ? "the entries end at " + std::to_string(count) : "there is no entry 1";
    if (key.keyWord == key.group->DecidingKey)
      Warning(line, quoted + " follows a gap (" + last + "), so the installer never reads this entry");
    else
      Warning(line, quoted + " belongs to no entry (" + last + "), so the installer never reads it");
  }

  void CheckBoolean(std::string_view name) {
    const auto index = script_.FindKey(name);
    if (!index) return;
    const std::string value = script_.Text(name);
    if (value != "True" && value != "False")
      Warning(*index + 1, std::string(name) + "=" + value + " reads as False: only \"True\" means true");
  }

  void CheckBooleans() {
    if (script_.HasHeader(kHeaderSetupInfo)) CheckBoolean(kSetupUseLang);
    for (size_t n = 1; n <= Count(kFileValueEntries); ++n) {
      CheckBoolean(EntryKey(kFileDoSetup, n));
      CheckBoolean(EntryKey(kFileDoRegister, n));
    }
    for (size_t n = 1; n <= Count(kRegValueEntries); ++n) CheckBoolean(EntryKey(kRegCheckVersion, n));
  }

  // Warns about every name in angle brackets that ExpandValue would turn into
  // the empty text.
  void CheckValueVariables(std::string_view name, bool groupsDefined) {
    const size_t line = KeyLine(script_, name);
    if (!line) return;
    const std::string value = script_.Text(name);
    for (size_t open = value.find('<'); open != std::string::npos; open = value.find('<', open + 1)) {
      const size_t close = value.find('>', open);
      if (close == std::string::npos) return;
      const std::string variable = value.substr(open, close - open + 1);
      open = close;
      if (ContainsAnyCase(kBuiltInVariables, variable) || Contains(kSpecialFolderNames, variable)) continue;
      const bool isGroup = groupVariables_.contains(UpperCaseAscii(variable));
      if (isGroup && groupsDefined) continue;
      std::string why = "unknown variable " + variable;
      if (isGroup) why = "group variable " + variable + " is not defined yet when this value is expanded";
      else if (ContainsAnyCase(kSpecialFolderNames, variable)) why += " (special folder names are case-sensitive)";
      Warning(line, std::string(name) + ": " + why + "; it expands to the empty text");
    }
  }

  void CheckVariables() {
    for (const auto* group : {&kFileGroupEntries, &kLinkGroupEntries})
      for (size_t n = 1; n <= Count(*group); ++n) groupVariables_.insert(UpperCaseAscii(script_.Text(EntryKey(group->DecidingKey, n))));
    if (script_.HasHeader(kHeaderSetupInfo)) {
      CheckValueVariables(kSetupLocation, false);
      CheckValueVariables(kSetupPath, false);
    }
    const std::array<std::pair<const TEntryGroup*, std::vector<std::string_view>>, 4> expanded = {{
        {&kFileGroupEntries, {kFileGroupPath}},
        {&kFileValueEntries, {kFileSetupPath}},
        {&kRegValueEntries, {kRegValueValue}},
        {&kLinkValueEntries, {kLinkPlace, kLinkDispName, kLinkStartFile}},
    }};
    for (const auto& [group, keyWords] : expanded)
      for (size_t n = 1; n <= Count(*group); ++n)
        for (const auto keyWord : keyWords) CheckValueVariables(EntryKey(keyWord, n), true);
    for (size_t n = 1; n <= Count(kLinkGroupEntries); ++n) CheckValueVariables(EntryKey(kLinkGroupPath, n), true);
  }

  void CheckFiles() {
    std::map<std::u16string, size_t> names{{PayloadResourceName(kScriptResource, codePage_), 0},
                                           {PayloadResourceName(kLicenseResource, codePage_), 0}};
    for (size_t n = 1; n <= Count(kFileValueEntries); ++n) {
      const std::string key = EntryKey(kFileDispName, n);
      const size_t line = KeyLine(script_, key);
      const std::string name = script_.Text(key);
      if (name.empty()) {
        Error(line, key + " is empty: the file would have no payload name");
        continue;
      }
      if (name[0] == '#') Error(line, key + "=" + name + ": a name beginning with '#' is looked up as a number");
      if (script_.Text(EntryKey(kFileLocation, n)).empty())
        Error(line, key + "=" + name + " has no " + EntryKey(kFileLocation, n) + " naming its source file");
      const auto [first, isNew] = names.emplace(PayloadResourceName(name, codePage_), line);
      if (isNew) continue;
      if (first->second == 0)
        Error(line, key + "=" + name + " would replace the payload's own resource " + UpperCaseAscii(name));
      else
        Error(line, key + "=" + name + " has the same payload name as the file of line " +
                        std::to_string(first->second) + " (names are compared in upper case)");
    }
  }

  void CheckRegTypes() {
    for (size_t n = 1; n <= Count(kRegValueEntries); ++n) {
      const std::string key = EntryKey(kRegValueType, n);
      const std::string type = script_.Text(key);
      if (!Contains(kRegTypes, type))
        Warning(KeyLine(script_, key) ? KeyLine(script_, key) : KeyLine(script_, EntryKey(kRegValueLocation, n)),
                key + "=" + type + " is no registry type (they are case-sensitive): only the key is created");
    }
  }

  const TSetupScript& script_;
  int codePage_;
  std::array<bool, 5> hasHeader_{};
  std::array<size_t, 5> counts_{};
  std::set<std::string> groupVariables_;  // in ASCII upper case
  std::vector<TScriptIssue> issues_;
};

}  // namespace

std::optional<TEntryKey> ParseEntryKey(std::string_view name) {
  const auto key = ParseNumberedKey(name);
  if (!key || (key->digits.size() > 1 && key->digits[0] == '0') || key->digits.size() >= 10) return std::nullopt;
  return TEntryKey{key->group->Header, std::stoul(std::string(key->digits))};
}

bool IsReservedVariable(std::string_view name) {
  return ContainsAnyCase(kBuiltInVariables, name) || ContainsAnyCase(kSpecialFolderNames, name);
}

size_t KeyLine(const TSetupScript& script, std::string_view name) {
  const auto index = script.FindKey(name);
  return index ? *index + 1 : 0;
}

size_t HeaderLine(const TSetupScript& script, std::string_view header) {
  const auto& lines = script.Lines();
  const auto found = std::find_if(lines.begin(), lines.end(), [&](const auto& line) { return SameTextAscii(line, header); });
  return found == lines.end() ? 0 : size_t(found - lines.begin()) + 1;
}

std::u16string PayloadResourceName(std::string_view dispName, int codePage) {
  return UpperCaseUtf16(AnsiToUtf16(UpperCaseAscii(dispName), codePage));
}

std::vector<TScriptIssue> CheckScript(const TSetupScript& script, int codePage) {
  return TScriptChecker(script, codePage).Run();
}

std::vector<TScriptIssue> CheckRemoval(const TSetupScript& script) {
  bool uninstallString = false, versionMarker = false;
  if (script.HasHeader(kHeaderRegValues))
    for (size_t n = 1, count = script.CountEntries(kRegValueLocation); n <= count; ++n) {
      uninstallString |=
          IsUninstallString(script.Text(EntryKey(kRegValueLocation, n)), script.Text(EntryKey(kRegValueName, n)));
      versionMarker |= script.Boolean(EntryKey(kRegCheckVersion, n));
    }
  const size_t line = std::max<size_t>(HeaderLine(script, kHeaderRegValues), 1);
  std::vector<TScriptIssue> issues;
  if (!uninstallString)
    issues.push_back({TScriptIssue::Warning, line,
                      "no " + std::string(kUninstallStringValue) + " value under ...\\CurrentVersion\\Uninstall\\: "
                          "the product could not be removed from the list of programs"});
  if (!versionMarker)
    issues.push_back({TScriptIssue::Warning, line,
                      "no installed-version marker (" + std::string(kRegCheckVersion) +
                          "N=True): the installer would never offer to remove the product"});
  return issues;
}
