#include "setup/win_StepHandOff.h"

#include "actions/win_API.h"

namespace {

// How long a worker waits for the UI thread to take a step before it posts the
// step message: longer than the UI thread takes to empty its queue.
constexpr DWORD kTakeWaitMs = 2;

// Waits on `changed` until `ready` holds, at most about `milliseconds`; true
// when it holds. The waits are relative: under Wine the tick count may lag by
// more than such a short time.
template <typename Ready>
bool WaitUntil(CONDITION_VARIABLE& changed, SRWLOCK& lock, DWORD milliseconds, Ready ready) {
  while (!ready())
    if (!SleepConditionVariableSRW(&changed, &lock, milliseconds, 0)) return ready();
  return true;
}

}  // namespace

void TStepHandOff::Run(HWND window, const std::function<void()>& step) {
  {
    TExclusiveLock hold(lock_);
    waiting_ = &step;
    done_ = false;
    error_ = nullptr;
  }
  WakeAllConditionVariable(&changed_);
  // A UI thread that does not take the step soon gets it through its messages.
  const bool delivered = WaitUntilTaken(kTakeWaitMs) || PostMessageW(window, stepMessage_, 0, 0);
  if (!delivered && Withdraw(step)) return;  // no window is left to run it
  std::exception_ptr error;
  {
    TExclusiveLock hold(lock_);
    WaitUntil(changed_, lock_, INFINITE, [&] { return done_; });
    error = error_;
  }
  if (error) std::rethrow_exception(error);
}

bool TStepHandOff::WaitUntilTaken(DWORD milliseconds) {
  TExclusiveLock hold(lock_);
  return WaitUntil(changed_, lock_, milliseconds, [&] { return waiting_ == nullptr; });
}

// Takes back a step no one has taken; false when the UI thread has it already.
bool TStepHandOff::Withdraw(const std::function<void()>& step) {
  TExclusiveLock hold(lock_);
  if (waiting_ != &step) return false;
  waiting_ = nullptr;
  return true;
}

void TStepHandOff::RunStepsFor(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    if (!WaitForStep(DWORD(end - now))) return;
    RunWaitingStep();
  }
}

bool TStepHandOff::WaitForStep(DWORD milliseconds) {
  TExclusiveLock hold(lock_);
  return WaitUntil(changed_, lock_, milliseconds, [&] { return waiting_ != nullptr; });
}

void TStepHandOff::RunWaitingStep() {
  const std::function<void()>* step;
  {
    TExclusiveLock hold(lock_);
    step = waiting_;
    waiting_ = nullptr;
  }
  if (!step) return;
  WakeAllConditionVariable(&changed_);  // taken: the worker need not post the step message
  std::exception_ptr error;
  try {
    (*step)();
  } catch (...) {
    error = std::current_exception();
  }
  {
    TExclusiveLock hold(lock_);
    error_ = error;
    done_ = true;
  }
  WakeAllConditionVariable(&changed_);
}
