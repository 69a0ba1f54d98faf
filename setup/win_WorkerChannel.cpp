#include "setup/win_WorkerChannel.h"

#include <utility>

#include "actions/u_SetupConsts.h"
#include "actions/win_API.h"

namespace {

// How often a waiting worker looks whether the window is still there.
constexpr DWORD kWindowCheckMs = 100;

}  // namespace

void TProgressSnapshot::SetStatus(TText operation, const std::string& item) {
  TExclusiveLock hold(lock_);
  latest_.operation = operation;
  latest_.item = item;
  changed_ = true;
}

void TProgressSnapshot::SetMax(int max) {
  TExclusiveLock hold(lock_);
  latest_.max = max;
  changed_ = true;
}

void TProgressSnapshot::SetPosition(int position) {
  TExclusiveLock hold(lock_);
  latest_.position = position;
  changed_ = true;
  if (position < movedBack_.value_or(taken_)) movedBack_ = position;
}

std::optional<TProgress> TProgressSnapshot::Take(bool atPace) {
  TExclusiveLock hold(lock_);
  if (!changed_) return std::nullopt;
  TProgress progress = latest_;
  if (atPace && movedBack_) progress.position = *movedBack_;
  movedBack_.reset();
  taken_ = progress.position;
  changed_ = taken_ != latest_.position;
  return progress;
}

void TStepHandOff::Open(HWND window) {
  TExclusiveLock hold(lock_);
  window_ = window;
}

void TStepHandOff::Post(UINT message) {
  TExclusiveLock hold(lock_);
  if (window_) PostMessageW(window_, message, 0, 0);
}

void TStepHandOff::Run(TWorkerStep& step) {
  std::exception_ptr error;
  {
    TExclusiveLock hold(lock_);
    if (!window_ || !PostMessageW(window_, stepMessage_, 0, 0)) return;
    step_ = &step;
    state_ = TState::Waiting;
    while (state_ != TState::Idle) {
      SleepConditionVariableSRW(&changed_, &lock_, kWindowCheckMs, 0);
      // A window gone without closing the hand-off takes no step either.
      if (state_ == TState::Waiting && !IsWindow(window_)) DropWaitingStep();
    }
    error = std::exchange(error_, nullptr);
  }
  if (error) std::rethrow_exception(error);
}

TWorkerStep* TStepHandOff::TakeWaitingStep() {
  TExclusiveLock hold(lock_);
  if (state_ != TState::Waiting) return nullptr;
  state_ = TState::Running;
  return std::exchange(step_, nullptr);
}

void TStepHandOff::StepRan(const std::exception_ptr& error) {
  {
    TExclusiveLock hold(lock_);
    error_ = error;
    state_ = TState::Idle;
  }
  WakeAllConditionVariable(&changed_);
}

void TStepHandOff::Close() {
  closed_ = true;
  {
    TExclusiveLock hold(lock_);
    if (state_ == TState::Waiting) DropWaitingStep();
    window_ = nullptr;
  }
  WakeAllConditionVariable(&changed_);
}

void TStepHandOff::DropWaitingStep() {
  window_ = nullptr;
  state_ = TState::Idle;
  step_ = nullptr;
}

void TWorkerChannel::ShowStatus(TText text, const std::string& item) {
  if (steps_.Closed()) throw ESetupError::StoppedByUser();
  progress_.SetStatus(text, item);
}

TErrorAnswer TWorkerChannel::AskAboutFailure(const TMessage& message, TErrorChoices choices) {
  TWorkerStep question{TWorkerStep::TKind::Question, {&message, 1}, choices};
  steps_.Run(question);
  return question.answer;
}

void TWorkerChannel::ShowNotRemoved(const std::vector<TMessage>& lines) {
  TWorkerStep list{TWorkerStep::TKind::NotRemoved, lines};
  steps_.Run(list);
}
