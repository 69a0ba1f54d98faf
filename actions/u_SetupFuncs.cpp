#include "actions/u_SetupFuncs.h"

#include <array>
#include <exception>
#include <new>

#include "actions/u_SimpleFuncs1.h"

namespace {

struct TTaggedRoot {
  std::string_view Tag;
  uint32_t RootKey;
};

// In the order the tags are tested; the first one found decides.
constexpr std::array<TTaggedRoot, 7> kRootTags = {{
    {"<HKEY_CLASSES_ROOT>", kHKeyClassesRoot},
    {"<HKEY_CURRENT_CONFIG>", kHKeyCurrentConfig},
    {"<HKEY_CURRENT_USER>", kHKeyCurrentUser},
    {"<HKEY_DYN_DATA>", kHKeyDynData},
    {"<HKEY_LOCAL_MACHINE>", kHKeyLocalMachine},
    {"<HKEY_USERS>", kHKeyUsers},
    {"<HKEY_PERFORMANCE_DATA>", kHKeyPerformanceData},
}};

Bytes DwordBytes(int32_t value) {
  Bytes bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = char(uint32_t(value) >> (8 * i));
  return bytes;
}

int32_t DwordValue(std::string_view bytes) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
  return static_cast<int32_t>(value);
}

std::string MachineFolder(const IRegistry& registry, const char* valueName) {
  const auto folder = registry.ReadRegValue(kHKeyLocalMachine, kCurrentVersionKey, valueName);
  return folder ? folder->AsText() : std::string();
}

struct TSpecialFolder {
  std::string_view Name;
  std::string (*Resolve)(const IShellFolders&, const IRegistry&);
};

constexpr std::array<TSpecialFolder, 8> kSpecialFolders = {{
    {kProgramFilesDir, [](const IShellFolders&, const IRegistry& r) { return MachineFolder(r, "ProgramFilesDir"); }},
    {kWindowsDir, [](const IShellFolders& f, const IRegistry&) { return f.WindowsDir(); }},
    {kCommonFilesDir, [](const IShellFolders&, const IRegistry& r) { return MachineFolder(r, "CommonFilesDir"); }},
    {kStartMenu, [](const IShellFolders& f, const IRegistry&) { return f.ShellFolder(kCsidlStartMenu); }},
    {kDesktop, [](const IShellFolders& f, const IRegistry&) { return f.ShellFolder(kCsidlDesktop); }},
    {kPrograms, [](const IShellFolders& f, const IRegistry&) { return f.ShellFolder(kCsidlPrograms); }},
    {kQuickLaunchPanel, [](const IShellFolders& f, const IRegistry&) { return GetQuickLaunchDir(f); }},
    {kStartUp, [](const IShellFolders& f, const IRegistry&) { return f.ShellFolder(kCsidlStartup); }},
}};
static_assert(kSpecialFolders.size() == kSpecialFolderNames.size(), "every special folder has its source");

}  // namespace

bool HasTag(std::string_view tag, std::string_view text) {
  return !tag.empty() && text.find(tag) != std::string_view::npos;
}

uint32_t GetRootKey(std::string_view location) {
  for (const TTaggedRoot& root : kRootTags)
    if (HasTag(root.Tag, location)) return root.RootKey;
  return kHKeyCurrentUser;
}

std::string RegSubKey(std::string_view keyPath) {
  if (keyPath.starts_with('\\')) keyPath.remove_prefix(1);
  return DelBackslash(keyPath);
}

std::string RegValueName(std::string_view valueName) {
  return valueName == "(Default Value)" ? std::string() : std::string(valueName);
}

bool IsUninstallString(std::string_view keyPath, std::string_view valueName) {
  return keyPath.find(kUninstallListKey) != std::string_view::npos && valueName == kUninstallStringValue;
}

bool NamesOwnUninstallEntry(std::string_view keyPath) {
  const std::string subKey = RegSubKey(keyPath);
  const size_t list = subKey.find(kUninstallListKey);
  const size_t below = list + kUninstallListKey.size();
  return list != std::string::npos && below + 1 < subKey.size() && subKey[below] == '\\';
}

std::string UninstallKeyPath(const std::string& productName) { return AddBackslash(kUninstallListKey) + productName; }

TMessage ErrorMessage(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const ESetupError& setupError) {
    return setupError.Message();
  } catch (const std::bad_alloc&) {
    return {TText::NotEnoughMemory, {}};
  } catch (...) {
    return {TText::UnexpectedError, {}};
  }
}

std::optional<TRegData> EncodeRegValue(std::string_view valueType, std::string_view value) {
  if (valueType == kRegTypeString) return TRegData{kRegSz, std::string(value) + '\0'};
  if (valueType == kRegTypeInteger) return TRegData{kRegDword, DwordBytes(StrToIntDef(value, 0))};
  if (valueType == kRegTypeBoolean) return TRegData{kRegDword, DwordBytes(IsTrue(value) ? 1 : 0)};
  if (valueType == kRegTypeBinary) return TRegData{kRegBinary, std::string(value)};
  return std::nullopt;
}

std::string TRegValue::AsText() const {
  if (const auto* number = std::get_if<int32_t>(&Value)) return std::to_string(*number);
  return std::get<std::string>(Value);
}

std::optional<TRegValue> DecodeRegValue(uint32_t type, std::string_view data) {
  if (type == kRegSz || type == kRegExpandSz) return std::string(data.substr(0, data.find('\0')));
  if (type == kRegDword && data.size() == 4) return DwordValue(data);
  return std::nullopt;
}

std::string GetSpecialFolder(std::string_view name, const IShellFolders& folders, const IRegistry& registry) {
  for (const TSpecialFolder& folder : kSpecialFolders)
    if (folder.Name == name) return folder.Resolve(folders, registry);
  return {};
}

std::string GetQuickLaunchDir(const IShellFolders& folders) {
  return AddBackslash(folders.ShellFolder(kCsidlAppData)) + "Microsoft\\Internet Explorer\\Quick Launch";
}
