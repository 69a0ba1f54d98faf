#pragma once
// The hand-off of UI steps from a worker thread to the UI thread.
//
// The contract: steps run on the UI thread one at a time, in the order they
// were handed over. Post queues a step and returns at once; Run queues one and
// waits until it has run, and so until every step before it has. An error
// thrown by any step reaches the worker at its next Run or Post. Once the UI
// thread has called Close, no step runs any more: queued ones are dropped,
// Run and Post return at once.
//
// While a worker runs, the UI thread waits in RunStepsFor, which runs the
// queue whenever a step waits to be run, and at least every pace; a step that
// only shows something thus costs the worker a lock, not a round trip to the
// other thread, which under Wine is the larger part of a small file's time.
// When the UI thread is elsewhere (a modal loop, or no longer waiting), a
// message whose handler calls RunWaitingSteps brings it to the queue.

#include <windows.h>

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>

class TStepHandOff {
public:
  // The UI thread's handler of `stepMessage` calls RunWaitingSteps.
  explicit TStepHandOff(UINT stepMessage) : stepMessage_(stepMessage) {}
  TStepHandOff(const TStepHandOff&) = delete;
  TStepHandOff& operator=(const TStepHandOff&) = delete;

  // Worker side: queues `step` for the UI thread, which owns `window`.
  void Post(HWND window, std::function<void()> step);
  // Worker side: queues `step` and waits until it has run; an error of it is
  // rethrown here. When no window is left to run it, the step is dropped.
  void Run(HWND window, std::function<void()> step);

  // UI side: runs the steps handed over during the next `milliseconds`.
  void RunStepsFor(DWORD milliseconds);
  // UI side: runs the queued steps.
  void RunWaitingSteps();
  // UI side: no step runs from now on.
  void Close();

private:
  struct TStep {
    std::function<void()> run;
    uint64_t number;
  };

  uint64_t Queue(HWND window, std::function<void()> step);
  bool WaitUntilRun(uint64_t number, DWORD milliseconds);
  bool Withdraw(uint64_t number);
  void RethrowError();

  UINT stepMessage_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;  // a step waits to be run, or one has run
  std::deque<TStep> queue_;
  uint64_t queued_ = 0;   // steps handed over so far
  uint64_t ran_ = 0;      // the number of the last step run or dropped
  uint64_t awaited_ = 0;  // the number of the step a worker waits for, 0 for none
  bool closed_ = false;
  std::exception_ptr error_;  // a step's error, not yet rethrown
};
