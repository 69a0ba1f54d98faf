#include "setup/win_StepHandOff.h"

#include <algorithm>
#include <utility>

#include "actions/win_API.h"

namespace {

// How long a worker waits for the UI thread to run a step before it posts the
// step message: longer than the UI thread takes to empty its queue.
constexpr DWORD kRunWaitMs = 2;

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

void TStepHandOff::Post(HWND window, std::function<void()> step) {
  RethrowError();
  bool first;
  {
    TExclusiveLock hold(lock_);
    if (closed_) return;
    first = queue_.empty();
    queue_.push_back({std::move(step), ++queued_});
  }
  // A UI thread away from RunStepsFor learns of the queue from its messages.
  if (first) PostMessageW(window, stepMessage_, 0, 0);
}

void TStepHandOff::Run(HWND window, std::function<void()> step) {
  RethrowError();
  uint64_t number;
  {
    TExclusiveLock hold(lock_);
    if (closed_) return;
    number = ++queued_;
    queue_.push_back({std::move(step), number});
    awaited_ = number;
  }
  WakeAllConditionVariable(&changed_);
  // A UI thread that does not run the step soon gets it through its messages.
  const bool delivered = WaitUntilRun(number, kRunWaitMs) || PostMessageW(window, stepMessage_, 0, 0);
  if (!delivered && Withdraw(number)) return;  // no window is left to run it
  WaitUntilRun(number, INFINITE);
  RethrowError();
}

bool TStepHandOff::WaitUntilRun(uint64_t number, DWORD milliseconds) {
  TExclusiveLock hold(lock_);
  return WaitUntil(changed_, lock_, milliseconds, [&] { return ran_ >= number || closed_; });
}

// Takes back a step that has not run; false when it has.
bool TStepHandOff::Withdraw(uint64_t number) {
  TExclusiveLock hold(lock_);
  const auto step = std::find_if(queue_.begin(), queue_.end(), [&](const TStep& s) { return s.number == number; });
  if (step == queue_.end()) return false;
  queue_.erase(step);
  awaited_ = 0;
  return true;
}

void TStepHandOff::RethrowError() {
  std::exception_ptr error;
  {
    TExclusiveLock hold(lock_);
    error = std::exchange(error_, nullptr);
  }
  if (error) std::rethrow_exception(error);
}

void TStepHandOff::RunStepsFor(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    bool awaited;
    {
      TExclusiveLock hold(lock_);
      awaited = WaitUntil(changed_, lock_, DWORD(end - now), [&] { return awaited_ > ran_; });
    }
    RunWaitingSteps();
    if (!awaited) return;
  }
}

void TStepHandOff::RunWaitingSteps() {
  for (;;) {
    TStep step;
    {
      TExclusiveLock hold(lock_);
      if (closed_ || queue_.empty()) return;
      step = std::move(queue_.front());
      queue_.pop_front();
    }
    std::exception_ptr error;
    try {
      step.run();
    } catch (...) {
      error = std::current_exception();
    }
    bool awaited;
    {
      TExclusiveLock hold(lock_);
      ran_ = step.number;
      if (!error_) error_ = error;
      awaited = step.number == awaited_;
    }
    if (awaited) WakeAllConditionVariable(&changed_);
  }
}

void TStepHandOff::Close() {
  {
    TExclusiveLock hold(lock_);
    closed_ = true;
    queue_.clear();
  }
  WakeAllConditionVariable(&changed_);
}
