// The program's run: the common controls, the wizard window and its message loop.

#include "setup/frmSetup.h"

#include <commctrl.h>

#include <exception>

#include "actions/u_SetupConsts.h"
#include "actions/win_Text.h"

namespace {

// The common controls library is loaded here, from the system folder, rather
// than imported: an imported one is looked for beside the installer, with the
// libraries it loads itself, before the program can limit the search.
unique_module LoadCommonControls() {
  unique_module library(LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  const FARPROC entry = library ? GetProcAddress(library.get(), "InitCommonControlsEx") : nullptr;
  if (!entry) return library;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  reinterpret_cast<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(reinterpret_cast<void*>(entry))(&controls);
  return library;
}

int RunMessageLoop(HINSTANCE instance) {
  TVelkSetup wizard(instance);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (VelkSetup && VelkSetup->PreviewKey(message)) continue;
    if (VelkSetup && IsDialogMessageW(VelkSetup->Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return int(message.wParam);
}

}  // namespace

int RunWizard(HINSTANCE instance) {
  const unique_module commonControls = LoadCommonControls();
  // An error that escapes the window's creation or its message loop is told
  // once; then the program ends, its window gone.
  std::wstring message;
  try {
    return RunMessageLoop(instance);
  } catch (...) {
    message = WizardMessage(instance, ErrorMessage(std::current_exception()));
  }
  // The window's end posted the quit message, which would close the box at once.
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  MessageBoxW(nullptr, message.c_str(), WizardTitle(instance).c_str(), MB_OK | MB_ICONERROR);
  return 1;
}
