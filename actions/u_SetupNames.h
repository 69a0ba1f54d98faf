#pragma once
// The names that the installer, the packer and the test driver must spell
// alike: the setup script's headers, keys, variables, special folders and
// registry type tags, the uninstall entry's key and values, and the wizard's
// window class. A new key word or special folder is added here, once.

#include <array>
#include <span>
#include <string_view>

// The section headers; each switches the reading of its group of keys on.
inline constexpr char kHeaderSetupInfo[] = "[SetupInfo]";
inline constexpr char kHeaderFileGroups[] = "[SetupFileGroups]";
inline constexpr char kHeaderFileValues[] = "[SetupFileValues]";
inline constexpr char kHeaderRegValues[] = "[SetupRegValues]";
inline constexpr char kHeaderLinkGroups[] = "[SetupLinkGroups]";
inline constexpr char kHeaderLinkValues[] = "[SetupLinkValues]";

// The keys of [SetupInfo]; those that name the product are variables too.
inline constexpr char kCompanyName[] = "<CompanyName>";
inline constexpr char kProductName[] = "<ProductName>";
inline constexpr char kProductVersion[] = "<ProductVersion>";
inline constexpr char kProductDescription[] = "<ProductDescription>";
inline constexpr char kSetupLocation[] = "<SetupLocation>";
inline constexpr char kSetupPath[] = "<SetupPath>";
inline constexpr char kSetupExeName[] = "<SetupExeName>";
inline constexpr char kSetupLangID[] = "<SetupLangID>";
inline constexpr char kSetupUseLang[] = "<SetupUseLang>";
inline constexpr char kTopLogo[] = "<TopLogo>";
inline constexpr char kLeftLogo[] = "<LeftLogo>";
inline constexpr char kSetupLicense[] = "<SetupLicense>";
inline constexpr std::array<std::string_view, 12> kInfoKeys = {
    kCompanyName, kProductName, kProductVersion, kProductDescription, kSetupLocation, kSetupPath, kSetupExeName,
    kSetupLangID, kSetupUseLang, kTopLogo, kLeftLogo, kSetupLicense};

// The variable of the running program's own path.
inline constexpr char kExeFile[] = "<ExeFile>";
// The variables the project itself supplies; their names match in any letter case.
inline constexpr std::array<std::string_view, 7> kBuiltInVariables = {
    kExeFile, kSetupLocation, kSetupPath, kCompanyName, kProductName, kProductVersion, kProductDescription};

// The special folders; their names match in exact letter case only.
inline constexpr char kProgramFilesDir[] = "<ProgramFilesDir>";
inline constexpr char kWindowsDir[] = "<WindowsDir>";
inline constexpr char kCommonFilesDir[] = "<CommonFilesDir>";
inline constexpr char kStartMenu[] = "<StartMenu>";
inline constexpr char kDesktop[] = "<Desktop>";
inline constexpr char kPrograms[] = "<Programs>";
inline constexpr char kQuickLaunchPanel[] = "<QuickLaunchPanel>";
inline constexpr char kStartUp[] = "<StartUp>";
inline constexpr std::array<std::string_view, 8> kSpecialFolderNames = {
    kProgramFilesDir, kWindowsDir, kCommonFilesDir, kStartMenu, kDesktop, kPrograms, kQuickLaunchPanel, kStartUp};

// The key words of the numbered entries ("FileDispName1", "FileDispName2", ...).
inline constexpr char kFileGroupName[] = "FileGroupName";
inline constexpr char kFileGroupDispName[] = "FileGroupDispName";
inline constexpr char kFileGroupPath[] = "FileGroupPath";
inline constexpr char kFileLocation[] = "FileLocation";
inline constexpr char kFileDispName[] = "FileDispName";
inline constexpr char kFileFolder[] = "FileFolder";
inline constexpr char kFileSetupPath[] = "FileSetupPath";
inline constexpr char kFileDoSetup[] = "FileDoSetup";
inline constexpr char kFileDoRegister[] = "FileDoRegister";
inline constexpr char kRegValueLocation[] = "RegValueLocation";
inline constexpr char kRegValueName[] = "RegValueName";
inline constexpr char kRegValueType[] = "RegValueType";
inline constexpr char kRegValueValue[] = "RegValueValue";
inline constexpr char kRegInternalKey[] = "RegInternalKey";
inline constexpr char kRegCheckVersion[] = "RegCheckVersion";
inline constexpr char kLinkGroupName[] = "LinkGroupName";
inline constexpr char kLinkGroupDispName[] = "LinkGroupDispName";
inline constexpr char kLinkGroupPath[] = "LinkGroupPath";
inline constexpr char kLinkPlace[] = "LinkPlace";
inline constexpr char kLinkDispName[] = "LinkDispName";
inline constexpr char kLinkStartFile[] = "LinkStartFile";

