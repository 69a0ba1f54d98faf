#include "package/c_SetupProc.h"

#include <algorithm>

#include "actions/u_SetupFuncs.h"
#include "actions/u_SimpleFuncs1.h"
#include "package/u_SetupScript.h"

TSetupProc* SetupProc = nullptr;

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

constexpr std::string_view kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string_view FileNamePart(std::string_view path) {
  const size_t sep = path.find_last_of("\\:");
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

// The key path goes on below the list of uninstall entries with a name: it is
// not the list itself, whose values belong to no product.
bool NamesOwnUninstallEntry(std::string_view keyPath) {
  const std::string subKey = RegSubKey(keyPath);
  const size_t list = subKey.find(kUninstallKey);
  const size_t below = list + kUninstallKey.size();
  return list != std::string::npos && below + 1 < subKey.size() && subKey[below] == '\\';
}

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

bool TSetupProc::ReadUnpacked(const char* name, Bytes& text) const {
  Bytes raw;
  return host_.ReadPayloadResource(name, raw) && UnpackResource(raw, text);
}

void TSetupProc::LoadLicense() {
  Bytes text;
  if (ReadUnpacked(kLicenseResource, text)) LicenseText = std::move(text);
}

void TSetupProc::LoadScript() {
  Bytes text;
  if (!ReadUnpacked(kScriptResource, text)) return;
  const TSetupScript script(text);
  if (script.Empty() || !script.HasHeader(kHeaderSetupInfo)) return;

  CompanyName = script.Text("<CompanyName>");
  ProductName = script.Text("<ProductName>");
  ProductVersion = script.Text("<ProductVersion>");
  ProductDescription = script.Text("<ProductDescription>");
  SetupLocation = ExpandValue(script.Text("<SetupLocation>"));
  SetupPath = ExpandValue(script.Text("<SetupPath>"));
  UninstallFile = std::string(FileNamePart(ExeFile));
  LangID = script.Integer("<SetupLangID>");
  UseLang = script.Boolean("<SetupUseLang>");
  VarList.clear();

  const auto entries = [&](std::string_view header, std::string_view keyWord, auto&& read) {
    if (!script.HasHeader(header)) return;
    for (size_t n = 1; script.HasKey(EntryKey(keyWord, n)); ++n)
      read([&](std::string_view key) { return EntryKey(key, n); }, n);
  };

  entries(kHeaderFileGroups, "FileGroupName", [&](auto key, size_t n) {
    const std::string folder = script.Text(key("FileGroupPath"));
    VarList.push_back(script.Text(key("FileGroupName")) + "=" + folder);
    VarList.push_back(EntryKey("FileGroupName", n) + "=" + folder);
  });
  entries(kHeaderFileValues, "FileDispName", [&](auto key, size_t) {
    TFileInfo file;
    file.DoSetup = script.Boolean(key("FileDoSetup"));
    file.DoRegister = script.Boolean(key("FileDoRegister"));
    file.DispName = script.Text(key("FileDispName"));
    file.SetupPath = script.Text(key("FileSetupPath"));
    FileList.emplace_back(file.DispName, std::move(file));
  });
  entries(kHeaderRegValues, "RegValueLocation", [&](auto key, size_t) {
    const std::string location = script.Text(key("RegValueLocation"));
    TRegInfo& entry = RegList.emplace_back();
    entry.RootKey = GetRootKey(location);
    entry.KeyPath = ExpandRegKey(location);
    entry.ValueName = script.Text(key("RegValueName"));
    entry.ValueType = script.Text(key("RegValueType"));
    entry.ValueData = script.Text(key("RegValueValue"));
    entry.CheckVersion = script.Boolean(key("RegCheckVersion"));
    if (entry.KeyPath.find(kUninstallKey) != std::string::npos && entry.ValueName == "UninstallString") {
      uninstallValue_ = entry.ValueData;
      UninstallFile = ExpandValue(uninstallValue_);
      UninstallEntryKey.reset();
      if (NamesOwnUninstallEntry(entry.KeyPath)) UninstallEntryKey = TRegKey{entry.RootKey, entry.KeyPath};
    }
    if (entry.CheckVersion) InstalledState = CheckInstalledVersion(entry);
  });
  entries(kHeaderLinkGroups, "LinkGroupName", [&](auto key, size_t) {
    VarList.push_back(script.Text(key("LinkGroupName")) + "=" + script.Text(key("LinkGroupPath")));
  });
  entries(kHeaderLinkValues, "LinkDispName", [&](auto key, size_t) {
    LinkList.push_back({script.Text(key("LinkPlace")), script.Text(key("LinkDispName")),
                        script.Text(key("LinkStartFile"))});
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

    const auto line = std::find_if(VarList.begin(), VarList.end(), [&](const std::string& l) {
      return SameTextAscii(std::string_view(l).substr(0, l.find('=')), name);
    });
    if (line != VarList.end()) {
      if (depth < kMaxExpansionDepth && substitutions-- > 0)
        result += Expand(std::string_view(*line).substr(line->find('=') + 1), depth + 1, substitutions);
      if (result.size() > kMaxExpandedLength) substitutions = 0;
    } else {
      result += BuiltInVariable(name);
    }
  }
  return result;
}

std::string TSetupProc::BuiltInVariable(std::string_view name) const {
  const std::pair<std::string_view, const std::string*> builtIns[] = {
      {"<ExeFile>", &ExeFile},         {"<SetupLocation>", &SetupLocation},
      {"<SetupPath>", &SetupPath},     {"<CompanyName>", &CompanyName},
      {"<ProductName>", &ProductName}, {"<ProductVersion>", &ProductVersion},
      {"<ProductDescription>", &ProductDescription},
  };
  for (const auto& [builtIn, value] : builtIns)
    if (SameTextAscii(name, builtIn)) return *value;
  return GetSpecialFolder(name, host_.ShellFolders(), host_.Registry());
}

std::string TSetupProc::ExpandRegKey(std::string_view location) const {
  if (location.find('<') == std::string_view::npos || location.find('>') == std::string_view::npos ||
      location.find("HKEY_") == std::string_view::npos)
    return {};
  std::string path(location.substr(location.find('>') + 1));
  const std::pair<std::string_view, const std::string*> names[] = {
      {"<CompanyName>", &CompanyName}, {"<ProductName>", &ProductName}, {"<ProductVersion>", &ProductVersion}};
  for (const auto& [name, value] : names)
    if (path.find(name) != std::string::npos) path.replace(FindIgnoringCase(path, name), name.size(), *value);
  return path;
}

uint8_t TSetupProc::CheckInstalledVersion(const TRegInfo& entry) const {
  const IRegistry& registry = host_.Registry();
  if (!registry.KeyExists(entry.RootKey, entry.KeyPath)) return 0;
  const std::string installed = registry.ReadRegValue(entry.RootKey, entry.KeyPath, ExpandValue(entry.ValueName)).AsText();
  if (installed.empty()) return 0;
  // std::string compares bytes as unsigned char, a prefix counting as smaller.
  const int order = installed.compare(entry.ValueData);
  return order == 0 ? 3 : order > 0 ? 1 : 2;
}

void TSetupProc::UseInstalledLocation() {
  if (!UninstallEntryKey) return;
  const std::string folder =
      host_.Registry().ReadRegValue(UninstallEntryKey->RootKey, UninstallEntryKey->KeyPath, kInstallLocationValue).AsText();
  if (!folder.empty()) ChooseSetupPath(folder);
}

void TSetupProc::ChooseSetupPath(const std::string& folder) {
  SetupPath = folder;
  if (!uninstallValue_.empty()) UninstallFile = ExpandValue(uninstallValue_);
}
