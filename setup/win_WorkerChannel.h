#pragma once
// The channel from a worker thread to the UI thread that owns the wizard
// window: a snapshot of the progress, which the worker writes and the UI thread
// paints at its own pace, and a hand-off of the boxes the worker waits for.
// The worker's view is implemented here, on top of both; it reaches the
// window only by messages to its handle.

#include <windows.h>

#include <atomic>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "setup/u_SetupTexts.h"
#include "setup/u_WorkerView.h"

// What a progress page shows.
struct TProgress {
  std::optional<TText> operation;  // none before the run's first status: the labels stay as they are
  std::string item;
  int max = 0;
  int position = 0;
};

class TProgressSnapshot {
public:
  // Worker side: each records into the snapshot and returns at once.
  void SetStatus(TText operation, const std::string& item);
  void SetMax(int max);
  void SetPosition(int position);

  // UI side: the progress to paint, nothing when it is unchanged since the
  // last take. TakeAtPace gives a bar that moved back since then where it moved
  // back to, so that a new phase is seen to start at 0; the latest follows at
  // the next take.
  std::optional<TProgress> TakeLatest() { return Take(false); }
  std::optional<TProgress> TakeAtPace() { return Take(true); }

private:
  std::optional<TProgress> Take(bool atPace);

  SRWLOCK lock_ = SRWLOCK_INIT;
  TProgress latest_;
  bool changed_ = false;
  int taken_ = 0;                 // the position given by the last take
  std::optional<int> movedBack_;  // the lowest position below it since then
};

// A box a worker waits for: a question about an item that failed, which the
// window answers, or the list of what the removal left behind.
struct TWorkerStep {
  enum class TKind { Question, NotRemoved };
  TKind kind;
  std::span<const TMessage> lines;  // a question's one message, or the list
  TErrorChoices choices = TErrorChoices::RetryCancel;
  TErrorAnswer answer = TErrorAnswer::Abort;  // set by the window
};

// The steps a worker hands to the UI thread and waits for, one at a time.
class TStepHandOff {
public:
  // The window's handler of `stepMessage` calls RunWaitingStep.
  explicit TStepHandOff(UINT stepMessage) : stepMessage_(stepMessage) {}
  TStepHandOff(const TStepHandOff&) = delete;
  TStepHandOff& operator=(const TStepHandOff&) = delete;

  // UI side: steps are announced to `window`, whose thread runs them.
  void Open(HWND window);
  // UI side: runs the step a worker waits for, if any, as `run(step)`.
  template <typename Runner>
  void RunWaitingStep(Runner&& run) {
    TWorkerStep* step = TakeWaitingStep();
    if (!step) return;
    std::exception_ptr error;
    try {
      run(*step);
    } catch (...) {
      error = std::current_exception();
    }
    StepRan(error);
  }
  // UI side: no step runs from now on; a worker waiting for one that has not
  // started goes on, as does the worker of a step running now once it ends.
  void Close();
  // Whether Close has been called.
  bool Closed() const { return closed_; }
  // Posts `message` to the window while the hand-off is open for it.
  void Post(UINT message);

  // Worker side: has `step` run on the UI thread and returns when it has run;
  // an error of the step is rethrown here. Without a window to run it (never
  // opened, closed or gone, also while it waits) it returns and the step does
  // not run.
  void Run(TWorkerStep& step);

private:
  enum class TState { Idle, Waiting, Running };

  // The step a worker waits for, now running; nullptr when none waits.
  TWorkerStep* TakeWaitingStep();
  // The running step has ended, with `error` when it threw one.
  void StepRan(const std::exception_ptr& error);
  // With the lock held: the waiting step will not run, nor any after it.
  void DropWaitingStep();

  UINT stepMessage_;
  std::atomic<bool> closed_ = false;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;  // the waiting step has run or was dropped
  HWND window_ = nullptr;
  TState state_ = TState::Idle;
  TWorkerStep* step_ = nullptr;
  std::exception_ptr error_;
};

// The worker's view of its progress page: progress goes into the snapshot,
// boxes through the hand-off. The window opens and closes the hand-off, runs
// its steps and paints the snapshot. Once the window has closed the hand-off,
// the worker's next status stops its run (ESetupError::StoppedByUser), so
// that the window's owner waits for no more than the item at hand.
class TWorkerChannel final : public IWorkerView {
public:
  // The window gets `stepMessage` for a box to show, `endedMessage` once the
  // worker's thread has ended.
  TWorkerChannel(UINT stepMessage, UINT endedMessage) : steps_(stepMessage), endedMessage_(endedMessage) {}

  void ShowStatus(TText text, const std::string& item) override;
  void SetProgressMax(int max) override { progress_.SetMax(max); }
  void SetProgressPosition(int position) override { progress_.SetPosition(position); }
  TErrorAnswer AskAboutFailure(const TMessage& message, TErrorChoices choices) override;
  void ShowNotRemoved(const std::vector<TMessage>& lines) override;

  // Called by the worker's thread as its last act.
  void ThreadEnded() { steps_.Post(endedMessage_); }

  TProgressSnapshot& Progress() { return progress_; }
  TStepHandOff& Steps() { return steps_; }

private:
  TProgressSnapshot progress_;
  TStepHandOff steps_;
  UINT endedMessage_;
};
