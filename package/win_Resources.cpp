#include "package/win_Resources.h"

#include "actions/win_API.h"

bool ViewResource(HMODULE module, const char* name, const char* type, std::string_view& data) {
  data = {};
  HRSRC info = FindResourceA(module, name, type);
  if (!info) return false;
  const unique_resource loaded(LoadResource(module, info));
  if (!loaded) return false;
  const void* bytes = LockResource(loaded.get());
  const DWORD size = SizeofResource(module, info);
  if (!bytes && size) return false;
  data = std::string_view(static_cast<const char*>(bytes), size);
  return true;
}

bool ReadResource(HMODULE module, const char* name, const char* type, Bytes& data) {
  data.clear();
  std::string_view view;
  try {
    if (!ViewResource(module, name, type, view)) return false;
    data.assign(view);
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
