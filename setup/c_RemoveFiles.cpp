#include "setup/c_RemoveFiles.h"

#include "actions/u_SimpleFuncs1.h"

namespace {

// A box taller than the screen hides its own OK button.
constexpr size_t kMaxListedItems = 20;

}  // namespace

std::string ProductKeyPath(const std::string& companyName, const std::string& productName) {
  return "Software\\" + companyName + "\\" + productName;
}

bool NamesProductKey(const std::string& companyName, const std::string& productName) {
  return !companyName.empty() && !productName.empty();
}

std::vector<TMessage> NotRemovedList(const std::vector<TMessage>& items) {
  if (items.size() <= kMaxListedItems) return items;
  std::vector<TMessage> lines(items.begin(), items.begin() + kMaxListedItems - 1);
  lines.push_back({TText::MoreNotRemoved, {std::to_string(items.size() - lines.size())}});
  return lines;
}

TRunEnd TRemoveFiles::Execute() {
  return Guarded([&] {
    RemoveInstalledFiles();
    RemoveRegistryData();
    RemoveShortcuts();
    Finish();
  });
}

void TRemoveFiles::RemoveInstalledFiles() {
  ResetBar(int32_t(project_.FileList.size()));
  for (size_t i = 0; i < project_.FileList.size(); ++i) {
    const TFileInfo& file = project_.FileList[i].second;
    ItemText = project_.ExpandValue(file.SetupPath);
    if (!system_.FileExists(ItemText)) continue;
    ShowStatus(TText::RemoveFile);
    // A file that cannot be unregistered is deleted all the same; one that
    // cannot be deleted is listed at the end, with why it is still registered.
    const TResult unregistered = file.DoRegister ? system_.UnregisterServer(ItemText) : TResult();
    NoteRemoval(system_.RemoveFile(ItemText), unregistered);
    if (file.DoRegister) ShowStatus(TText::UnregisterServer);
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
    ShowStatus(TText::RemoveRegValue);
    NoteRemoval(registry.DeleteRegValue(entry.RootKey, entry.KeyPath, entry.ValueName));
    AdvanceBar(i + 1);
  }
  RemoveInstallLocation();

  ItemText = ProductKeyPath(project_.CompanyName, project_.ProductName);
  ShowStatus(TText::RemoveRegValue);
  DeleteProductKey(kHKeyLocalMachine, values + 1);
  DeleteProductKey(kHKeyCurrentUser, values + 2);

  ItemText = UninstallKeyPath(project_.ProductName);
  ShowStatus(TText::RemoveRegValue);
  if (!project_.ProductName.empty()) NoteRemoval(registry.DeleteRegKey(kHKeyLocalMachine, ItemText));
  AdvanceBar(values + 3);
}

// The folder the install recorded beside the script's own values.
void TRemoveFiles::RemoveInstallLocation() {
  const auto& key = project_.UninstallEntryKey;
  if (key) NoteRemoval(system_.Registry().DeleteRegValue(key->RootKey, key->KeyPath, kInstallLocationValue));
}

void TRemoveFiles::DeleteProductKey(uint32_t rootKey, int32_t barPosition) {
  if (NamesProductKey(project_.CompanyName, project_.ProductName))
    NoteRemoval(system_.Registry().DeleteRegKey(rootKey, ItemText));
  AdvanceBar(barPosition);
}

void TRemoveFiles::RemoveShortcuts() {
  ResetBar(int32_t(project_.LinkList.size()));
  for (size_t i = 0; i < project_.LinkList.size(); ++i) {
    const TStartInfo& link = project_.LinkList[i];
    const std::string name = project_.ExpandValue(link.DispName);
    const std::string folder = project_.ExpandValue(link.Place);
    ItemText = name + "=" + project_.ExpandValue(link.StartFile);
    ShowStatus(TText::RemoveLinks);
    // No shortcut was made for an empty folder; "\name.lnk" would be another file.
    const std::string shortcut = ShortcutFileName(folder, name);
    if (!folder.empty() && system_.FileExists(shortcut)) NoteRemoval(system_.RemoveFile(shortcut));
    AdvanceBar(int32_t(i + 1));
  }
}

void TRemoveFiles::NoteRemoval(const TResult& removal, const TResult& unregistration) {
  if (removal) return;
  if (unregistration)
    notRemoved_.push_back({TText::FailedToRemove, {removal.Item(), removal.Reason()}});
  else
    notRemoved_.push_back({TText::FailedToRemoveServer, {removal.Item(), removal.Reason(), unregistration.Reason()}});
}

void TRemoveFiles::Finish() {
  if (!notRemoved_.empty()) ShowNotRemoved(NotRemovedList(notRemoved_));
  ResetBar(0);
}
