// The channel from a worker thread to the UI thread: the progress snapshot
// gives the latest of what was recorded, a bar moving back first; the boxes a
// worker waits for run on the UI thread, their answers and errors reach the
// worker, and a worker is never left waiting for a window that is gone.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "actions/u_SetupConsts.h"
#include "actions/win_API.h"
#include "setup/win_WorkerChannel.h"
#include "tests/win32/win32_test_support.h"

namespace {

constexpr UINT kStepMessage = WM_APP + 7;
constexpr UINT kEndedMessage = WM_APP + 8;

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
// waiting step with `run`.
class TStepWindow {
public:
  TStepWindow(TStepHandOff& handOff, std::function<void(TWorkerStep&)> run) : handOff_(handOff), run_(std::move(run)) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"WorkerChannelTest";
    RegisterClassW(&windowClass);
    window_.reset(CreateWindowW(L"WorkerChannelTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr));
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, LONG_PTR(this));
    handOff.Open(window_.get());
  }

  void Destroy() { window_.reset(); }

private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kStepMessage) return DefWindowProcW(window, message, wParam, lParam);
    auto* self = reinterpret_cast<TStepWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    self->handOff_.RunWaitingStep(self->run_);
    return 0;
  }

  TStepHandOff& handOff_;
  std::function<void(TWorkerStep&)> run_;
  unique_window window_;
};

// Dispatches the calling thread's messages until `done` holds.
void PumpUntil(const std::atomic<bool>& done) {
  MSG message;
  while (!done)
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT) == WAIT_OBJECT_0)
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

bool StepAnnounced() {
  MSG message;
  return PeekMessageW(&message, nullptr, kStepMessage, kStepMessage, PM_NOREMOVE);
}

bool TakeEndedMessage() {
  MSG message;
  return PeekMessageW(&message, nullptr, kEndedMessage, kEndedMessage, PM_REMOVE);
}

// The boxes of a worker's view run on the UI thread, which answers them; an
// error there reaches the worker, and a later box still runs.
TEST(WorkerChannel, BoxesRunOnTheUiThreadWhichAnswersThem) {
  TWorkerChannel channel(kStepMessage, kEndedMessage);
  std::vector<DWORD> threads;
  std::vector<std::string> seen;
  TStepWindow window(channel.Steps(), [&](TWorkerStep& step) {
    threads.push_back(GetCurrentThreadId());
    const std::string& first = step.lines.front().args.front();
    seen.push_back(first + (step.kind == TWorkerStep::TKind::NotRemoved ? " list" : " question"));
    if (first == "refused") throw std::runtime_error(first);
    step.answer = step.choices == TErrorChoices::AbortRetryIgnore ? TErrorAnswer::Ignore : TErrorAnswer::Retry;
  });
  const auto message = [](const char* text) { return TMessage{TText::SystemReason, {text}}; };
  std::vector<TErrorAnswer> answers;
  std::string caught;
  std::atomic<bool> finished = false;
  std::thread worker([&] {
    answers.push_back(channel.AskAboutFailure(message("held"), TErrorChoices::RetryCancel));
    try {
      channel.AskAboutFailure(message("refused"), TErrorChoices::RetryCancel);
    } catch (const std::runtime_error& error) {
      caught = error.what();
    }
    answers.push_back(channel.AskAboutFailure(message("server"), TErrorChoices::AbortRetryIgnore));
    channel.ShowNotRemoved({message("left"), message("behind")});
    finished = true;
  });
  PumpUntil(finished);
  worker.join();
  EXPECT_EQ(threads, std::vector<DWORD>(4, GetCurrentThreadId())) << "a box after a failed one still runs";
  EXPECT_EQ(seen, (std::vector<std::string>{"held question", "refused question", "server question", "left list"}));
  EXPECT_EQ(answers, (std::vector<TErrorAnswer>{TErrorAnswer::Retry, TErrorAnswer::Ignore}));
  EXPECT_EQ(caught, "refused");
}

TEST(WorkerChannel, AWaitingWorkerGoesOnWhenTheWindowCloses) {
  TWorkerChannel channel(kStepMessage, kEndedMessage);
  bool ran = false;
  TStepWindow window(channel.Steps(), [&](TWorkerStep&) { ran = true; });
  channel.ThreadEnded();
  EXPECT_TRUE(TakeEndedMessage()) << "the thread's end is told to the window";
  const TMessage message{TText::SystemReason, {"held"}};
  TErrorAnswer answer = TErrorAnswer::Retry;
  std::thread worker([&] { answer = channel.AskAboutFailure(message, TErrorChoices::RetryCancel); });
  EXPECT_TRUE(WaitFor(StepAnnounced)) << "the worker announced its box";
  channel.Steps().Close();
  worker.join();
  channel.Steps().RunWaitingStep([&](TWorkerStep&) { ran = true; });
  EXPECT_FALSE(ran) << "nothing runs once closed";
  EXPECT_EQ(answer, TErrorAnswer::Abort) << "no box: the run ends";

  std::thread late([&] { channel.ShowNotRemoved({message}); });
  late.join();  // returns without a UI thread taking the step
  EXPECT_FALSE(ran);
  EXPECT_THROW(channel.ShowStatus(TText::CopyingFile, "next"), ESetupError) << "the run stops at its next item";
  channel.ThreadEnded();
  EXPECT_FALSE(TakeEndedMessage()) << "not to a window that has closed the channel";
}

TEST(WorkerChannel, ABoxForAWindowThatIsGoneIsDropped) {
  bool ran = false;
  const auto run = [&](TWorkerStep&) { ran = true; };
  const TMessage message{TText::SystemReason, {"held"}};
  TWorkerChannel channel(kStepMessage, kEndedMessage);
  TStepWindow window(channel.Steps(), run);
  window.Destroy();
  std::thread worker([&] { EXPECT_EQ(channel.AskAboutFailure(message, TErrorChoices::RetryCancel), TErrorAnswer::Abort); });
  worker.join();
  channel.Steps().RunWaitingStep(run);
  EXPECT_FALSE(ran);

  // A window that goes while a worker waits, without closing the hand-off.
  TWorkerChannel waited(kStepMessage, kEndedMessage);
  TStepWindow going(waited.Steps(), run);
  std::atomic<bool> returned = false;
  std::thread waiting([&] {
    waited.ShowNotRemoved({message});
    returned = true;
  });
  ASSERT_TRUE(WaitFor(StepAnnounced));
  going.Destroy();
  EXPECT_TRUE(WaitFor([&] { return bool(returned); })) << "the worker still waits";
  waiting.join();
  EXPECT_FALSE(ran);
}

}  // namespace
