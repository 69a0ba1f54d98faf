#pragma once
// Inflates payload resources ahead of the thread that writes them, on threads
// of its own: while one file is written, the next ones are inflated on the
// other cores. The payloads are taken in the order given. What waits in memory
// stays within a budget; a payload larger than the budget is not inflated
// ahead, and its writer inflates it piece by piece as it writes.

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

#include "actions/win_API.h"
#include "package/win_Resources.h"

// A payload inflated ahead: its bytes, or the failure of a damaged stream.
using TInflated = TOutcome<Bytes>;

class TInflateAhead {
public:
  // `payloads` are raw resources of `module` with their declared sizes, in the
  // order they will be taken; each thread reads them from the module's file
  // (TModuleFile).
  TInflateAhead(HMODULE module, const std::vector<TPayloadView>& payloads, unsigned threads, size_t budget);
  TInflateAhead(const TInflateAhead&) = delete;
  TInflateAhead& operator=(const TInflateAhead&) = delete;
  // The threads stop before their next payload and are waited for.
  ~TInflateAhead();

  // The payload `raw`, when it is one of those given, not taken yet, and was
  // inflated ahead; it waits for the inflating to end. The payloads given
  // before it are dropped. Nothing when it was not inflated ahead, or is not
  // among those left: the caller inflates it itself.
  std::optional<TInflated> Take(std::string_view raw);

private:
  enum class TState { Waiting, Inflating, Inflated, NotAhead };
  struct TSlot {
    explicit TSlot(const TPayloadView& payload) : payload(payload) {}
    size_t Size() const { return size_t(payload.size); }  // declared
    TPayloadView payload;
    TState state = TState::Waiting;
    bool holdsBudget = false;  // from its claim until taken or dropped
    std::optional<TInflated> inflated;  // while Inflated and not taken
  };

  struct TThread {
    TInflateAhead* ahead;
    TModuleFile file;
    unique_handle handle;
  };

  static DWORD WINAPI ThreadMain(void* thread);
  void InflateSlots(TModuleFile& file);
  std::optional<size_t> NextSlot();
  static std::optional<TInflated> Inflate(TModuleFile& file, const TPayloadView& payload);
  static bool Ended(const TSlot& slot) { return slot.state == TState::Inflated || slot.state == TState::NotAhead; }
  void Release(TSlot& slot);

  std::vector<TSlot> slots_;
  const size_t budget_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
  size_t nextSlot_ = 0;   // the next to be claimed by a thread
  size_t nextAsked_ = 0;  // the first not yet taken or passed over by the writer
  size_t reserved_ = 0;   // of the budget
  bool stopping_ = false;
  std::vector<TThread> threads_;  // not moved once started
};
