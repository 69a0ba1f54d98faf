#include "package/win_SetupHost.h"

#include "actions/win_Text.h"
#include "package/win_Resources.h"

void* TWinSetupHost::ModuleHandle() const { return GetModuleHandleA(nullptr); }

std::string TWinSetupHost::ModuleFileName() const { return WideToAnsi(ModulePath(nullptr)); }

bool TWinSetupHost::HasBitmapResource(const char* name) const {
  return FindResourceA(static_cast<HMODULE>(ModuleHandle()), name, MAKEINTRESOURCEA(2)) != nullptr;
}

TOutcome<Bytes> TWinSetupHost::ReadPayloadResource(const char* name) const {
  return ReadResource(static_cast<HMODULE>(ModuleHandle()), name, kPayloadType);
}
