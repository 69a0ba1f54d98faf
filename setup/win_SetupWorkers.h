#pragma once
// The install and uninstall workers on Windows, each on a thread of its own,
// acting on the real file system, payload and registry for a project that the
// UI thread made and leaves as it is while the worker runs.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "actions/win_API.h"
#include "package/c_SetupProc.h"
#include "setup/u_WorkerView.h"

// A worker's thread, joined when its owner goes: the worker has ended before
// the view and the project it uses go away.
class TWorkerThread {
public:
  // What the thread shares with its owner.
  struct TRun {
    const TSetupProc& project;
    IWorkerView& view;
    // Called on the thread as its last act, however the worker ended.
    std::function<void()> ended;
    // How the run ended, set before `ended` is called: the worker's own end,
    // or Failed when its system could not be set up.
    TRunEnd end = TRunEnd::Stopped();
  };

  TWorkerThread() = default;
  TWorkerThread(std::unique_ptr<TRun> run, HANDLE thread) : run_(std::move(run)), thread_(thread) {}
  TWorkerThread(TWorkerThread&&) = default;
  TWorkerThread& operator=(TWorkerThread&& other);
  ~TWorkerThread() { Join(); }

  // TRun::end, once the thread has ended, which it waits for; the end is
  // handed over, so it is asked for once.
  TRunEnd End();

private:
  void Join();

  std::unique_ptr<TRun> run_;
  unique_handle thread_;
};

// Start the worker of each road for `project`, speaking the project's
// language; throw ESetupError when no thread can start. The project and the
// view must outlive the returned thread, which calls `ended` (TRun::ended).
[[nodiscard]] TWorkerThread StartCopyFiles(const TSetupProc& project, IWorkerView& view, std::function<void()> ended);
[[nodiscard]] TWorkerThread StartRemoveFiles(const TSetupProc& project, IWorkerView& view,
                                             std::function<void()> ended);

// The bytes the install of the project writes (BytesToWrite).
uint64_t BytesToInstall(const TSetupProc& project);
