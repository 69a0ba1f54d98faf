#pragma once
// The setup actions' own rules: root-key and value-type tags, the encoding of
// registry values, and the special-folder variables. The system itself is
// reached through the two small interfaces below (win_Registry.h and
// win_SetupFuncs.h implement them on Windows; the unit tests use fakes).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "actions/u_Result.h"
#include "actions/u_SetupConsts.h"
#include "actions/u_SetupNames.h"

// True when Tag occurs anywhere in Text (byte-wise); an empty Tag gives false.
bool HasTag(std::string_view tag, std::string_view text);

// The root key named by the first of the root tags found in a script location
// ("<HKEY_CLASSES_ROOT>", "<HKEY_CURRENT_CONFIG>", "<HKEY_CURRENT_USER>", ...);
// HKEY_CURRENT_USER when there is none.
uint32_t GetRootKey(std::string_view location);

// A key path as it is opened below its root: one leading and one trailing "\"
// dropped, so "" and "\" name the root key itself.
std::string RegSubKey(std::string_view keyPath);

// The registry name of a script value name: "(Default Value)" is the unnamed value.
std::string RegValueName(std::string_view valueName);

// The uninstall entry, as the installer, the packer and the removal read a
// script: a value named UninstallString at a key path (with or without its
// root tag) that holds the system's list of uninstall entries says where the
// uninstaller copy goes; such a key path that goes on below the list names a
// product's own entry, which holds InstallLocation and EstimatedSize; and the
// removal deletes the entry named after the product.
bool IsUninstallString(std::string_view keyPath, std::string_view valueName);
bool NamesOwnUninstallEntry(std::string_view keyPath);
std::string UninstallKeyPath(const std::string& productName);

// A value as it goes into the registry.
struct TRegData {
  uint32_t Type = 0;
  Bytes Data;
  bool operator==(const TRegData&) const = default;
};

// The data a script type tag writes for a value text: "<String>" (REG_SZ with
// its NUL), "<Integer>" (REG_DWORD of StrToIntDef, 0 when not a number),
// "<Boolean>" (REG_DWORD 1 for IsTrue, else 0), "<Binary>" (the text's bytes).
// "<AutoKey>" and unknown tags write nothing.
std::optional<TRegData> EncodeRegValue(std::string_view valueType, std::string_view value);

// A value read from the registry: text or a 32-bit integer.
struct TRegValue {
  std::variant<std::string, int32_t> Value;

  TRegValue() = default;
  TRegValue(std::string text) : Value(std::move(text)) {}
  TRegValue(int32_t number) : Value(number) {}
  // Text as stored; an integer as its (signed) decimal text.
  std::string AsText() const;
  bool operator==(const TRegValue&) const = default;
};

// What a read gives for stored data: REG_SZ / REG_EXPAND_SZ up to the first NUL
// (references left unexpanded), a 4-byte REG_DWORD as integer; nothing for
// other data.
std::optional<TRegValue> DecodeRegValue(uint32_t type, std::string_view data);

// The registry, below a 32-bit root key and a script key path (see RegSubKey).
// A deletion that fails returns a TResult naming the key or value; a value
// that cannot be written throws ESetupError, which ends the run.
class IRegistry {
public:
  virtual ~IRegistry() = default;
  // Whether the key can be opened for reading.
  virtual bool KeyExists(uint32_t rootKey, const std::string& keyPath) const = 0;
  // The value (RegValueName of the name); nothing when the key or value is
  // missing, cannot be read or holds data DecodeRegValue does not read.
  virtual std::optional<TRegValue> ReadRegValue(uint32_t rootKey, const std::string& keyPath,
                                                const std::string& valueName) const = 0;
  // Creates the key and writes EncodeRegValue's data; throws ESetupError(TText::FailedToSetData) when it cannot.
  virtual void WriteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName,
                             const std::string& valueType, const std::string& value) = 0;
  // Deletes the value (RegValueName of the name) when it is there; fails when
  // it stays (a missing value or key is no failure).
  virtual TResult DeleteRegValue(uint32_t rootKey, const std::string& keyPath, const std::string& valueName) = 0;
  // Deletes the key with everything below it when it is there; never deletes a
  // root. Fails when the key stays.
  virtual TResult DeleteRegKey(uint32_t rootKey, const std::string& keyPath) = 0;
};

// The shell's per-user folders; "" when the platform cannot supply one.
class IShellFolders {
public:
  virtual ~IShellFolders() = default;
  // The folder of a shell folder id (kCsidl...), not created when missing.
  virtual std::string ShellFolder(int csidl) const = 0;
  // The Windows folder.
  virtual std::string WindowsDir() const = 0;
};

// The folder of a special-folder variable such as "<Desktop>" (exact text,
// brackets included); "" for every other name or an unavailable folder.
std::string GetSpecialFolder(std::string_view name, const IShellFolders& folders, const IRegistry& registry);

// The application-data folder followed by "Microsoft\Internet Explorer\Quick Launch".
std::string GetQuickLaunchDir(const IShellFolders& folders);
