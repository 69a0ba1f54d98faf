#pragma once
// In-memory stand-ins for the registry and the shell folders, for tests of the
// code that reaches the system through IRegistry and IShellFolders.

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "actions/u_SetupFuncs.h"
#include "actions/u_SimpleFuncs1.h"

// Behaves as the Windows registry does: key and value names are compared
// without regard to ASCII case, empty key names between backslashes are
// skipped, writing creates the key and every key above it, and a key path that
// starts with a backslash or holds a name longer than 255 characters cannot be
// created.
class FakeRegistry : public IRegistry {
public:
  using Key = std::pair<uint32_t, std::string>;
  struct IgnoringAsciiCase {
    bool operator()(const std::string& a, const std::string& b) const { return UpperCaseAscii(a) < UpperCaseAscii(b); }
  };
  using Values = std::map<std::string, TRegData, IgnoringAsciiCase>;

  bool KeyExists(uint32_t rootKey, const std::string& keyPath) const override {
    const Key key = KeyOf(rootKey, keyPath);
    return key.second.empty() || keys.contains(key);
  }
  std::optional<TRegValue> ReadRegValue(uint32_t rootKey, const std::string& keyPath,
                                        const std::string& valueName) const override {
    const auto key = keys.find(KeyOf(rootKey, keyPath));
    if (key == keys.end()) return std::nullopt;
    const auto value = key->second.find(RegValueName(valueName));
    return value == key->second.end() ? std::nullopt : DecodeRegValue(value->second.Type, value->second.Data);
  }
  void WriteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName,
                     const std::string& valueType, const std::string& value) override {
    Values* values = CreateKey(KeyOf(rootKey, keyPath));
    const auto data = EncodeRegValue(valueType, value);
    if (!data) return;
    if (!values) throw ESetupError(TText::FailedToSetData, {RegValueName(valueName)});
    (*values)[RegValueName(valueName)] = *data;
  }
  TResult DeleteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName) override {
    const auto key = keys.find(KeyOf(rootKey, keyPath));
    if (key != keys.end()) key->second.erase(RegValueName(valueName));
    return {};
  }
  TResult DeleteRegKey(uint32_t rootKey, const std::string& keyPath) override {
    const Key key = KeyOf(rootKey, keyPath);
    if (key.second.empty()) return {};
    std::erase_if(keys, [&](const auto& entry) {
      return entry.first.first == key.first &&
             (entry.first.second == key.second || entry.first.second.starts_with(key.second + "\\"));
    });
    return {};
  }

  // Stores a value with a raw registry type, as another program might have.
  void Put(uint32_t rootKey, const std::string& keyPath, const std::string& valueName, TRegData data) {
    if (Values* values = CreateKey(KeyOf(rootKey, keyPath))) (*values)[valueName] = std::move(data);
  }

  // A key as the registry names it: ASCII upper case, empty names between backslashes skipped.
  static Key KeyOf(uint32_t rootKey, const std::string& keyPath) {
    std::string path = UpperCaseAscii(RegSubKey(keyPath));
    path.erase(std::unique(path.begin(), path.end(), [](char a, char b) { return a == '\\' && b == '\\'; }),
               path.end());
    if (path.size() > 1 && path.ends_with('\\')) path.pop_back();
    return {rootKey, path};
  }

  std::map<Key, Values> keys;

private:
  // The key's values once it and the keys above it exist; nullptr for a path
  // that starts with a backslash or holds a name longer than 255 characters.
  Values* CreateKey(const Key& key) {
    if (key.second.starts_with('\\') || !NamesFit(key.second)) return nullptr;
    for (size_t slash = key.second.find('\\'); slash != std::string::npos; slash = key.second.find('\\', slash + 1))
      keys[{key.first, key.second.substr(0, slash)}];
    return &keys[key];
  }
  static bool NamesFit(const std::string& path) {
    size_t start = 0;
    for (size_t slash = path.find('\\'); slash != std::string::npos; start = slash + 1, slash = path.find('\\', start))
      if (slash - start > 255) return false;
    return path.size() - start <= 255;
  }
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
