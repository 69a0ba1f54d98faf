#include "actions/win_Registry.h"

#include <vector>

#include "actions/u_SimpleFuncs1.h"
#include "actions/win_API.h"
#include "actions/win_SetupFuncs.h"

namespace {

constexpr REGSAM kExistenceAccess = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

TOutcome<unique_hkey> OpenKey(HKEY parent, const std::string& subKey, REGSAM access) {
  HKEY key = nullptr;
  const LSTATUS opened = RegOpenKeyExA(parent, subKey.c_str(), 0, access, &key);
  if (opened != ERROR_SUCCESS) return RegistryFailure(opened, subKey);
  return unique_hkey(key);
}

// A deletion's outcome: done, or nothing was there to delete; else why the
// item stays.
TResult Deleted(TResult deletion) { return deletion.Code() == ERROR_FILE_NOT_FOUND ? TResult() : deletion; }

TOutcome<unique_hkey> CreateKey(uint32_t rootKey, const std::string& keyPath) {
  HKEY key = nullptr;
  const LSTATUS status = RegCreateKeyExA(RootKeyHandle(rootKey), RegSubKey(keyPath).c_str(), 0, nullptr, 0,
                                         KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return RegistryFailure(status, keyPath);
  return unique_hkey(key);
}

TOutcome<unique_hkey> OpenKey(uint32_t rootKey, const std::string& keyPath, REGSAM access) {
  return OpenKey(RootKeyHandle(rootKey), RegSubKey(keyPath), access);
}

// The value's registry type and bytes, or nothing when it cannot be read.
std::optional<TRegData> QueryValue(HKEY key, const std::string& name) {
  for (int attempt = 0; attempt < 3; ++attempt) {  // the value may grow between the two calls
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    TRegData value{type, Bytes(size, '\0')};
    const LSTATUS status =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.Data.data()), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return std::nullopt;
    value.Type = type;
    value.Data.resize(size);
    return value;
  }
  return std::nullopt;
}

// Deletes the subkeys depth first, last index first, then the key itself;
// the outcome of that last deletion, told of `item`.
TResult DeleteKeyTree(HKEY parent, const std::string& subKey, const std::string& item) {
  if (const TOutcome<unique_hkey> key = OpenKey(parent, subKey, KEY_ALL_ACCESS)) {
    DWORD subKeys = 0, longestName = 0;
    if (RegQueryInfoKeyA(key->get(), nullptr, nullptr, nullptr, &subKeys, &longestName, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      std::vector<char> name(longestName + 1);
      for (DWORD index = subKeys; index-- > 0;) {
        DWORD length = DWORD(name.size());
        if (RegEnumKeyExA(key->get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS)
          (void)DeleteKeyTree(key->get(), std::string(name.data(), length), item);  // a subkey that stays fails the key's own deletion
      }
    }
  }
  return RegistryFailure(RegDeleteKeyA(parent, subKey.c_str()), item);
}

}  // namespace

bool TWinRegistry::KeyExists(uint32_t rootKey, const std::string& keyPath) const {
  return bool(OpenKey(rootKey, keyPath, kExistenceAccess));
}

std::optional<TRegValue> TWinRegistry::ReadRegValue(uint32_t rootKey, const std::string& keyPath,
                                                    const std::string& valueName) const {
  if (!KeyExists(rootKey, keyPath)) return std::nullopt;
  const TOutcome<unique_hkey> key = OpenKey(rootKey, keyPath, KEY_ALL_ACCESS);
  if (!key) return std::nullopt;
  const auto value = QueryValue(key->get(), RegValueName(valueName));
  return value ? DecodeRegValue(value->Type, value->Data) : std::nullopt;
}

void TWinRegistry::WriteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName,
                                 const std::string& valueType, const std::string& value) {
  const std::string name = RegValueName(valueName);
  // A key that cannot be created shows only when the value cannot be set.
  const TOutcome<unique_hkey> key = CreateKey(rootKey, keyPath);
  const auto data = EncodeRegValue(valueType, value);
  if (!data) return;
  if (!key || RegSetValueExA(key->get(), name.c_str(), 0, data->Type, reinterpret_cast<const BYTE*>(data->Data.data()),
                             DWORD(data->Data.size())) != ERROR_SUCCESS)
    throw ESetupError(TText::FailedToSetData, {name});
}

TResult TWinRegistry::DeleteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName) {
  const std::string item = AddBackslash(keyPath) + valueName;
  const TOutcome<unique_hkey> key = OpenKey(rootKey, keyPath, KEY_ALL_ACCESS);
  if (!key) return Deleted(key.Failure().Of(item));
  return Deleted(RegistryFailure(RegDeleteValueA(key->get(), RegValueName(valueName).c_str()), item));
}

TResult TWinRegistry::DeleteRegKey(uint32_t rootKey, const std::string& keyPath) {
  const std::string subKey = RegSubKey(keyPath);
  if (subKey.empty() || !KeyExists(rootKey, keyPath)) return {};
  return Deleted(DeleteKeyTree(RootKeyHandle(rootKey), subKey, keyPath));
}
