#include "setup/u_SetupWorker.h"

#include <exception>

#include "actions/u_SimpleFuncs1.h"

TRunEnd RunEndOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const ESetupError& setupError) {
    if (setupError.Told()) return TRunEnd::Stopped();
  } catch (...) {
  }
  return TRunEnd::Failed(ErrorMessage(error));
}

TRunEnd TSetupWorker::Guarded(const std::function<void()>& body) {
  try {
    body();
    return TRunEnd::Done();
  } catch (...) {
    return RunEndOf(std::current_exception());
  }
}

TErrorAnswer TSetupWorker::AskOrStop(const TMessage& message, TErrorChoices choices) {
  const TErrorAnswer answer = view_.AskAboutFailure(message, choices);
  if (answer == TErrorAnswer::Abort) throw ESetupError::StoppedByUser();
  return answer;
}

void TSetupWorker::ShowNotRemoved(const std::vector<TMessage>& lines) {
  view_.ShowNotRemoved(lines);
}

void TSetupWorker::ShowStatus(TText text) {
  view_.ShowStatus(text, ItemText);
}

void TSetupWorker::AdvanceBar(int32_t k) {
  ProgressPosition = k;
  view_.SetProgressPosition(ProgressPosition);
}

void TSetupWorker::ResetBar(int32_t max) {
  ItemText.clear();
  ProgressPosition = 0;
  ProgressMax = max;
  view_.SetProgressPosition(ProgressPosition);
  view_.SetProgressMax(ProgressMax);
}

std::string RegValueItem(const std::string& keyPath, const std::string& valueName, const std::string& data) {
  return AddBackslash(keyPath) + valueName + "=" + data;
}
