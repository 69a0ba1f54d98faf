#include "setup/u_SetupWorker.h"

#include <exception>

#include "actions/u_SimpleFuncs1.h"

void TSetupWorker::Guarded(const std::function<void()>& body) {
  try {
    body();
  } catch (const ESetupError& error) {
    if (!error.Told()) view_.ShowError(error.Message());
  } catch (...) {
    view_.ShowError(ErrorMessage(std::current_exception()));
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

void TSetupWorker::ApplyProgressMax() {
  view_.SetProgressMax(ProgressMax);
}

void TSetupWorker::ApplyProgressPosition() {
  view_.SetProgressPosition(ProgressPosition);
}

void TSetupWorker::ShowStatus(TText text) {
  view_.ShowStatus(text, ItemText);
}

void TSetupWorker::ShowDone() {
  view_.ShowDone();
}

void TSetupWorker::AdvanceBar(int32_t k) {
  ProgressPosition = k;
  ApplyProgressPosition();
}

void TSetupWorker::ClearProgress(int32_t max) {
  ProgressPosition = 0;
  ItemText.clear();
  ProgressMax = max;
}

std::string RegValueItem(const std::string& keyPath, const std::string& valueName, const std::string& data) {
  return AddBackslash(keyPath) + valueName + "=" + data;
}
