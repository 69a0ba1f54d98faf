#include "package/c_SetupProc.h"

#include <iterator>

#include "actions/u_SetupFuncs.h"
#include "actions/u_SimpleFuncs1.h"
#include "package/u_SetupScript.h"

TSetupProc* SetupProc = nullptr;

std::optional<std::string_view> FindVariable(const std::vector<std::string>& varList, std::string_view name) {
  for (const std::string_view line : varList) {
    const size_t equals = line.find('=');
    if (equals != std::string_view::npos && SameTextAscii(line.substr(0, equals), name)) return line.substr(equals + 1);
  }
  return std::nullopt;
}

namespace {

// Past this depth a variable is taken to refer to itself and expands to nothing.
constexpr int kMaxExpansionDepth = 32;
// A variable used twice in its own value doubles the work at every level; past
// this many group substitutions in one value, further names expand to nothing.
constexpr int kMaxSubstitutions = 4096;
// Even within those, a long value used twice in its own value grows the text
// to gigabytes; once a text grows past this length, further names expand to
// nothing too. No path or registry text of an installer comes near it.
constexpr size_t kMaxExpandedLength = 1 << 20;

// The project's fields that hold the built-in variables.
constexpr std::pair<std::string_view, std::string TSetupProc::*> kBuiltInValues[] = {
    {kExeFile, &TSetupProc::ExeFile},         {kSetupLocation, &TSetupProc::SetupLocation},
    {kSetupPath, &TSetupProc::SetupPath},     {kCompanyName, &TSetupProc::CompanyName},
    {kProductName, &TSetupProc::ProductName}, {kProductVersion, &TSetupProc::ProductVersion},
    {kProductDescription, &TSetupProc::ProductDescription},
};
static_assert(std::size(kBuiltInValues) == kBuiltInVariables.size(), "every built-in variable has its field");

size_t FindIgnoringCase(std::string_view text, std::string_view what) {
  for (size_t i = 0; i + what.size() <= text.size(); ++i)
    if (SameTextAscii(text.substr(i, what.size()), what)) return i;
  return std::string_view::npos;
}

}  // namespace

TSetupProc::TSetupProc(ISetupHost& host) : host_(host) {
  Instance = host_.ModuleHandle();
  ExeFile = host_.ModuleFileName();
  CheckLogos();
  LoadLicense();
  LoadScript();
}

void TSetupProc::CheckLogos() { HasTopLogo = host_.HasBitmapResource(kTopLogoResource); }

TOutcome<Bytes> TSetupProc::ReadUnpacked(const char* name) const {
  const TOutcome<Bytes> raw = host_.ReadPayloadResource(name);
  if (!raw) return raw;
  return UnpackResource(*raw);
}

// A licence that is missing, unreadable or damaged is none: the wizard shows
// no licence page.
void TSetupProc::LoadLicense() {
  if (TOutcome<Bytes> text = ReadUnpacked(kLicenseResource)) LicenseText = std::move(*text);
}

// A script that is missing, unreadable, damaged or without its header leaves
// the project as built, with nothing to install.
void TSetupProc::LoadScript() {
  const TOutcome<Bytes> text = ReadUnpacked(kScriptResource);
  if (!text) return;
  const TSetupScript script(*text);
  if (script.Empty() || !script.HasHeader(kHeaderSetupInfo)) return;

  CompanyName = script.Text(kCompanyName);
  ProductName = script.Text(kProductName);
  ProductVersion = script.Text(kProductVersion);
  ProductDescription = script.Text(kProductDescription);
  SetupLocation = ExpandValue(script.Text(kSetupLocation));
  SetupPath = ExpandValue(script.Text(kSetupPath));
  UninstallFile = UninstallerPath();
  LangID = script.Integer(kSetupLangID);
  UseLang = script.Boolean(kSetupUseLang);
  VarList.clear();

  const auto entries = [&](const TEntryGroup& group, auto&& read) {
    if (!script.HasHeader(group.Header)) return;
    for (size_t n = 1; script.HasKey(EntryKey(group.DecidingKey, n)); ++n)
      read([&](std::string_view key) { return EntryKey(key, n); }, n);
  };

  entries(kFileGroupEntries, [&](auto key, size_t n) {
    const std::string folder = script.Text(key(kFileGroupPath));
    VarList.push_back(script.Text(key(kFileGroupName)) + "=" + folder);
    VarList.push_back(EntryKey(kFileGroupName, n) + "=" + folder);
  });
  entries(kFileValueEntries, [&](auto key, size_t) {
    TFileInfo file;
    file.DoSetup = script.Boolean(key(kFileDoSetup));
    file.DoRegister = script.Boolean(key(kFileDoRegister));
    file.DispName = script.Text(key(kFileDispName));
    file.SetupPath = script.Text(key(kFileSetupPath));
    FileList.emplace_back(file.DispName, std::move(file));
  });
  entries(kRegValueEntries, [&](auto key, size_t) {
    const std::string location = script.Text(key(kRegValueLocation));
    TRegInfo& entry = RegList.emplace_back();
    entry.RootKey = GetRootKey(location);
    entry.KeyPath = ExpandRegKey(location);
    entry.ValueName = script.Text(key(kRegValueName));
    entry.ValueType = script.Text(key(kRegValueType));
    entry.ValueData = script.Text(key(kRegValueValue));
    entry.CheckVersion = script.Boolean(key(kRegCheckVersion));
    if (IsUninstallString(entry.KeyPath, entry.ValueName)) {
      uninstallValue_ = entry.ValueData;
      UninstallFile = UninstallerPath();
      UninstallEntryKey.reset();
      if (NamesOwnUninstallEntry(entry.KeyPath)) UninstallEntryKey = TRegKey{entry.RootKey, entry.KeyPath};
    }
    if (entry.CheckVersion) InstalledState = CheckInstalledVersion(entry);
  });
  entries(kLinkGroupEntries, [&](auto key, size_t) {
    VarList.push_back(script.Text(key(kLinkGroupName)) + "=" + script.Text(key(kLinkGroupPath)));
  });
  entries(kLinkValueEntries, [&](auto key, size_t) {
    LinkList.push_back({script.Text(key(kLinkPlace)), script.Text(key(kLinkDispName)),
                        script.Text(key(kLinkStartFile))});
  });
}

