// A worker's run as the window sees it: its start, the progress it records,
// painted at the pace of a timer, the boxes it waits for, and its end.

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

void TVelkSetup::StartWorker(TWizardAction action) {
  // The close box would end the program in the middle of an item.
  workerRunning_ = true;
  EnableMenuItem(GetSystemMenu(window_.get(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  SetTimer(window_.get(), kPaceTimer, kPaceMs, nullptr);
  channel_.Steps().Open(window_.get());
  const auto ended = [this] { channel_.ThreadEnded(); };
  std::optional<TMessage> failure;
  try {
    if (action == TWizardAction::StartInstall) {
      runPage_ = {TControl::lbCopyType, TControl::lbCopyItem, TControl::pbCopyFilesInfo};
      worker_ = StartCopyFiles(*SetupProc, channel_, ended);
    } else {
      runPage_ = {TControl::lbRemoveType, TControl::lbRemoveItem, TControl::pbRemoveFilesInfo};
      SetupProc->UseInstalledLocation();
      worker_ = StartRemoveFiles(*SetupProc, channel_, ended);
    }
  } catch (...) {
    failure = ErrorMessage(std::current_exception());
  }
  // The progress page is painted while the worker starts; what the worker
  // shows is painted once this returns, on the page.
  ShowState();
  UpdateWindow(window_.get());
  // Without a worker the wizard stays on its progress page, and the close box ends it.
  if (failure) EndRun(TRunEnd::Failed(*failure));
}

void TVelkSetup::RunWorkerStep(TWorkerStep& step) {
  ShowProgress(channel_.Progress().TakeLatest());
  if (step.kind == TWorkerStep::TKind::Question) {
    step.answer = AskAboutFailure(step.lines.front(), step.choices);
    return;
  }
  std::wstring list;
  for (const TMessage& line : step.lines) list += (list.empty() ? L"" : L"\n") + MessageText(line);
  ShowMessageBox(window_.get(), list, MB_ICONWARNING);
}

// An answer of Abort ends the run at once, so the close box works as soon as
// the box is gone, before the worker's thread has told its end.
TErrorAnswer TVelkSetup::AskAboutFailure(const TMessage& message, TErrorChoices choices) {
  const UINT buttons = choices == TErrorChoices::RetryCancel ? MB_RETRYCANCEL : MB_ABORTRETRYIGNORE;
  switch (MessageBoxW(window_.get(), MessageText(message).c_str(), Title().c_str(), buttons | MB_ICONERROR)) {
    case IDRETRY: return TErrorAnswer::Retry;
    case IDIGNORE: return TErrorAnswer::Ignore;
    default: EndRun(TRunEnd::Stopped()); return TErrorAnswer::Abort;
  }
}

// The one place where a run ends: the first end told counts.
void TVelkSetup::EndRun(const TRunEnd& end) {
  if (!workerRunning_) return;
  workerRunning_ = false;
  EnableMenuItem(GetSystemMenu(window_.get(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
  KillTimer(window_.get(), kPaceTimer);
  ShowProgress(channel_.Progress().TakeLatest());
  switch (end.kind) {
    case TRunEnd::TKind::Done:
      flow_.WorkerDone();
      ShowState();
      break;
    case TRunEnd::TKind::Failed: ShowErrorBox(MessageText(end.error)); break;
    case TRunEnd::TKind::Stopped: break;
  }
}

void TVelkSetup::ShowProgress(const std::optional<TProgress>& progress) {
  if (!progress) return;
  if (progress->operation) {
    SetCaption(runPage_.typeLabel, Text(*progress->operation));
    SetCaption(runPage_.itemLabel, AnsiToWide(progress->item));
  }
  const HWND bar = Item(runPage_.bar);
  SendMessageW(bar, PBM_SETRANGE32, 0, progress->max);
  if (SendMessageW(bar, PBM_GETPOS, 0, 0) != progress->position)
    SendMessageW(bar, PBM_SETPOS, WPARAM(progress->position), 0);
}
