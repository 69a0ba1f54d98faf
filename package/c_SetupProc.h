#pragma once
// The setup project: the one in-memory model of the payload, built at start-up
// from the program's own resources, with the variable expansion that every
// script value passes through.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "actions/u_SetupFuncs.h"
#include "actions/u_SetupNames.h"
#include "package/u_Payload.h"

struct TFileInfo {
  bool DoSetup = false;
  bool DoRegister = false;
  std::string DispName;
  std::string SetupPath;  // the file's own destination, as written
};

struct TRegInfo {
  uint32_t RootKey = 0;
  std::string KeyPath;
  std::string ValueName;
  std::string ValueType;
  std::string ValueData;
  bool CheckVersion = false;
};

// A registry key as the script names it.
struct TRegKey {
  uint32_t RootKey = 0;
  std::string KeyPath;
};

struct TStartInfo {
  std::string Place;
  std::string DispName;
  std::string StartFile;
};

// What the project needs from the system: the program's module and payload,
// the registry and the shell folders.
class ISetupHost {
public:
  virtual ~ISetupHost() = default;
  virtual void* ModuleHandle() const = 0;
  virtual std::string ModuleFileName() const = 0;
  virtual bool HasBitmapResource(const char* name) const = 0;
  // The raw bytes of a payload resource of the program's own module, whatever
  // its path: a path in the ANSI code page may not name the file at all.
  virtual TOutcome<Bytes> ReadPayloadResource(const char* name) const = 0;
  virtual IRegistry& Registry() = 0;
  virtual const IShellFolders& ShellFolders() const = 0;
};

// What the version marker found: no installation, or one whose marker sorts
// after, before or level with the script's version.
enum class TInstalledState : uint8_t { None = 0, Newer = 1, Older = 2, Same = 3 };

class TSetupProc {
public:
  explicit TSetupProc(ISetupHost& host);
  TSetupProc(const TSetupProc&) = delete;
  TSetupProc& operator=(const TSetupProc&) = delete;

  std::string ExpandValue(std::string_view text) const;
  std::string ExpandRegKey(std::string_view location) const;
  TInstalledState CheckInstalledVersion(const TRegInfo& entry) const;

  // The destination folder the user chose; the uninstaller copy follows it.
  void ChooseSetupPath(const std::string& folder);
  // For the removal: SetupPath := the folder the install recorded as
  // InstallLocation, when it did; an older install's entry keeps the default.
  void UseInstalledLocation();

  void* Instance = nullptr;
  bool HasTopLogo = false;
  std::vector<TRegInfo> RegList;
  std::vector<std::pair<std::string, TFileInfo>> FileList;
  std::vector<TStartInfo> LinkList;
  std::vector<std::string> VarList;  // "name=value" lines
  std::string CompanyName;
  std::string ProductName;
  std::string ProductVersion;
  std::string ProductDescription;
  std::string SetupLocation;
  std::string SetupPath;
  std::string LicenseText;
  std::string ExeFile;
  std::string UninstallFile;
  int32_t LangID = 0;
  bool UseLang = false;
  TInstalledState InstalledState = TInstalledState::None;
  // The key of the uninstall entry (the UninstallString value), where the
  // install records InstallLocation; none without one, or when its path names
  // no product of its own below the list of uninstall entries.
  std::optional<TRegKey> UninstallEntryKey;

private:
  void CheckLogos();
  void LoadLicense();
  void LoadScript();
  TOutcome<Bytes> ReadUnpacked(const char* name) const;
  std::string Expand(std::string_view text, int depth, int& substitutions) const;
  std::string BuiltInVariable(std::string_view name) const;
  std::string UninstallerPath() const;

  ISetupHost& host_;
  std::string uninstallValue_;  // the uninstall entry's value, expanded again on a new folder
};

// The value of the first "name=value" line whose name is `name` in any letter
// case; none when there is no such line.
std::optional<std::string_view> FindVariable(const std::vector<std::string>& varList, std::string_view name);

// The project of this run, set by the program's start-up.
extern TSetupProc* SetupProc;
