#include "package/win_InflateAhead.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

bool Same(std::string_view a, std::string_view b) { return a.data() == b.data() && a.size() == b.size(); }

}  // namespace

TInflateAhead::TInflateAhead(HMODULE module, const std::vector<TPayloadView>& payloads, unsigned threads,
                             size_t budget)
    : budget_(budget) {
  slots_.reserve(payloads.size());
  for (const TPayloadView& payload : payloads) slots_.emplace_back(payload);
  const std::wstring path = ModulePath(module);
  threads_.reserve(threads);
  for (unsigned n = 0; n < threads; ++n) {
    TThread& thread = threads_.emplace_back(TThread{this, TModuleFile(module, path), {}});
    thread.handle.reset(CreateThread(nullptr, 0, ThreadMain, &thread, 0, nullptr));
    if (!thread.handle) threads_.pop_back();
  }
}

TInflateAhead::~TInflateAhead() {
  {
    TExclusiveLock hold(lock_);
    stopping_ = true;
  }
  WakeAllConditionVariable(&changed_);
  for (const TThread& thread : threads_) WaitForSingleObject(thread.handle.get(), INFINITE);
}

DWORD WINAPI TInflateAhead::ThreadMain(void* thread) {
  auto& self = *static_cast<TThread*>(thread);
  self.ahead->InflateSlots(self.file);
  return 0;
}

void TInflateAhead::InflateSlots(TModuleFile& file) {
  while (const std::optional<size_t> index = NextSlot()) {
    std::optional<TInflated> inflated = Inflate(file, slots_[*index].payload);
    TExclusiveLock hold(lock_);
    TSlot& slot = slots_[*index];
    slot.state = inflated ? TState::Inflated : TState::NotAhead;
    slot.inflated = std::move(inflated);
    if (*index < nextAsked_ || !inflated) Release(slot);  // dropped while inflating, or no memory for it
    WakeAllConditionVariable(&changed_);
  }
}

// Nothing when the memory for it cannot be had.
std::optional<TInflated> TInflateAhead::Inflate(TModuleFile& file, const TPayloadView& payload) {
  try {
    return UnpackResource(file.Resource(payload.raw), payload.codec);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

// Claims the next payload the writer has not passed, once the budget has room
// for it. The claims go in order, so the payload the writer waits for is never
// kept out by ones behind it. Nothing when all are claimed or when stopping.
std::optional<size_t> TInflateAhead::NextSlot() {
  TExclusiveLock hold(lock_);
  for (;;) {
    nextSlot_ = std::max(nextSlot_, nextAsked_);
    if (stopping_ || nextSlot_ == slots_.size()) return std::nullopt;
    TSlot& slot = slots_[nextSlot_];
    if (slot.Size() > budget_) {
      slot.state = TState::NotAhead;
      ++nextSlot_;
      WakeAllConditionVariable(&changed_);
    } else if (reserved_ + slot.Size() <= budget_) {
      reserved_ += slot.Size();
      slot.holdsBudget = true;
      slot.state = TState::Inflating;
      return nextSlot_++;
    } else {
      SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    }
  }
}

void TInflateAhead::Release(TSlot& slot) {
  if (slot.holdsBudget) reserved_ -= slot.Size();
  slot.holdsBudget = false;
  slot.inflated.reset();
}

std::optional<TInflated> TInflateAhead::Take(std::string_view raw) {
  if (threads_.empty()) return std::nullopt;
  TExclusiveLock hold(lock_);
  const auto found = std::find_if(slots_.begin() + ptrdiff_t(nextAsked_), slots_.end(),
                                  [&](const TSlot& slot) { return Same(slot.payload.raw, raw); });
  if (found == slots_.end()) return std::nullopt;
  const size_t index = size_t(found - slots_.begin());
  // Those passed over give their room back; one still inflating gives it when done.
  for (; nextAsked_ < index; ++nextAsked_)
    if (Ended(slots_[nextAsked_])) Release(slots_[nextAsked_]);
  WakeAllConditionVariable(&changed_);
  while (!Ended(*found)) SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
  ++nextAsked_;
  std::optional<TInflated> taken;
  if (found->state == TState::Inflated) taken = std::move(found->inflated);
  Release(*found);
  WakeAllConditionVariable(&changed_);
  return taken;
}
