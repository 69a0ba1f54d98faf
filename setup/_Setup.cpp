// Program entry of the setup program: the project is built from the program's
// own payload inside an OLE session, then the wizard runs until it is closed.

#include <windows.h>

#include <ole2.h>

#include "package/c_SetupProc.h"
#include "package/win_SetupHost.h"
#include "setup/frmSetup.h"

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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Libraries load from the system folder only, never from the folder the
  // installer was started from; the product's own are loaded by full path.
  // The program imports known system libraries only, so nothing from its own
  // folder has run before this point.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  const TOleSession ole;
  TWinSetupHost host;
  TSetupProc project(host);
  SetupProc = &project;
  const int result = RunWizard(instance);
  SetupProc = nullptr;
  return result;
}
