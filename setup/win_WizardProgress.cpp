// The progress pages as the workers see them, and the start and end of a
// worker's run: the progress it records is painted at the pace of a timer.

#include "setup/frmSetup.h"

#include <commctrl.h>

#include <exception>

#include "actions/u_SetupConsts.h"
#include "actions/win_Text.h"
#include "package/c_SetupProc.h"

namespace {

// While a worker runs, the labels and the bar show its progress at this pace:
// shown once per file, they would be repainted once per file, which costs more
// than writing a small file.
constexpr UINT kPaceMs = 40;

}  // namespace

// ---- the progress pages ---------------------------------------------------

TVelkSetup::TWorkerPage::TWorkerPage(TVelkSetup& wizard, TControl typeLabel, TControl itemLabel, TControl progressBar)
    : wizard_(wizard), typeLabel_(typeLabel), itemLabel_(itemLabel), progressBar_(progressBar) {}

void TVelkSetup::TWorkerPage::Show(const std::optional<TProgress>& progress) {
  if (!progress) return;
  if (progress->operation) {
    wizard_.SetCaption(typeLabel_, wizard_.Text(*progress->operation));
    wizard_.SetCaption(itemLabel_, AnsiToWide(progress->item));
  }
  const HWND bar = wizard_.Item(progressBar_);
  SendMessageW(bar, PBM_SETRANGE32, 0, progress->max);
  if (SendMessageW(bar, PBM_GETPOS, 0, 0) != progress->position)
    SendMessageW(bar, PBM_SETPOS, WPARAM(progress->position), 0);
}

void TVelkSetup::TWorkerPage::ShowDone() {
  wizard_.handOff_.Run([&] {
    wizard_.flow_.WorkerDone();
    wizard_.ShowState();
    wizard_.WorkerEnded();
  });
}

void TVelkSetup::TWorkerPage::ShowError(const TMessage& message) {
  wizard_.handOff_.Run([&] {
    wizard_.WorkerEnded();
    wizard_.ShowErrorBox(wizard_.MessageText(message));
  });
}

// Abort when no window is left to show the box. Any answer but Retry or Ignore
// ends the run here, so the close box works as soon as the box is gone.
TErrorAnswer TVelkSetup::TWorkerPage::AskAboutFailure(const TMessage& message, TErrorChoices choices) {
  const UINT buttons = choices == TErrorChoices::RetryCancel ? MB_RETRYCANCEL : MB_ABORTRETRYIGNORE;
  int answer = IDABORT;
  wizard_.handOff_.Run([&] {
    wizard_.ShowLatestSteps();
    answer = MessageBoxW(wizard_.window_.get(), wizard_.MessageText(message).c_str(), wizard_.Title().c_str(),
                         buttons | MB_ICONERROR);
    if (answer != IDRETRY && answer != IDIGNORE) wizard_.WorkerEnded();
  });
  return answer == IDRETRY ? TErrorAnswer::Retry : answer == IDIGNORE ? TErrorAnswer::Ignore : TErrorAnswer::Abort;
}

void TVelkSetup::TWorkerPage::ShowNotRemoved(const std::vector<TMessage>& lines) {
  wizard_.handOff_.Run([&] {
    wizard_.ShowLatestSteps();
    std::wstring list;
    for (const TMessage& line : lines) list += (list.empty() ? L"" : L"\n") + wizard_.MessageText(line);
    wizard_.ShowMessageBox(wizard_.window_.get(), list, MB_ICONWARNING);
  });
}

// ---- workers --------------------------------------------------------------

void TVelkSetup::StartWorker(TWizardAction action) {
  // The close box would end the program in the middle of an item.
  workerRunning_ = true;
  EnableMenuItem(GetSystemMenu(window_.get(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  SetTimer(window_.get(), kPaceTimer, kPaceMs, nullptr);
  handOff_.Open(window_.get());
  const auto ended = [window = window_.get()] { PostMessageW(window, kWorkerEndedMessage, 0, 0); };
  std::wstring failure;
  try {
    if (action == TWizardAction::StartInstall) {
      worker_ = StartCopyFiles(copyPage_, ended);
    } else {
      SetupProc->UseInstalledLocation();
      worker_ = StartRemoveFiles(removePage_, ended);
    }
  } catch (...) {
    failure = MessageText(ErrorMessage(std::current_exception()));
  }
  // The progress page is painted while the worker starts; what the worker
  // shows is painted once this returns, on the page.
  ShowState();
  UpdateWindow(window_.get());
  if (failure.empty()) return;
  // Without a worker the wizard stays on its progress page, and the close box ends it.
  WorkerEnded();
  ShowErrorBox(failure);
}

void TVelkSetup::WorkerEnded() {
  workerRunning_ = false;
  EnableMenuItem(GetSystemMenu(window_.get(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
  KillTimer(window_.get(), kPaceTimer);
  ShowLatestSteps();
}

// The worker's thread has ended. Without its completion step or an error box,
// what ended it is told, and the close box closes the wizard.
void TVelkSetup::WorkerThreadEnded() {
  const bool lost = workerRunning_;
  WorkerEnded();
  if (lost) ShowErrorBox(MessageText(worker_.Failure().value_or(TMessage{TText::UnexpectedError, {}})));
}

void TVelkSetup::ShowLatestSteps() {
  copyPage_.ShowLatest();
  removePage_.ShowLatest();
}

void TVelkSetup::ShowStepsAtPace() {
  copyPage_.ShowAtPace();
  removePage_.ShowAtPace();
}
