#include "package/win_Resources.h"

#include "actions/win_API.h"

bool ReadResource(HMODULE module, const char* name, const char* type, Bytes& data) {
  data.clear();
  try {
    HRSRC info = FindResourceA(module, name, type);
    if (!info) return false;
    const unique_resource loaded(LoadResource(module, info));
    if (!loaded) return false;
    const void* bytes = LockResource(loaded.get());
    const DWORD size = SizeofResource(module, info);
    if (!bytes && size) return false;
    data.assign(static_cast<const char*>(bytes), size);
    return true;
  } catch (...) {
    data.clear();
    return false;
  }
}

bool ReadFileResource(const std::string& path, const char* name, const char* type, Bytes& data) {
  data.clear();
  const unique_module module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  return module && ReadResource(module.get(), name, type, data);
}
