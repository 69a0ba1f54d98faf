// Variable expansion of the setup project. The input is a script, a NUL, the
// value to expand on one line, and further "name=value" lines that join the
// project's variable table.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package/c_SetupProc.h"
#include "package/u_SetupScript.h"
#include "tests/unit/fake_setup_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  const std::string_view script = input.substr(0, nul);
  const std::string_view rest = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);

  FakeHost host;
  host.SetScript(std::string(script));
  TSetupProc project(host);
  const std::vector<std::string> lines = SplitLines(rest);
  if (lines.empty()) return 0;
  project.VarList.insert(project.VarList.end(), lines.begin() + 1, lines.end());
  project.ExpandValue(lines[0]);
  project.ExpandRegKey(lines[0]);
  return 0;
}
