#pragma once
// In-memory stand-ins for the registry and the shell folders, for tests of the
// code that reaches the system through IRegistry and IShellFolders.

#include <map>
#include <string>
#include <utility>

#include "actions/u_SetupFuncs.h"
#include "actions/u_SimpleFuncs1.h"

// Keys are case-insensitive and hold typed values; writing creates the key.
class FakeRegistry : public IRegistry {
public:
  using Key = std::pair<uint32_t, std::string>;

  // A root always exists; another key when it was written or lies above one that was.
  bool KeyExists(uint32_t rootKey, const std::string& keyPath) const override {
    const Key key = KeyOf(rootKey, keyPath);
    if (key.second.empty()) return true;
    for (const auto& entry : keys)
      if (entry.first == key || Below(entry.first, key)) return true;
    return false;
  }
  TRegValue ReadRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName) const override {
    const auto key = keys.find(KeyOf(rootKey, keyPath));
    if (key == keys.end()) return {};
    const auto value = key->second.find(valueName);
    return value == key->second.end() ? TRegValue() : DecodeRegValue(value->second.Type, value->second.Data);
  }
  void WriteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName,
                     const std::string& valueType, const std::string& value) override {
    auto& values = keys[KeyOf(rootKey, keyPath)];
    if (const auto data = EncodeRegValue(valueType, value)) values[RegValueName(valueName)] = *data;
  }
  bool DeleteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName) override {
    const auto key = keys.find(KeyOf(rootKey, keyPath));
    if (key != keys.end()) key->second.erase(RegValueName(valueName));
    return true;
  }
  bool DeleteRegKey(uint32_t rootKey, const std::string& keyPath) override {
    const Key key = KeyOf(rootKey, keyPath);
    if (key.second.empty()) return true;
    std::erase_if(keys, [&](const auto& entry) { return entry.first == key || Below(entry.first, key); });
    return true;
  }

  // Stores a value with a raw registry type, as another program might have.
  void Put(uint32_t rootKey, const std::string& keyPath, const std::string& valueName, TRegData data) {
    keys[KeyOf(rootKey, keyPath)][valueName] = std::move(data);
  }

  static bool Below(const Key& key, const Key& parent) {
    return key.first == parent.first && (parent.second.empty() || key.second.starts_with(parent.second + "\\"));
  }
  static Key KeyOf(uint32_t rootKey, const std::string& keyPath) { return {rootKey, UpperCaseAscii(RegSubKey(keyPath))}; }

  std::map<Key, std::map<std::string, TRegData>> keys;
};

// Folders by id; ids that are not set are unavailable.
class FakeShellFolders : public IShellFolders {
public:
  std::string ShellFolder(int csidl) const override {
    const auto folder = folders.find(csidl);
    return folder == folders.end() ? std::string() : folder->second;
  }
  std::string WindowsDir() const override { return windowsDir; }

  std::map<int, std::string> folders;
  std::string windowsDir;
};
