#pragma once
// The install and uninstall workers on Windows, each on a thread of its own,
// acting on the real file system, payload and registry for the global project
// SetupProc.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "actions/win_API.h"
#include "setup/u_WorkerView.h"

// A worker's thread, joined when its owner goes: the worker has ended before
// the view and the project it uses go away.
class TWorkerThread {
public:
  // What the thread shares with its owner.
  struct TRun {
    IWorkerView& view;
    // Called on the thread as its last act, however the worker ended.
    std::function<void()> ended;
    // Why the worker ended outside its own error road: its system could not
    // be set up, or its error box could not be shown; nothing when it did not.
    std::optional<TMessage> failure;
  };

  TWorkerThread() = default;
  TWorkerThread(std::unique_ptr<TRun> run, HANDLE thread) : run_(std::move(run)), thread_(thread) {}
  TWorkerThread(TWorkerThread&&) = default;
  TWorkerThread& operator=(TWorkerThread&& other);
  ~TWorkerThread() { Join(); }

  // TRun::failure, once the thread has ended, which it waits for.
  std::optional<TMessage> Failure();

private:
  void Join();

  std::unique_ptr<TRun> run_;
  unique_handle thread_;
};

// Start the worker of each road, speaking the project's language; throw
// ESetupError when no thread can start.
// The view must outlive the returned thread, which calls `ended` (TRun::ended).
[[nodiscard]] TWorkerThread StartCopyFiles(IWorkerView& view, std::function<void()> ended);
[[nodiscard]] TWorkerThread StartRemoveFiles(IWorkerView& view, std::function<void()> ended);

// The bytes the install of SetupProc writes (BytesToWrite).
uint64_t BytesToInstall();
