// The packer's checks of a setup script, on arbitrary script text; the first
// byte picks the code page.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package/u_SetupScript.h"
#include "packer/u_ScriptChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int codePage = data[0] & 1 ? 1251 : 1252;
  const TSetupScript script(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  CheckScript(script, codePage);
  return 0;
}
