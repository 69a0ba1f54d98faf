// Program entry of the setup program. It reads its own payload; the wizard that
// walks the user through install and removal is not part of this build yet, so
// the program says what it found and ends.

#include <windows.h>

#include <cstdlib>
#include <string>

#include <ole2.h>

#include "package/c_SetupProc.h"
#include "package/win_SetupHost.h"

// The C++ runtime's default terminate handler pulls in the demangler; a setup
// program only needs to end.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

// OLE for the process: initialised before the project is built, shut down after
// it is gone, once per run.
class TOleSession {
public:
  TOleSession() { OleInitialize(nullptr); }
  ~TOleSession() { OleUninitialize(); }
  TOleSession(const TOleSession&) = delete;
  TOleSession& operator=(const TOleSession&) = delete;
};

std::string Summary(const TSetupProc& project) {
  if (project.ProductName.empty()) return "This setup program carries no setup script.";
  return project.ProductName + " " + project.ProductVersion + " by " + project.CompanyName + "\n" +
         std::to_string(project.FileList.size()) + " file(s) to " + project.SetupPath + ", licence text of " +
         std::to_string(project.LicenseText.size()) + " bytes, installed state " +
         std::to_string(project.InstalledState) + ".\n\nThe setup wizard is not available in this build.";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const TOleSession ole;
  TWinSetupHost host;
  TSetupProc project(host);
  SetupProc = &project;
  MessageBoxA(nullptr, Summary(project).c_str(), "Setup Wizard initializing ...", MB_OK | MB_ICONINFORMATION);
  SetupProc = nullptr;
  return 0;
}
