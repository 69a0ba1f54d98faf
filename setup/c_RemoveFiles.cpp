#include "setup/c_RemoveFiles.h"

#include <exception>

#include "actions/u_SimpleFuncs1.h"

namespace {

constexpr char kUninstallList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

}  // namespace

std::string ProductKeyPath(const std::string& companyName, const std::string& productName) {
  return "Software\\" + companyName + "\\" + productName;
}

std::string UninstallKeyPath(const std::string& productName) { return AddBackslash(kUninstallList) + productName; }

bool NamesProductKey(const std::string& companyName, const std::string& productName) {
  return !companyName.empty() && !productName.empty();
}

void TRemoveFiles::Execute() {
  Guarded([&] {
    RemoveInstalledFiles();
    RemoveRegistryData();
    RemoveShortcuts();
    Finish();
  });
}

void TRemoveFiles::ResetBar(int32_t max) {
  ClearProgress(max);
  ApplyProgressMax();
  ApplyProgressPosition();
}

void TRemoveFiles::RemoveInstalledFiles() {
  ResetBar(int32_t(project_.FileList.size()));
  for (size_t i = 0; i < project_.FileList.size(); ++i) {
    const TFileInfo& file = project_.FileList[i].second;
    ItemText = project_.ExpandValue(file.SetupPath);
    if (!system_.FileExists(ItemText)) continue;
    ShowStatus(kTextRemoveFile);
    // A file that cannot be unregistered or deleted simply stays.
    try {
      if (file.DoRegister) {
        system_.UnregisterServer(ItemText);
        ShowStatus(kTextUnregisterServer);
      }
      system_.RemoveFile(ItemText);
    } catch (const std::exception&) {
    }
    AdvanceBar(int32_t(i + 1));
  }
}

void TRemoveFiles::RemoveRegistryData() {
  const int32_t values = int32_t(project_.RegList.size());
  ResetBar(values + 3);
  IRegistry& registry = system_.Registry();
  for (int32_t i = 0; i < values; ++i) {
    const TRegInfo& entry = project_.RegList[size_t(i)];
    ItemText = RegValueItem(entry.KeyPath, entry.ValueName, project_.ExpandValue(entry.ValueData));
    ShowStatus(kTextRemoveRegValue);
    registry.DeleteRegValue(entry.RootKey, entry.KeyPath, entry.ValueName);
    AdvanceBar(i + 1);
  }

  ItemText = ProductKeyPath(project_.CompanyName, project_.ProductName);
  ShowStatus(kTextRemoveRegValue);
  DeleteProductKey(kHKeyLocalMachine, values + 1);
  DeleteProductKey(kHKeyCurrentUser, values + 2);

  ItemText = UninstallKeyPath(project_.ProductName);
  ShowStatus(kTextRemoveRegValue);
  if (!project_.ProductName.empty()) registry.DeleteRegKey(kHKeyLocalMachine, ItemText);
  AdvanceBar(values + 3);
}

void TRemoveFiles::DeleteProductKey(uint32_t rootKey, int32_t barPosition) {
  if (NamesProductKey(project_.CompanyName, project_.ProductName)) system_.Registry().DeleteRegKey(rootKey, ItemText);
  AdvanceBar(barPosition);
}

void TRemoveFiles::RemoveShortcuts() {
  ResetBar(int32_t(project_.LinkList.size()));
  for (size_t i = 0; i < project_.LinkList.size(); ++i) {
    const TStartInfo& link = project_.LinkList[i];
    const std::string name = project_.ExpandValue(link.DispName);
    const std::string folder = project_.ExpandValue(link.Place);
    ItemText = name + "=" + project_.ExpandValue(link.StartFile);
    ShowStatus(kTextRemoveLinks);
    // No shortcut was made for an empty folder; "\name.lnk" would be another file.
    const std::string shortcut = ShortcutFileName(folder, name);
    if (!folder.empty() && system_.FileExists(shortcut)) system_.RemoveFile(shortcut);
    AdvanceBar(int32_t(i + 1));
  }
}

void TRemoveFiles::Finish() {
  ClearProgress(0);
  ShowDone();
  ApplyProgressMax();
  ApplyProgressPosition();
}
