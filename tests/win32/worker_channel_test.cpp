// The channel from a worker thread to the UI thread: the progress snapshot
// gives the latest of what was recorded, a bar moving back first; the steps a
// worker waits for run on the UI thread, their errors reach the worker, and a
// worker is never left waiting for a window that is gone.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "actions/win_API.h"
#include "setup/win_WorkerChannel.h"
#include "tests/win32/win32_test_support.h"

namespace {

constexpr UINT kStepMessage = WM_APP + 7;

// The operation, item, maximum and position of a take, or "none".
std::string Taken(const std::optional<TProgress>& progress) {
  if (!progress) return "none";
  const std::string operation = progress->operation ? std::to_string(int(*progress->operation)) : "-";
  return operation + " " + progress->item + " " + std::to_string(progress->max) + " " +
         std::to_string(progress->position);
}

TEST(ProgressSnapshot, GivesTheLatestOnceAndABarMovedBackWhereItWentFirst) {
  TProgressSnapshot snapshot;
  EXPECT_EQ(Taken(snapshot.TakeAtPace()), "none") << "nothing recorded";
  snapshot.SetMax(3);
  EXPECT_EQ(Taken(snapshot.TakeAtPace()), "-  3 0") << "the bar before the first status";
  for (int k = 1; k <= 3; ++k) {
    snapshot.SetStatus(TText::CopyingFile, "file " + std::to_string(k));
    snapshot.SetPosition(k);
  }
  snapshot.SetMax(3);
  EXPECT_EQ(Taken(snapshot.TakeAtPace()), std::to_string(int(TText::CopyingFile)) + " file 3 3 3");
  EXPECT_EQ(Taken(snapshot.TakeAtPace()), "none") << "unchanged since";

  // A new phase: back to 0, then on to 2 before the next take.
  snapshot.SetPosition(0);
  snapshot.SetMax(5);
  snapshot.SetStatus(TText::WriteRegValue, "value 2");
  snapshot.SetPosition(1);
  snapshot.SetPosition(2);
  EXPECT_EQ(Taken(snapshot.TakeAtPace()), std::to_string(int(TText::WriteRegValue)) + " value 2 5 0");
  EXPECT_EQ(Taken(snapshot.TakeAtPace()), std::to_string(int(TText::WriteRegValue)) + " value 2 5 2");
  EXPECT_EQ(Taken(snapshot.TakeAtPace()), "none");

  snapshot.SetPosition(1);
  snapshot.SetPosition(4);
  EXPECT_EQ(Taken(snapshot.TakeLatest()), std::to_string(int(TText::WriteRegValue)) + " value 2 5 4")
      << "before a box and at the end: the latest at once";
  EXPECT_EQ(Taken(snapshot.TakeAtPace()), "none");
}

// A message-only window on the calling thread whose step message runs the
// waiting step.
class TStepWindow {
public:
  explicit TStepWindow(TStepHandOff& handOff) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"WorkerChannelTest";
    RegisterClassW(&windowClass);
    window_.reset(CreateWindowW(L"WorkerChannelTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr));
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, LONG_PTR(&handOff));
    handOff.Open(window_.get());
  }

  void Destroy() { window_.reset(); }

private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kStepMessage) return DefWindowProcW(window, message, wParam, lParam);
    reinterpret_cast<TStepHandOff*>(GetWindowLongPtrW(window, GWLP_USERDATA))->RunWaitingStep();
    return 0;
  }

  unique_window window_;
};

// Dispatches the calling thread's messages until `done` holds.
void PumpUntil(const std::atomic<bool>& done) {
  MSG message;
  while (!done)
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT) == WAIT_OBJECT_0)
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

TEST(StepHandOff, RunsStepsOnTheUiThreadAndRethrowsTheirErrorsInTheWorker) {
  TStepHandOff handOff(kStepMessage);
  TStepWindow window(handOff);
  std::vector<DWORD> threads;
  std::vector<std::string> caught;
  std::atomic<bool> finished = false;
  std::thread worker([&] {
    for (const char* failure : {"", "refused", ""}) {
      try {
        handOff.Run([&] {
          threads.push_back(GetCurrentThreadId());
          if (*failure) throw std::runtime_error(failure);
        });
      } catch (const std::runtime_error& error) {
        caught.push_back(error.what());
      }
    }
    finished = true;
  });
  PumpUntil(finished);
  worker.join();
  EXPECT_EQ(threads, std::vector<DWORD>(3, GetCurrentThreadId())) << "a step after a failed one still runs";
  EXPECT_EQ(caught, (std::vector<std::string>{"refused"}));
}

TEST(StepHandOff, AWaitingWorkerGoesOnWhenTheWindowCloses) {
  TStepHandOff handOff(kStepMessage);
  TStepWindow window(handOff);
  bool ran = false;
  std::thread worker([&] { handOff.Run([&] { ran = true; }); });
  MSG message;
  EXPECT_TRUE(WaitFor([&] { return PeekMessageW(&message, nullptr, kStepMessage, kStepMessage, PM_NOREMOVE); }))
      << "the worker announced its step";
  handOff.Close();
  worker.join();
  handOff.RunWaitingStep();
  EXPECT_FALSE(ran) << "nothing runs once closed";

  std::thread late([&] { handOff.Run([&] { ran = true; }); });
  late.join();  // returns without a UI thread taking the step
  EXPECT_FALSE(ran);
}

TEST(StepHandOff, AStepForAWindowThatIsGoneIsDropped) {
  TStepHandOff handOff(kStepMessage);
  TStepWindow window(handOff);
  window.Destroy();
  bool ran = false;
  std::thread worker([&] { handOff.Run([&] { ran = true; }); });
  worker.join();
  handOff.RunWaitingStep();
  EXPECT_FALSE(ran);

  // A window that goes while a worker waits, without closing the hand-off.
  TStepHandOff waited(kStepMessage);
  TStepWindow going(waited);
  std::atomic<bool> returned = false;
  std::thread waiting([&] {
    waited.Run([&] { ran = true; });
    returned = true;
  });
  MSG message;
  ASSERT_TRUE(WaitFor([&] { return PeekMessageW(&message, nullptr, kStepMessage, kStepMessage, PM_NOREMOVE); }));
  going.Destroy();
  EXPECT_TRUE(WaitFor([&] { return bool(returned); })) << "the worker still waits";
  waiting.join();
  EXPECT_FALSE(ran);
}

}  // namespace
