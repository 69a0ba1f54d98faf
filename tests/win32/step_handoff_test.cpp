// The hand-off of UI steps between a worker thread and a UI thread that owns a
// window: posted and waited-for steps run on the UI thread, one at a time and
// in order, whether the UI thread waits for steps or only pumps its messages;
// what a step throws reaches the worker, and once closed nothing runs.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "actions/win_API.h"
#include "setup/win_StepHandOff.h"

namespace {

constexpr UINT kStepMessage = WM_APP + 7;

// A message-only window on the calling thread whose step message runs the
// waiting steps.
class TStepWindow {
public:
  explicit TStepWindow(TStepHandOff& handOff) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"StepHandOffTest";
    RegisterClassW(&windowClass);
    window_.reset(CreateWindowW(L"StepHandOffTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr));
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, LONG_PTR(&handOff));
  }

  HWND get() const { return window_.get(); }
  void Destroy() { window_.reset(); }

private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kStepMessage) return DefWindowProcW(window, message, wParam, lParam);
    reinterpret_cast<TStepHandOff*>(GetWindowLongPtrW(window, GWLP_USERDATA))->RunWaitingSteps();
    return 0;
  }

  unique_window window_;
};

// What a worker's run of `count` steps saw: the thread each step ran on and
// the value each step wrote when the next one read it.
struct TStepRun {
  std::vector<DWORD> threads;
  std::vector<int> values;
};

// Posts nine steps of ten and waits for every tenth and the last.
void HandSteps(TStepHandOff& handOff, HWND window, int count, TStepRun& run) {
  int value = 0;
  for (int i = 0; i < count; ++i) {
    auto step = [&run, &value, i] {
      run.threads.push_back(GetCurrentThreadId());
      run.values.push_back(value);
      value = i + 1;  // read by the next step: steps run in the order handed over
    };
    if (i % 10 == 9 || i == count - 1) handOff.Run(window, step);
    else handOff.Post(window, step);
  }
}

void ExpectRanInOrderOn(const TStepRun& run, int count, DWORD thread) {
  ASSERT_EQ(run.values.size(), size_t(count));
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(run.values[i], i);
    EXPECT_EQ(run.threads[i], thread);
  }
}

TEST(StepHandOff, RunsStepsInOrderOnTheWaitingUiThread) {
  TStepHandOff handOff(kStepMessage);
  TStepWindow window(handOff);
  constexpr int kSteps = 500;
  TStepRun run;
  std::atomic<bool> finished = false;
  std::thread worker([&] {
    HandSteps(handOff, window.get(), kSteps, run);
    finished = true;
  });
  while (!finished) {
    handOff.RunStepsFor(10);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  worker.join();
  ExpectRanInOrderOn(run, kSteps, GetCurrentThreadId());
}

// A UI thread inside a message loop of its own (a modal box, a window being
// dragged) gets the steps through the posted message.
TEST(StepHandOff, RunsStepsThroughTheMessageLoop) {
  TStepHandOff handOff(kStepMessage);
  TStepWindow window(handOff);
  const DWORD uiThread = GetCurrentThreadId();
  constexpr int kSteps = 20;
  TStepRun run;
  std::thread worker([&] {
    HandSteps(handOff, window.get(), kSteps, run);
    PostThreadMessageW(uiThread, WM_QUIT, 0, 0);
  });
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  worker.join();
  ExpectRanInOrderOn(run, kSteps, uiThread);
}

// A waited-for step's error comes back from its Run; a posted step's from the
// worker's next hand-off.
TEST(StepHandOff, RethrowsWhatAStepThrowsInTheWorker) {
  TStepHandOff handOff(kStepMessage);
  TStepWindow window(handOff);
  std::atomic<bool> finished = false;
  std::vector<std::string> caught;
  bool continued = false;
  const auto fail = [](const char* what) { return [what] { throw std::runtime_error(what); }; };
  const auto handOver = [&](auto handOverOnce) {
    try {
      handOverOnce();
    } catch (const std::runtime_error& error) {
      caught.push_back(error.what());
    }
  };
  std::thread worker([&] {
    handOver([&] { handOff.Run(window.get(), fail("waited")); });
    handOver([&] {
      handOff.Post(window.get(), fail("posted"));
      handOff.Run(window.get(), [] {});
    });
    handOff.Run(window.get(), [&] { continued = true; });
    finished = true;
  });
  while (!finished) handOff.RunStepsFor(10);
  worker.join();
  EXPECT_EQ(caught, (std::vector<std::string>{"waited", "posted"}));
  EXPECT_TRUE(continued) << "a step after a failed one still runs";
}

// Closing lets a worker that waits for a step go on, and drops what is queued.
TEST(StepHandOff, RunsNothingOnceClosed) {
  TStepHandOff handOff(kStepMessage);
  TStepWindow window(handOff);
  std::atomic<bool> queued = false;
  int ran = 0;
  std::thread worker([&] {
    handOff.Post(window.get(), [&] { ++ran; });
    queued = true;
    handOff.Run(window.get(), [&] { ++ran; });
    handOff.Post(window.get(), [&] { ++ran; });
  });
  while (!queued) Sleep(1);
  handOff.Close();
  worker.join();
  handOff.RunWaitingSteps();
  EXPECT_EQ(ran, 0);
}

TEST(StepHandOff, DropsTheStepWhenTheWindowIsGone) {
  TStepHandOff handOff(kStepMessage);
  TStepWindow window(handOff);
  const HWND gone = window.get();
  window.Destroy();
  bool ran = false;
  std::thread worker([&] { handOff.Run(gone, [&] { ran = true; }); });
  worker.join();  // returns without a UI thread taking the step
  EXPECT_FALSE(ran);
  handOff.RunWaitingSteps();
  EXPECT_FALSE(ran) << "a withdrawn step is not run later";
}

}  // namespace
