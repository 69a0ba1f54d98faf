#pragma once
// What a worker thread sees of the wizard window: the progress page of its
// road. The worker calls every operation from its own thread.
//
// ShowStatus, SetProgressMax and SetProgressPosition record the progress and
// return at once; the window paints the latest at its own pace, and at once
// before any box and when the run ends. The boxes run on the UI thread and
// return when they are closed there; an exception thrown there is rethrown in
// the worker. Once the window is gone the run stops: a box returns at once
// without showing (AskAboutFailure answers Abort), and the next ShowStatus
// throws ESetupError::StoppedByUser.
//
// How the run ended is the worker's result (TRunEnd), told by the window once
// the worker's thread has ended: nothing the worker calls comes after it.

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

  // A box about an item that failed, with `choices`, owned by the window and
  // captioned with the application title. An answer of Abort ends the run:
  // the box was its one box.
  virtual TErrorAnswer AskAboutFailure(const TMessage& message, TErrorChoices choices) = 0;
  // One box listing what the removal left behind, a line each, before its
  // finished page.
  virtual void ShowNotRemoved(const std::vector<TMessage>& lines) = 0;
};

// How a worker's run ended, which the window then shows: Done, the road's
// finished page (Next reads TText::Next, still disabled; Cancel is enabled and
// reads TText::Finish); Failed, the run's single error box with `error`, the
// window staying on the progress page; Stopped by the user's Abort in a box
// about an item, with nothing more to tell.
struct TRunEnd {
  enum class TKind { Done, Failed, Stopped };

  static TRunEnd Done() { return {TKind::Done, {}}; }
  static TRunEnd Failed(TMessage error) { return {TKind::Failed, std::move(error)}; }
  static TRunEnd Stopped() { return {TKind::Stopped, {}}; }
  bool operator==(const TRunEnd&) const = default;

  TKind kind;
  TMessage error;  // Failed: what the user is told
};
