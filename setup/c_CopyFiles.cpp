#include "setup/c_CopyFiles.h"

#include "actions/u_SimpleFuncs1.h"

namespace {

std::string FileGroupKey(int32_t number) { return kFileGroupName + std::to_string(number); }

std::string PayloadName(const TFileInfo& file) { return UpperCaseAscii(file.DispName); }

}  // namespace

std::vector<TPayloadView> PayloadsToWrite(const TSetupProc& project, IWorkerSystem& system) {
  std::vector<TPayloadView> payloads;
  for (const auto& [name, file] : project.FileList)
    if (const auto payload = file.DoSetup ? system.FindPayload(PayloadName(file)) : std::nullopt)
      payloads.push_back(*payload);
  return payloads;
}

uint64_t BytesToWrite(const TSetupProc& project, IWorkerSystem& system) {
  uint64_t bytes = 0;
  for (const TPayloadView& payload : PayloadsToWrite(project, system)) bytes += uint64_t(payload.size);
  return bytes;
}

int32_t CountFileGroups(const std::vector<std::string>& varList) {
  int32_t groups = 0;
  while (FindVariable(varList, FileGroupKey(groups + 1))) ++groups;
  return groups;
}

TRunEnd TCopyFiles::Execute() {
  return Guarded([&] {
    system_.InflateAhead(PayloadsToWrite(project_, system_));
    CreateGroupFolders();
    InstallFiles();
    WriteRegValues();
    ResetBar(0);
  });
}

void TCopyFiles::CreateGroupFolders() {
  ResetBar(CountFileGroups(project_.VarList));
  for (int32_t k = 1; const auto folder = FindVariable(project_.VarList, FileGroupKey(k)); ++k) {
    ItemText = project_.ExpandValue(*folder);
    ShowStatus(TText::CreateFolders);
    // A folder that cannot be made shows up later, when its files fail.
    if (!system_.FolderExists(ItemText)) (void)system_.ForceDirectories(ItemText);
    AdvanceBar(k);
  }
}

void TCopyFiles::InstallFiles() {
  ResetBar(int32_t(project_.FileList.size()));
  for (size_t i = 0; i < project_.FileList.size(); ++i) {
    const TFileInfo& file = project_.FileList[i].second;
    ItemText = project_.ExpandValue(file.SetupPath);
    if (!file.DoSetup) continue;
    ShowStatus(TText::CopyingFile);
    if (InstallFile(file)) AdvanceBar(int32_t(i + 1));
  }
}

// Writes (and registers) the file at ItemText; false when the entry is passed
// over. A file that cannot be written ends the run with its reason.
bool TCopyFiles::InstallFile(const TFileInfo& file) {
  const std::string folder = ExtractFilePath(ItemText);
  if (DelBackslash(folder).empty()) return false;
  PrepareFolder(folder);
  const std::optional<TPayloadView> payload = system_.FindPayload(PayloadName(file));
  if (!payload) throw ESetupError(TText::InstallerDamaged, {ItemText});
  WritePayload(*payload);
  return !file.DoRegister || RegisterServer();
}

// Registers the DLL server at ItemText. A failure is told with Abort (the run
// ends), Retry, and Ignore: the file stays unregistered and the bar does not
// move for it.
bool TCopyFiles::RegisterServer() {
  for (;;) {
    const TResult registered = system_.RegisterServer(ItemText);
    if (registered) break;
    const TMessage message{TText::FailedToRegister, {ItemText, registered.Reason()}};
    if (AskOrStop(message, TErrorChoices::AbortRetryIgnore) == TErrorAnswer::Ignore) return false;
  }
  ShowStatus(TText::RegisterServer);
  return true;
}

// Makes sure the folder exists. The last file's folder is remembered, so that
// a folder of many files is looked at once, not once a file.
void TCopyFiles::PrepareFolder(const std::string& folder) {
  if (folder == preparedFolder_) return;
  if (!system_.FolderExists(folder))
    if (const TResult made = system_.ForceDirectories(folder); !made)
      throw ESetupError(TText::FailedToCreateDirectory, {DelBackslash(folder), made.Reason()});
  preparedFolder_ = folder;
}

// A file held open by another program may be free on a later try.
void TCopyFiles::WritePayload(const TPayloadView& payload) {
  for (;;) {
    const TResult written = system_.UnpackResourceToFile(ItemText, payload);
    if (written) return;
    if (written.Code() == kErrorDamagedPayload) throw ESetupError(TText::InstallerDamaged, {ItemText});
    const TMessage message{TText::FailedToWrite, {ItemText, written.Reason()}};
    if (!written.InUse()) throw ESetupError(message);
    AskOrStop(message, TErrorChoices::RetryCancel);
  }
}

void TCopyFiles::WriteRegValues() {
  ResetBar(int32_t(project_.RegList.size()));
  RecordInstallLocation();
  for (size_t i = 0; i < project_.RegList.size(); ++i) {
    const TRegInfo& entry = project_.RegList[i];
    const std::string data = project_.ExpandValue(entry.ValueData);
    ItemText = RegValueItem(entry.KeyPath, entry.ValueName, data);
    ShowStatus(TText::WriteRegValue);
    system_.Registry().WriteRegValue(entry.RootKey, entry.KeyPath, entry.ValueName, entry.ValueType, data);
    AdvanceBar(int32_t(i + 1));
  }
}

// The removal finds the files where they were put, also in a folder chosen in
// the wizard. Written before the script's values, so that a value of the same
// name in the script has the last word.
void TCopyFiles::RecordInstallLocation() {
  if (const auto& key = project_.UninstallEntryKey)
    system_.Registry().WriteRegValue(key->RootKey, key->KeyPath, kInstallLocationValue, kRegTypeString,
                                     project_.SetupPath);
}
