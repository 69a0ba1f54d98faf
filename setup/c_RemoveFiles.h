#pragma once
// The uninstall worker: removes what the setup script names, at the paths its
// values expand to now: the files (unregistering DLL servers first), the
// registry values, the product's keys and uninstall entry, and the shortcuts.

#include <string>
#include <vector>

#include "package/c_SetupProc.h"
#include "setup/u_SetupWorker.h"

class TRemoveFiles : public TSetupWorker {
public:
  TRemoveFiles(const TSetupProc& project, IWorkerSystem& system, IWorkerView& view)
      : TSetupWorker(view), project_(project), system_(system) {}

  // The whole run, on the calling thread.
  TRunEnd Execute();

private:
  void RemoveInstalledFiles();
  void RemoveRegistryData();
  void RemoveInstallLocation();
  void DeleteProductKey(uint32_t rootKey, int32_t barPosition);
  void RemoveShortcuts();
  // Notes an item whose removal failed, with the system's reason and, for a
  // DLL server, why it could not be unregistered.
  void NoteRemoval(const TResult& removal, const TResult& unregistration = {});
  void Finish();

  const TSetupProc& project_;
  IWorkerSystem& system_;
  std::vector<TMessage> notRemoved_;
};

// The lines of the box about the items that stayed, one each; past a
// screenful, the rest are counted.
std::vector<TMessage> NotRemovedList(const std::vector<TMessage>& items);

// The product's own key below HKLM and HKCU, "Software\Company\Product", and
// its uninstall entry below HKLM (UninstallKeyPath). A path whose company or
// product part is empty would name a parent key (the company's, or the list of
// all uninstall entries); it is still shown but not deleted.
std::string ProductKeyPath(const std::string& companyName, const std::string& productName);
bool NamesProductKey(const std::string& companyName, const std::string& productName);
