#pragma once
// What a worker thread sees of the wizard window: the progress page of its
// road. A worker calls only Post and Synchronize; the other operations run on
// the UI thread inside the steps it hands over, in the order handed over.

#include <functional>
#include <string>

#include "setup/u_SetupTexts.h"

// The user's answer to a box about an item that failed.
enum class TErrorAnswer { Abort, Retry, Ignore };

class IWorkerView {
public:
  virtual ~IWorkerView() = default;

  // Runs `step` on the UI thread after the steps before it, without waiting
  // for it: for steps that only show something. An exception thrown by the
  // step is rethrown by the worker's next Post or Synchronize.
  virtual void Post(std::function<void()> step) = 0;
  // Runs `step` on the UI thread after the steps before it and waits until it
  // has run; an exception thrown by the step is rethrown here, in the worker.
  virtual void Synchronize(std::function<void()> step) = 0;

  // The operation label := `text` in the current language, the item label := `item`.
  virtual void ShowStatus(TText text, const std::string& item) = 0;
  virtual void SetProgressMax(int max) = 0;
  virtual void SetProgressPosition(int position) = 0;
  // The completion step: Next reads TText::Next (still disabled), Cancel is
  // enabled and reads TText::Finish, the road's finished page is shown.
  virtual void ShowDone() = 0;
  // The worker's single error box, owned by the window and captioned with the
  // application title; the window stays on the progress page.
  virtual void ShowError(const std::string& message) = 0;
  // A box like the error box with Retry and Cancel; true for Retry. Cancel
  // ends the run as the error box does.
  virtual bool AskRetry(const std::string& message) = 0;
  // A box like the error box with Abort, Retry and Ignore. Abort ends the run
  // as the error box does.
  virtual TErrorAnswer AskAbortRetryIgnore(const std::string& message) = 0;
  // One box listing what the removal left behind, before its completion step.
  virtual void ShowNotRemoved(const std::string& list) = 0;
};
