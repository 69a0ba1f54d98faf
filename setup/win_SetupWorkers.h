#pragma once
// The install and uninstall workers on Windows, each on a thread of its own,
// acting on the real file system, payload and registry for the global project
// SetupProc.

#include "actions/win_API.h"
#include "setup/u_WorkerView.h"

// A worker's thread, joined when its owner goes: the worker has ended before
// the view and the project it uses go away.
class TWorkerThread {
public:
  TWorkerThread() = default;
  explicit TWorkerThread(HANDLE thread) : thread_(thread) {}
  TWorkerThread(TWorkerThread&&) = default;
  TWorkerThread& operator=(TWorkerThread&& other);
  ~TWorkerThread() { Join(); }

private:
  void Join();

  unique_handle thread_;
};

// Start the worker of each road; throw ESetupError when no thread can start.
// The view must outlive the returned thread.
[[nodiscard]] TWorkerThread StartCopyFiles(IWorkerView& view);
[[nodiscard]] TWorkerThread StartRemoveFiles(IWorkerView& view);
