#pragma once
// The setup project's view of the running Windows program: its module, its own
// payload resources, the registry and the shell folders. The logo is looked for
// in ModuleHandle(), so a host that names another module checks that one.

#include "actions/win_Registry.h"
#include "actions/win_SetupFuncs.h"
#include "package/c_SetupProc.h"

class TWinSetupHost : public ISetupHost {
public:
  void* ModuleHandle() const override;
  std::string ModuleFileName() const override;
  bool HasBitmapResource(const char* name) const override;
  TOutcome<Bytes> ReadPayloadResource(const char* name) const override;
  IRegistry& Registry() override { return registry_; }
  const IShellFolders& ShellFolders() const override { return folders_; }

private:
  TWinRegistry registry_;
  TWinShellFolders folders_;
};
