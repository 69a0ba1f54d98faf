#pragma once
// The registry operations of the setup actions on the Windows registry.

#include <windows.h>

#include "actions/u_SetupFuncs.h"

// A 32-bit root key value as the HKEY the platform expects: on 64-bit Windows
// the predefined keys are the sign-extended values.
inline HKEY RootKeyHandle(uint32_t rootKey) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(rootKey))));
}

// Every call opens and closes its own keys. Keys are read, written and deleted
// with full access; KeyExists asks only for read access. A deletion that fails
// returns the registry's status with the key or value it concerns.
class TWinRegistry final : public IRegistry {
public:
  bool KeyExists(uint32_t rootKey, const std::string& keyPath) const override;
  std::optional<TRegValue> ReadRegValue(uint32_t rootKey, const std::string& keyPath,
                                        const std::string& valueName) const override;
  void WriteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName,
                     const std::string& valueType, const std::string& value) override;
  TResult DeleteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName) override;
  TResult DeleteRegKey(uint32_t rootKey, const std::string& keyPath) override;
};
