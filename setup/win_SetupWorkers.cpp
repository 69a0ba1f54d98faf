#include "setup/win_SetupWorkers.h"

#include <objbase.h>
#include <windows.h>

#include "actions/u_SetupConsts.h"
#include "actions/win_API.h"
#include "actions/win_Registry.h"
#include "actions/win_SetupFuncs.h"
#include "package/win_Resources.h"
#include "setup/c_CopyFiles.h"
#include "setup/c_RemoveFiles.h"

namespace {

class TWinWorkerSystem final : public IWorkerSystem {
public:
  explicit TWinWorkerSystem(void* instance)
      : module_(static_cast<HMODULE>(instance)), moduleFile_(module_, ModulePath(module_)) {}

  bool FolderExists(const std::string& path) const override { return ::FolderExists(path); }
  bool ForceDirectories(const std::string& path) override { return ::ForceDirectories(path); }
  bool ReadPayload(const std::string& name, std::string_view& raw) const override {
    return ViewResource(module_, name.c_str(), kPayloadType, raw);
  }
  TFileWrite UnpackResourceToFile(const std::string& fileName, std::string_view payload) override {
    const TUnpackResult result = ::UnpackResourceToFile(fileName, moduleFile_.Resource(payload));
    if (result.Written()) return TFileWrite::Written;
    if (result.damagedPayload) return TFileWrite::DamagedPayload;
    SetLastError(result.error);
    const bool inUse = result.error == ERROR_SHARING_VIOLATION || result.error == ERROR_LOCK_VIOLATION;
    return inUse ? TFileWrite::InUse : TFileWrite::Refused;
  }
  bool RegisterServer(const std::string& fileName) override { return ::RegisterServer(fileName); }
  bool UnregisterServer(const std::string& fileName) override { return ::UnregisterServer(fileName); }
  bool FileExists(const std::string& path) const override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool RemoveFile(const std::string& path) override { return DeleteFileA(path.c_str()); }
  IRegistry& Registry() override { return registry_; }
  std::string LastErrorText() const override { return SystemMessage(HRESULT(GetLastError())); }

private:
  HMODULE module_;
  TModuleFile moduleFile_;
  TWinRegistry registry_;
};

// The worker's whole life on its thread; nothing may escape the thread.
template <typename Worker>
DWORD WINAPI RunWorker(void* view) {
  try {
    const TComSession com;  // for DLL servers whose registration uses it
    TWinWorkerSystem system(SetupProc->Instance);
    Worker(*SetupProc, system, *static_cast<IWorkerView*>(view)).Execute();
  } catch (...) {
    // Only the error box itself can fail here; there is no one left to tell.
  }
  return 0;
}

template <typename Worker>
TWorkerThread StartWorker(IWorkerView& view) {
  const HANDLE thread = CreateThread(nullptr, 0, RunWorker<Worker>, &view, 0, nullptr);
  if (!thread) throw ESetupError("Failed to start the setup worker: " + SystemMessage(HRESULT(GetLastError())));
  return TWorkerThread(thread);
}

}  // namespace

TWorkerThread& TWorkerThread::operator=(TWorkerThread&& other) {
  Join();
  thread_ = std::move(other.thread_);
  return *this;
}

void TWorkerThread::Join() {
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
}

TWorkerThread StartCopyFiles(IWorkerView& view) { return StartWorker<TCopyFiles>(view); }

TWorkerThread StartRemoveFiles(IWorkerView& view) { return StartWorker<TRemoveFiles>(view); }
