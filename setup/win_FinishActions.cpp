// The finish actions on Windows, for the global project.

#include <windows.h>

#include "actions/win_SetupFuncs.h"
#include "package/win_Resources.h"
#include "setup/u_FinishActions.h"

namespace {

class TWinFinishSystem final : public IFinishSystem {
public:
  explicit TWinFinishSystem(HWND owner) : owner_(owner) {}

  void CreateShortcut(const std::string& linkName, const std::string& folder, const std::string& targetFile,
                      const std::string& description) override {
    ::CreateShortcut(linkName, folder, targetFile, description);
  }
  TOutcome<Bytes> ReadProgramFile() override { return ::ReadWholeFile(ModulePath(nullptr)); }
  TResult ForceDirectories(const std::string& path) override { return ::ForceDirectories(path); }
  TResult WriteWholeFile(const std::string& fileName, std::string_view data) override {
    return ::WriteWholeFile(fileName, data);
  }
  void StartProgram(const std::string& fileName, const std::string& folder) override {
    SetCurrentDirectoryA(folder.c_str());
    RunProgram(owner_, fileName, "", folder, SW_SHOWNOACTIVATE);
  }

private:
  HWND owner_;
};

}  // namespace

TResult RunFinishActions(const TFinishChoices& choices, void* ownerWindow) {
  TWinFinishSystem system(static_cast<HWND>(ownerWindow));
  return FinishActions(*SetupProc, choices, system);
}
