#pragma once
// The synchronous hand-off of UI steps from a worker thread to the UI thread.
// While a worker runs, the UI thread waits for steps on a condition variable
// and empties its message queue between them every few milliseconds; a step
// then costs a lock and a wake-up instead of a round trip through the window
// system, which under Wine is the larger part of a small file's time. When
// the UI thread does not take a step soon (it is in a modal loop, or no
// longer waiting for steps), the worker posts a message whose handler runs it.

#include <windows.h>

#include <exception>
#include <functional>

class TStepHandOff {
public:
  // The UI thread's handler of `stepMessage` calls RunWaitingStep.
  explicit TStepHandOff(UINT stepMessage) : stepMessage_(stepMessage) {}
  TStepHandOff(const TStepHandOff&) = delete;
  TStepHandOff& operator=(const TStepHandOff&) = delete;

  // Worker side: runs `step` on the UI thread, which owns `window`, and waits
  // until it has run; an exception thrown by the step is rethrown here. When
  // the window is gone, the step is dropped, as a message sent to it would be.
  void Run(HWND window, const std::function<void()>& step);

  // UI side: runs the steps handed over during the next `milliseconds`.
  void RunStepsFor(DWORD milliseconds);
  // UI side: runs the step waiting to be taken, if there is one.
  void RunWaitingStep();

private:
  bool WaitUntilTaken(DWORD milliseconds);
  bool WaitForStep(DWORD milliseconds);
  bool Withdraw(const std::function<void()>& step);

  UINT stepMessage_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;  // a step is waiting, taken or done
  const std::function<void()>* waiting_ = nullptr;        // handed over, not yet taken
  bool done_ = false;                                     // the last step taken has run
  std::exception_ptr error_;                              // what it threw
};
