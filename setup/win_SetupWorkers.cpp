#include "setup/win_SetupWorkers.h"

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <exception>
#include <optional>

#include "actions/u_SetupConsts.h"
#include "actions/win_API.h"
#include "actions/win_Registry.h"
#include "actions/win_SetupFuncs.h"
#include "package/win_InflateAhead.h"
#include "package/win_Resources.h"
#include "setup/c_CopyFiles.h"
#include "setup/c_RemoveFiles.h"

namespace {

// What the payloads inflated ahead may hold in memory at once, and the most
// threads that inflate them.
constexpr size_t kInflateAheadBudget = 4 << 20;
constexpr unsigned kMostInflateThreads = 4;

unsigned InflateThreads() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return std::clamp(unsigned(system.dwNumberOfProcessors), 1u, kMostInflateThreads);
}

// Writes a payload inflated ahead, as UnpackResourceToFile writes it.
TResult WriteInflated(const std::string& fileName, const TInflated& inflated) {
  if (!inflated) return inflated.Failure().Of(fileName);
  return WriteFileSafely(fileName, [&](HANDLE file) { return WriteAll(file, *inflated); });
}

class TWinWorkerSystem final : public IWorkerSystem {
public:
  explicit TWinWorkerSystem(void* instance)
      : module_(static_cast<HMODULE>(instance)), moduleFile_(module_, ModulePath(module_)) {
    // Without one, a frame that needs it is damage.
    if (const auto dictionary = ViewResource(module_, MAKEINTRESOURCEA(kZstdDictionaryId), kZstdPayloadType))
      zstdDictionary_ = *dictionary;
  }

  bool FolderExists(const std::string& path) const override { return ::FolderExists(path); }
  TResult ForceDirectories(const std::string& path) override { return ::ForceDirectories(path); }
  std::optional<TPayloadView> FindPayload(const std::string& name) override {
    TPayloadView payload;
    if (const auto zlib = ViewResource(module_, name.c_str(), kPayloadType)) {
      payload.raw = *zlib;
    } else if (const auto zstd = ViewResource(module_, name.c_str(), kZstdPayloadType)) {
      payload = {*zstd, 0, {TPayloadFormat::Zstd, zstdDictionary_}};
    } else {
      return std::nullopt;
    }
    const TOutcome<int32_t> size = ReadDeclaredSize(moduleFile_.Resource(payload.raw));
    if (!size) return std::nullopt;
    payload.size = *size;
    return payload;
  }
  void InflateAhead(const std::vector<TPayloadView>& payloads) override {
    inflateAhead_.emplace(module_, payloads, InflateThreads(), kInflateAheadBudget);
  }
  TResult UnpackResourceToFile(const std::string& fileName, const TPayloadView& payload) override {
    const std::optional<TInflated> inflated = inflateAhead_ ? inflateAhead_->Take(payload.raw) : std::nullopt;
    return inflated ? WriteInflated(fileName, *inflated)
                    : ::UnpackResourceToFile(fileName, moduleFile_.Resource(payload.raw), payload.codec);
  }
  TResult RegisterServer(const std::string& fileName) override { return ::RegisterServer(fileName); }
  TResult UnregisterServer(const std::string& fileName) override { return ::UnregisterServer(fileName); }
  bool FileExists(const std::string& path) const override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  TResult RemoveFile(const std::string& path) override {
    return DeleteFileA(path.c_str()) ? TResult() : LastErrorFailure(path, ERROR_ACCESS_DENIED);
  }
  IRegistry& Registry() override { return registry_; }

private:
  HMODULE module_;
  TModuleFile moduleFile_;
  std::string_view zstdDictionary_;
  TWinRegistry registry_;
  std::optional<TInflateAhead> inflateAhead_;
};

// How a worker of each road runs.
using TExecute = TRunEnd (*)(const TSetupProc& project, IWorkerSystem& system, IWorkerView& view);
template <typename Worker>
TRunEnd Execute(const TSetupProc& project, IWorkerSystem& system, IWorkerView& view) {
  return Worker(project, system, view).Execute();
}

// The worker's whole life on its thread, also when its system cannot be set up.
TRunEnd RunOnThisThread(const TWorkerThread::TRun& run, TExecute execute) {
  try {
    const TComSession com;  // for DLL servers whose registration uses it
    UseMessageLanguage(run.project.LangID);
    TWinWorkerSystem system(run.project.Instance);
    return execute(run.project, system, run.view);
  } catch (...) {
    return RunEndOf(std::current_exception());
  }
}

// The thread, ended by telling its owner how the worker ended.
template <typename Worker>
DWORD WINAPI RunWorker(void* shared) {
  auto& run = *static_cast<TWorkerThread::TRun*>(shared);
  run.end = RunOnThisThread(run, Execute<Worker>);
  run.ended();
  return 0;
}

TWorkerThread StartWorker(LPTHREAD_START_ROUTINE runWorker, const TSetupProc& project, IWorkerView& view,
                          std::function<void()> ended) {
  auto run = std::make_unique<TWorkerThread::TRun>(project, view, std::move(ended));
  const HANDLE thread = CreateThread(nullptr, 0, runWorker, run.get(), 0, nullptr);
  if (!thread) throw ESetupError(TText::WorkerNotStarted, {SystemMessage(HRESULT(GetLastError()))});
  return TWorkerThread(std::move(run), thread);
}

}  // namespace

TWorkerThread& TWorkerThread::operator=(TWorkerThread&& other) {
  Join();
  run_ = std::move(other.run_);
  thread_ = std::move(other.thread_);
  return *this;
}

TRunEnd TWorkerThread::End() {
  Join();
  return run_ ? std::move(run_->end) : TRunEnd::Stopped();
}

void TWorkerThread::Join() {
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
}

TWorkerThread StartCopyFiles(const TSetupProc& project, IWorkerView& view, std::function<void()> ended) {
  return StartWorker(RunWorker<TCopyFiles>, project, view, std::move(ended));
}

TWorkerThread StartRemoveFiles(const TSetupProc& project, IWorkerView& view, std::function<void()> ended) {
  return StartWorker(RunWorker<TRemoveFiles>, project, view, std::move(ended));
}

uint64_t BytesToInstall(const TSetupProc& project) {
  TWinWorkerSystem system(project.Instance);
  return BytesToWrite(project, system);
}
