// The progress pages as the workers see them, and the start and end of a
// worker's run: the steps it hands over are shown at the pace of a timer.

#include "setup/frmSetup.h"

#include <commctrl.h>

#include <exception>

#include "actions/u_SetupConsts.h"
#include "actions/win_Text.h"
#include "package/c_SetupProc.h"

namespace {

// While a worker runs, the UI thread empties its message queue this often.
constexpr DWORD kMessagePaceMs = 10;
// While a worker runs, the labels and the bar follow its steps at this pace:
// shown once per file, they would be repainted once per file, which costs more
// than writing a small file.
constexpr UINT kPaceMs = 40;

}  // namespace

// ---- the progress pages ---------------------------------------------------

TVelkSetup::TWorkerPage::TWorkerPage(TVelkSetup& wizard, TControl typeLabel, TControl itemLabel, TControl progressBar)
    : wizard_(wizard), typeLabel_(typeLabel), itemLabel_(itemLabel), progressBar_(progressBar) {}

void TVelkSetup::TWorkerPage::Post(std::function<void()> step) {
  wizard_.handOff_.Post(wizard_.window_.get(), std::move(step));
}

void TVelkSetup::TWorkerPage::Synchronize(std::function<void()> step) {
  wizard_.handOff_.Run(wizard_.window_.get(), std::move(step));
}

void TVelkSetup::TWorkerPage::ShowStatus(TText text, const std::string& item) {
  typeText_ = wizard_.Text(text);
  itemText_ = AnsiToWide(item);
  if (!wizard_.workerRunning_) ShowLabels();
}

void TVelkSetup::TWorkerPage::ShowLabels() {
  wizard_.SetCaption(typeLabel_, typeText_);
  wizard_.SetCaption(itemLabel_, itemText_);
}

void TVelkSetup::TWorkerPage::SetProgressMax(int max) {
  SendMessageW(wizard_.Item(progressBar_), PBM_SETRANGE32, 0, max);
}

void TVelkSetup::TWorkerPage::SetProgressPosition(int position) {
  position_ = position;
  // Only forward moves wait for the pace; a new phase starts visibly at 0.
  if (!wizard_.workerRunning_ || position_ < ShownPosition()) ShowPosition();
}

int TVelkSetup::TWorkerPage::ShownPosition() const {
  return int(SendMessageW(wizard_.Item(progressBar_), PBM_GETPOS, 0, 0));
}

void TVelkSetup::TWorkerPage::ShowPosition() {
  if (ShownPosition() != position_) SendMessageW(wizard_.Item(progressBar_), PBM_SETPOS, WPARAM(position_), 0);
}

void TVelkSetup::TWorkerPage::ShowLatest() {
  ShowLabels();
  ShowPosition();
}

void TVelkSetup::TWorkerPage::ShowDone() {
  wizard_.flow_.WorkerDone();
  wizard_.ShowState();
  wizard_.WorkerEnded();
}

void TVelkSetup::TWorkerPage::ShowError(const std::string& message) {
  wizard_.WorkerEnded();
  wizard_.ShowErrorBox(AnsiToWide(message));
}

bool TVelkSetup::TWorkerPage::AskRetry(const std::string& message) {
  return Ask(message, MB_RETRYCANCEL) == IDRETRY;
}

TErrorAnswer TVelkSetup::TWorkerPage::AskAbortRetryIgnore(const std::string& message) {
  const int answer = Ask(message, MB_ABORTRETRYIGNORE);
  return answer == IDRETRY ? TErrorAnswer::Retry : answer == IDIGNORE ? TErrorAnswer::Ignore : TErrorAnswer::Abort;
}

// An error box with `buttons`; any answer but Retry or Ignore ends the run
// here, so the close box works as soon as the box is gone.
int TVelkSetup::TWorkerPage::Ask(const std::string& message, UINT buttons) {
  wizard_.ShowLatestSteps();
  const int answer =
      MessageBoxW(wizard_.window_.get(), AnsiToWide(message).c_str(), wizard_.Title().c_str(), buttons | MB_ICONERROR);
  if (answer != IDRETRY && answer != IDIGNORE) wizard_.WorkerEnded();
  return answer;
}

void TVelkSetup::TWorkerPage::ShowNotRemoved(const std::string& list) {
  wizard_.ShowLatestSteps();
  wizard_.ShowMessageBox(wizard_.window_.get(), AnsiToWide(list), MB_ICONWARNING);
}

// ---- workers --------------------------------------------------------------

void TVelkSetup::StartWorker(TWizardAction action) {
  // The close box would end the program in the middle of an item.
  workerRunning_ = true;
  EnableMenuItem(GetSystemMenu(window_.get(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  SetTimer(window_.get(), kPaceTimer, kPaceMs, nullptr);
  std::wstring failure;
  try {
    if (action == TWizardAction::StartInstall) {
      worker_ = StartCopyFiles(copyPage_);
    } else {
      SetupProc->UseInstalledLocation();
      worker_ = StartRemoveFiles(removePage_);
    }
  } catch (const std::exception& error) {
    failure = AnsiToWide(error.what());
  }
  // The progress page is painted while the worker starts; the steps it hands
  // over run once this returns, on the page.
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

bool TVelkSetup::NextMessage(MSG& message) {
  while (workerRunning_) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return message.message != WM_QUIT;
    handOff_.RunStepsFor(kMessagePaceMs);
    if (workerRunning_ && worker_.Ended()) WorkerLost();
  }
  return GetMessageW(&message, nullptr, 0, 0) > 0;
}

// The worker's thread ended without the completion step or an error box: what
// ended it is told, and the close box closes the wizard.
void TVelkSetup::WorkerLost() {
  handOff_.RunWaitingSteps();
  WorkerEnded();
  ShowErrorBox(AnsiToWide(worker_.Failure().empty() ? kUnexpectedError : worker_.Failure()));
}

void TVelkSetup::ShowLatestSteps() {
  copyPage_.ShowLatest();
  removePage_.ShowLatest();
}