std::string TSetupProc::ExpandValue(std::string_view text) const {
  int substitutions = kMaxSubstitutions;
  return Expand(text, 0, substitutions);
}

std::string TSetupProc::Expand(std::string_view rest, int depth, int& substitutions) const {
  std::string result;
  while (!rest.empty()) {
    const size_t open = rest.find('<');
    const size_t close = rest.find('>', open);
    if (open == std::string_view::npos || close == std::string_view::npos) {
      result += rest;  // no variable left; a "<" without ">" is copied as it stands
      break;
    }
    result += rest.substr(0, open);
    const std::string_view name = rest.substr(open, close - open + 1);
    rest.remove_prefix(close + 1);

    if (const auto value = FindVariable(VarList, name)) {
      if (depth < kMaxExpansionDepth && substitutions-- > 0) result += Expand(*value, depth + 1, substitutions);
      if (result.size() > kMaxExpandedLength) substitutions = 0;
    } else {
      result += BuiltInVariable(name);
    }
  }
  return result;
}

std::string TSetupProc::BuiltInVariable(std::string_view name) const {
  for (const auto& [builtIn, value] : kBuiltInValues)
    if (SameTextAscii(name, builtIn)) return this->*value;
  return GetSpecialFolder(name, host_.ShellFolders(), host_.Registry());
}

std::string TSetupProc::ExpandRegKey(std::string_view location) const {
  if (location.find('<') == std::string_view::npos || location.find('>') == std::string_view::npos ||
      location.find("HKEY_") == std::string_view::npos)
    return {};
  std::string path(location.substr(location.find('>') + 1));
  const std::pair<std::string_view, const std::string*> names[] = {
      {kCompanyName, &CompanyName}, {kProductName, &ProductName}, {kProductVersion, &ProductVersion}};
  for (const auto& [name, value] : names)
    if (path.find(name) != std::string::npos) path.replace(FindIgnoringCase(path, name), name.size(), *value);
  return path;
}

TInstalledState TSetupProc::CheckInstalledVersion(const TRegInfo& entry) const {
  const IRegistry& registry = host_.Registry();
  if (!registry.KeyExists(entry.RootKey, entry.KeyPath)) return TInstalledState::None;
  const std::optional<TRegValue> marker = registry.ReadRegValue(entry.RootKey, entry.KeyPath, entry.ValueName);
  const std::string installed = marker ? marker->AsText() : std::string();
  if (installed.empty()) return TInstalledState::None;  // an empty marker marks nothing
  // std::string compares bytes as unsigned char, a prefix counting as smaller.
  const int order = installed.compare(entry.ValueData);
  return order == 0 ? TInstalledState::Same : order > 0 ? TInstalledState::Newer : TInstalledState::Older;
}

void TSetupProc::UseInstalledLocation() {
  if (!UninstallEntryKey) return;
  const TRegKey& key = *UninstallEntryKey;
  const std::optional<TRegValue> folder = host_.Registry().ReadRegValue(key.RootKey, key.KeyPath, kInstallLocationValue);
  if (folder && !folder->AsText().empty()) ChooseSetupPath(folder->AsText());
}

void TSetupProc::ChooseSetupPath(const std::string& folder) {
  SetupPath = folder;
  UninstallFile = UninstallerPath();
}

// The uninstall entry's value; without one, the program's own file name in the
// destination folder, never a name relative to whatever folder is current.
std::string TSetupProc::UninstallerPath() const {
  if (!uninstallValue_.empty()) return ExpandValue(uninstallValue_);
  return SetupPath.empty() ? "" : AddBackslash(SetupPath) + ExtractFileName(ExeFile);
}
