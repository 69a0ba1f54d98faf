// Program entry of the setup program: the project is built from the program's
// own payload inside an OLE session, then the wizard runs until it is closed.

#include <windows.h>

#include "actions/win_API.h"
#include "package/c_SetupProc.h"
#include "package/win_SetupHost.h"
#include "setup/frmSetup.h"

namespace {

// Loaded by the system's own libraries by name, once the wizard first draws
// (alpha blending): loaded first from the system folder, that copy is the one
// they get, whatever lies beside the installer.
unique_module LoadDrawingLibrary() {
  return unique_module(LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Libraries load from the system folder only, never from the folder the
  // installer was started from; the product's own are loaded by full path.
  // The program imports known system libraries only, so nothing from its own
  // folder has run before this point.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  const unique_module drawing = LoadDrawingLibrary();
  const TOleSession ole;  // started before the project is built, shut down after it is gone
  TWinSetupHost host;
  TSetupProc project(host);
  SetupProc = &project;
  const int result = RunWizard(instance);
  SetupProc = nullptr;
  return result;
}
