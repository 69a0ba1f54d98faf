#include "packer/u_ScriptDefines.h"

#include <algorithm>

#include "actions/u_SimpleFuncs1.h"
#include "package/u_SetupScript.h"
#include "packer/u_ScriptChecks.h"

namespace {

// The definitions with a later one of the same name (in any case) in place of
// an earlier one, as on a compiler's command line.
std::vector<TScriptDefine> LastOfEachName(const std::vector<TScriptDefine>& defines) {
  std::vector<TScriptDefine> last;
  for (const auto& define : defines) {
    const auto same =
        std::find_if(last.begin(), last.end(), [&](const auto& d) { return SameTextAscii(d.name, define.name); });
    if (same == last.end()) last.push_back(define);
    else same->value = define.value;
  }
  return last;
}

}  // namespace

// kErrorInvalidParameter, not kErrorInvalidName: the "=" and the value can be wrong as well as the name.
TResult CheckDefinition(std::string_view definition) {
  const auto invalid = [&](std::string reason) {
    return TResult{kErrorInvalidParameter, std::string(definition), std::move(reason)};
  };
  const size_t eq = definition.find('=');
  if (eq == std::string_view::npos) return invalid("it has no '=' (write NAME=VALUE)");
  const std::string_view name = definition.substr(0, eq), value = definition.substr(eq + 1);
  if (name.empty()) return invalid("it has no name before '='");
  if (name.find_first_of("<>\r\n") != std::string_view::npos)
    return invalid(
        "a name may not hold '<', '>', '=' or a line end (write ProductVersion=2.0, not <ProductVersion>=2.0)");
  if (value.find_first_of("\r\n") != std::string_view::npos) return invalid("a value may not hold a line end");
  return {};
}

size_t TDefinedScript::SourceLine(size_t line) const {
  if (line <= addedAfter) return line;
  return line <= addedAfter + added ? addedAfter : line - added;
}

TDefinedScript DefineVariables(std::string_view text, const std::vector<TScriptDefine>& defines) {
  const TSetupScript script(text);
  std::vector<std::string> lines = script.Lines(), added;
  for (const auto& define : LastOfEachName(defines)) {
    const std::string key = "<" + define.name + ">";
    if (const auto line = script.FindKey(key)) lines[*line].replace(key.size() + 1, std::string::npos, define.value);
    else added.push_back(key + "=" + define.value);
  }
  TDefinedScript defined;
  defined.addedAfter = HeaderLine(script, kHeaderSetupInfo);
  defined.added = added.size();
  lines.insert(lines.begin() + std::ptrdiff_t(defined.addedAfter), added.begin(), added.end());
  for (const auto& line : lines) defined.text.append(line).append("\r\n");
  return defined;
}
