#include "packer/u_StarterScript.h"

#include <optional>
#include <ostream>
#include <vector>

#include "package/u_SetupScript.h"
#include "packer/u_Files.h"
#include "packer/u_Harvest.h"
#include "packer/u_PackError.h"

namespace fs = std::filesystem;

namespace {

// Writes the script's lines, each ended by CR LF as the installer's scripts are.
class TScriptWriter {
public:
  TScriptWriter& operator<<(std::string_view line) {
    text_.append(line).append("\r\n");
    return *this;
  }
  void Entry(std::string_view keyWord, size_t n, std::string_view value) {
    *this << std::string(keyWord) + std::to_string(n) + "=" + std::string(value);
  }
  const std::string& Text() const { return text_; }

private:
  std::string text_;
};

struct TRegValue {
  std::string_view location, name, type;
  std::string value;
  bool versionMarker = false;
};

// The first program of the folder as the script's file entry 1, which the
// Finish page offers to start; the harvest leaves that file to it.
struct TProgramEntry {
  std::string location, name, setupPath;
};

std::optional<TProgramEntry> ProgramEntry(const TStarterRequest& request) {
  const auto program = FirstProgram(request.folder);
  if (!program) return std::nullopt;
  const auto location = ScriptSourcePath(fs::absolute(request.script).parent_path(), request.folder / *program,
                                         request.codePage);
  const auto below = ScriptSourcePath(request.folder, request.folder / *program, request.codePage);
  const auto name = Utf16ToAnsi(program->filename().u16string(), request.codePage);
  if (!location || !below || !name || !CheckFileName(*name)) return std::nullopt;  // the harvest names the file
  return TProgramEntry{*location, *name, "<SetupPath>\\" + *below};
}

}  // namespace

std::string StarterScript(const TStarterRequest& request, const TPackLog& log) {
  // Both names become folders of the default destination.
  for (const auto& [option, name] : {std::pair{"--company", &request.company}, std::pair{"--product", &request.product}})
    if (const TResult named = CheckFileName(*name); !named)
      throw TPackError(std::string(option) + " '" + Utf16ToUtf8(AnsiToUtf16(*name, request.codePage)) + "': " +
                       named.Reason());
  const auto program = ProgramEntry(request);
  const std::string uninstaller = "<SetupPath>\\uninstall.exe";
  const std::string uninstallKey = "<HKEY_LOCAL_MACHINE>\\" + std::string(kUninstallListKey) + "\\" + kProductName;

  TScriptWriter script;
  script << "/* Setup script started by velkpack new. Source paths are relative to this file. */";
  script << kHeaderSetupInfo << "<CompanyName>=" + request.company << "<ProductName>=" + request.product
         << "<ProductVersion>=" + request.version << "<ProductDescription>=" + request.product
         << "<SetupLocation>=<ProgramFilesDir>" << "<SetupPath>=<SetupLocation>\\<CompanyName>\\<ProductName>"
         << "<SetupExeName>=setup.exe" << "<SetupLangID>=0" << "<SetupUseLang>=True" << "<TopLogo>="
         << "<LeftLogo>=" << "<SetupLicense>=";
  if (program) {
    script << kHeaderFileValues;
    script.Entry(kFileLocation, 1, program->location);
    script.Entry(kFileDispName, 1, program->name);
    script.Entry(kFileFolder, 1, "");
    script.Entry(kFileSetupPath, 1, program->setupPath);
    script.Entry(kFileDoSetup, 1, "True");
    script.Entry(kFileDoRegister, 1, "False");
  }
  // The installed version's marker, then the entry of the list of programs;
  // UninstallString is where the installer leaves its copy. The marker holds
  // <ProductVersion>, as DisplayVersion does, so that one value (or velkpack
  // pack -D ProductVersion=...) sets both.
  const std::vector<TRegValue> values = {
      {"<HKEY_LOCAL_MACHINE>\\Software\\<CompanyName>\\<ProductName>", "Version", kRegTypeString, kProductVersion, true},
      {uninstallKey, "DisplayName", kRegTypeString, kProductName},
      {uninstallKey, "DisplayVersion", kRegTypeString, kProductVersion},
      {uninstallKey, "Publisher", kRegTypeString, kCompanyName},
      {uninstallKey, kUninstallStringValue, kRegTypeString, uninstaller},
      {uninstallKey, "DisplayIcon", kRegTypeString, program ? program->setupPath : uninstaller},
      {uninstallKey, kInstallLocationValue, kRegTypeString, kSetupPath},
      {uninstallKey, kEstimatedSizeValue, kRegTypeInteger, ""},  // the packer fills it in
      {uninstallKey, "NoModify", kRegTypeInteger, "1"},
      {uninstallKey, "NoRepair", kRegTypeInteger, "1"},
  };
  script << kHeaderRegValues;
  for (size_t n = 1; n <= values.size(); ++n) {
    const TRegValue& value = values[n - 1];
    script.Entry(kRegValueLocation, n, value.location);
    script.Entry(kRegValueName, n, value.name);
    script.Entry(kRegValueType, n, value.type);
    script.Entry(kRegValueValue, n, value.value);
    script.Entry(kRegInternalKey, n, "True");
    script.Entry(kRegCheckVersion, n, value.versionMarker ? "True" : "False");
  }
  if (program) {
    script << kHeaderLinkValues;
    size_t n = 1;
    for (const auto* place : {kDesktop, kPrograms}) {
      script.Entry(kLinkPlace, n, place);
      script.Entry(kLinkDispName, n, kProductName);
      script.Entry(kLinkStartFile, n++, program->setupPath);
    }
  }
  return HarvestIntoScript(script.Text(), {request.folder, request.script, request.codePage}, log);
}

void WriteStarterScript(const TStarterRequest& request, const TPackLog& log) {
  std::error_code error;
  if (fs::exists(request.script, error))
    throw TPackError("'" + DisplayPath(request.script) +
                     "' already exists; velkpack harvest brings the files of an existing script up to date");
  const std::string text = StarterScript(request, log);
  WriteFileAtomically(request.script, [&](std::ostream& out) { out.write(text.data(), std::streamsize(text.size())); });
  log.out << "Wrote " << DisplayPath(request.script) << '\n';
}
