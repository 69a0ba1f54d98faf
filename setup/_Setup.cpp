// Program entry of the setup program. It reads its own payload; the wizard that
// walks the user through install and removal is not part of this build yet, so
// the program says what it found and ends.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "package/u_Payload.h"
#include "package/u_SetupScript.h"
#include "package/win_Resources.h"

// The C++ runtime's default terminate handler pulls in the demangler; a setup
// program only needs to end.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

std::string OwnPath() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

Bytes UnpackedResource(const std::string& exe, const char* name) {
  Bytes raw, text;
  if (ReadFileResource(exe, name, kPayloadType, raw) && UnpackResource(raw, text)) return text;
  return {};
}

std::string Summary(const std::string& exe) {
  const TSetupScript script(UnpackedResource(exe, kScriptResource));
  const Bytes license = UnpackedResource(exe, kLicenseResource);
  if (!script.HasHeader(kHeaderSetupInfo)) return "This setup program carries no setup script.";
  return script.Text("<ProductName>") + " " + script.Text("<ProductVersion>") + " by " +
         script.Text("<CompanyName>") + "\n" + std::to_string(script.CountEntries("FileDispName")) +
         " file(s), licence text of " + std::to_string(license.size()) +
         " bytes.\n\nThe setup wizard is not available in this build.";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, Summary(OwnPath()).c_str(), "Setup Wizard initializing ...", MB_OK | MB_ICONINFORMATION);
  return 0;
}
