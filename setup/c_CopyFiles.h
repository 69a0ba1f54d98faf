#pragma once
// The install worker: creates the file groups' folders, writes every payload
// file marked for setup, registers the DLL servers among them and writes the
// script's registry values, reporting each step on the copying page.

#include <string_view>
#include <vector>

#include "package/c_SetupProc.h"
#include "setup/u_SetupWorker.h"

class TCopyFiles : public TSetupWorker {
public:
  TCopyFiles(const TSetupProc& project, IWorkerSystem& system, IWorkerView& view)
      : TSetupWorker(view), project_(project), system_(system) {}

  // The whole run, on the calling thread.
  TRunEnd Execute();

private:
  void CreateGroupFolders();
  void InstallFiles();
  bool InstallFile(const TFileInfo& file);
  bool RegisterServer();
  void PrepareFolder(const std::string& folder);
  void WritePayload(const TPayloadView& payload);
  void WriteRegValues();
  void RecordInstallLocation();

  const TSetupProc& project_;
  IWorkerSystem& system_;
  std::string preparedFolder_;  // the last file's folder, made or found
};

// The payloads of the files marked for setup, in the order they are written.
std::vector<TPayloadView> PayloadsToWrite(const TSetupProc& project, IWorkerSystem& system);
// The sizes they declare, added up: the room the install needs.
uint64_t BytesToWrite(const TSetupProc& project, IWorkerSystem& system);

// The number of file groups: FileGroupName1, FileGroupName2, ... up to the first gap.
int32_t CountFileGroups(const std::vector<std::string>& varList);