// A group of numbered entries: its header, the key whose presence makes an
// entry (entries count up to its first gap), and every key word it knows.
struct TEntryGroup {
  std::string_view Header;
  std::string_view DecidingKey;
  std::span<const std::string_view> KeyWords;
};

namespace setup_names_detail {
inline constexpr std::array<std::string_view, 3> kFileGroupKeys = {
    kFileGroupName, kFileGroupDispName, kFileGroupPath};
inline constexpr std::array<std::string_view, 6> kFileValueKeys = {
    kFileLocation, kFileDispName, kFileFolder, kFileSetupPath, kFileDoSetup, kFileDoRegister};
inline constexpr std::array<std::string_view, 6> kRegValueKeys = {
    kRegValueLocation, kRegValueName, kRegValueType, kRegValueValue, kRegInternalKey, kRegCheckVersion};
inline constexpr std::array<std::string_view, 3> kLinkGroupKeys = {
    kLinkGroupName, kLinkGroupDispName, kLinkGroupPath};
inline constexpr std::array<std::string_view, 3> kLinkValueKeys = {
    kLinkPlace, kLinkDispName, kLinkStartFile};
}  // namespace setup_names_detail

inline constexpr std::array<TEntryGroup, 5> kEntryGroups = {{
    {kHeaderFileGroups, kFileGroupName, setup_names_detail::kFileGroupKeys},
    {kHeaderFileValues, kFileDispName, setup_names_detail::kFileValueKeys},
    {kHeaderRegValues, kRegValueLocation, setup_names_detail::kRegValueKeys},
    {kHeaderLinkGroups, kLinkGroupName, setup_names_detail::kLinkGroupKeys},
    {kHeaderLinkValues, kLinkDispName, setup_names_detail::kLinkValueKeys},
}};
inline constexpr const TEntryGroup& kFileGroupEntries = kEntryGroups[0];
inline constexpr const TEntryGroup& kFileValueEntries = kEntryGroups[1];
inline constexpr const TEntryGroup& kRegValueEntries = kEntryGroups[2];
inline constexpr const TEntryGroup& kLinkGroupEntries = kEntryGroups[3];
inline constexpr const TEntryGroup& kLinkValueEntries = kEntryGroups[4];

// The registry type tags of RegValueType; they match in exact letter case only.
inline constexpr char kRegTypeString[] = "<String>";
inline constexpr char kRegTypeInteger[] = "<Integer>";
inline constexpr char kRegTypeBoolean[] = "<Boolean>";
inline constexpr char kRegTypeBinary[] = "<Binary>";
inline constexpr char kRegTypeAutoKey[] = "<AutoKey>";  // creates the key, writes no value
inline constexpr std::array<std::string_view, 5> kRegTypes = {
    kRegTypeString, kRegTypeInteger, kRegTypeBoolean, kRegTypeBinary, kRegTypeAutoKey};

// `parent` + "\" + `child`, as one constant text with its NUL.
template <size_t N, size_t M>
consteval std::array<char, N + M> SubKeyText(const char (&parent)[N], const char (&child)[M]) {
  std::array<char, N + M> text{};
  for (size_t i = 0; i + 1 < N; ++i) text[i] = parent[i];
  text[N - 1] = '\\';
  for (size_t i = 0; i < M; ++i) text[N + i] = child[i];
  return text;
}

// The system's key of its own folders and programs, below HKEY_LOCAL_MACHINE.
inline constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
// The system's list of uninstall entries, below it, and the values of a
// product's entry that the installer and the packer look at.
inline constexpr auto kUninstallListKeyText = SubKeyText(kCurrentVersionKey, "Uninstall");
inline constexpr std::string_view kUninstallListKey(kUninstallListKeyText.data(), kUninstallListKeyText.size() - 1);
inline constexpr char kUninstallStringValue[] = "UninstallString";  // where the uninstaller copy goes
inline constexpr char kInstallLocationValue[] = "InstallLocation";  // the destination the install chose
inline constexpr char kEstimatedSizeValue[] = "EstimatedSize";      // the packer fills an empty one in

// The class of the wizard's main window, by which other programs find it.
inline constexpr wchar_t kWizardWindowClass[] = L"TVelkSetup";
