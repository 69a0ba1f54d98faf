#include "package/win_SetupHost.h"

#include "package/win_Resources.h"

void* TWinSetupHost::ModuleHandle() const { return GetModuleHandleA(nullptr); }

std::string TWinSetupHost::ModuleFileName() const {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
}

bool TWinSetupHost::HasBitmapResource(const char* name) const {
  return FindResourceA(static_cast<HMODULE>(ModuleHandle()), name, MAKEINTRESOURCEA(2)) != nullptr;
}

bool TWinSetupHost::ReadPayloadResource(const std::string& exeFile, const char* name, Bytes& raw) const {
  return ReadFileResource(exeFile, name, kPayloadType, raw);
}
