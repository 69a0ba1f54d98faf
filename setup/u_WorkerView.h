#pragma once
// What a worker thread sees of the wizard window: the progress page of its
// road. The worker calls every operation from its own thread.
//
// ShowStatus, SetProgressMax and SetProgressPosition record the progress and
// return at once; the window paints the latest at its own pace, and at once
// before any box and when the run ends. The other operations run on the UI
// thread and return when done there; an exception thrown there is rethrown in
// the worker. Once the window is gone they return at once without running:
// AskAboutFailure answers Abort, so the run ends.

#include <string>
#include <vector>

#include "setup/u_SetupTexts.h"

// The buttons of a box about an item that failed, and the user's answer
// (Cancel, or no box at all, is Abort).
enum class TErrorChoices { RetryCancel, AbortRetryIgnore };
enum class TErrorAnswer { Abort, Retry, Ignore };

class IWorkerView {
public:
  virtual ~IWorkerView() = default;

  // The operation label := `text` in the current language, the item label := `item`.
  virtual void ShowStatus(TText text, const std::string& item) = 0;
  virtual void SetProgressMax(int max) = 0;
  // A bar that moves back is seen there before it moves on: a new phase
  // visibly starts at 0.
  virtual void SetProgressPosition(int position) = 0;

  // The completion step: Next reads TText::Next (still disabled), Cancel is
  // enabled and reads TText::Finish, the road's finished page is shown.
  virtual void ShowDone() = 0;
  // The worker's single error box, owned by the window and captioned with the
  // application title; the window stays on the progress page.
  virtual void ShowError(const TMessage& message) = 0;
  // A box like the error box with `choices`; an answer of Abort ends the run
  // as the error box does.
  virtual TErrorAnswer AskAboutFailure(const TMessage& message, TErrorChoices choices) = 0;
  // One box listing what the removal left behind, a line each, before its
  // completion step.
  virtual void ShowNotRemoved(const std::vector<TMessage>& lines) = 0;
};
