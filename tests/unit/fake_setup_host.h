#pragma once
// The system as a test or benchmark describes it to the setup project: payload
// resources, special folders and registry values, all in memory.

#include <map>
#include <string>

#include "package/c_SetupProc.h"
#include "tests/unit/fake_system.h"

class FakeHost : public ISetupHost {
public:
  FakeHost() {
    folders.folders[kCsidlDesktop] = "C:\\Users\\u\\Desktop";
    registry.WriteRegValue(kHKeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                           "<String>", "C:\\Program Files");
  }
  explicit FakeHost(const std::string& script) : FakeHost() { SetScript(script); }

  void* ModuleHandle() const override { return nullptr; }
  std::string ModuleFileName() const override { return "C:\\Temp\\Setup.exe"; }
  bool HasBitmapResource(const char*) const override { return logo; }
  TOutcome<Bytes> ReadPayloadResource(const char* name) const override {
    const auto it = payload.find(name);
    if (it == payload.end()) return TResult(1814, name, "not found");  // the system's code for a missing resource
    return it->second;
  }
  IRegistry& Registry() override { return registry; }
  const IShellFolders& ShellFolders() const override { return folders; }

  void SetScript(const std::string& text) { payload[kScriptResource] = PackResource(text); }
  void SetRegValue(uint32_t root, const std::string& key, const std::string& name, const std::string& text) {
    registry.WriteRegValue(root, key, name, "<String>", text);
  }

  std::map<std::string, Bytes> payload;
  FakeRegistry registry;
  FakeShellFolders folders;
  bool logo = false;
};
