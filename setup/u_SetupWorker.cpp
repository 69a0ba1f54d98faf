#include "setup/u_SetupWorker.h"

#include <exception>

#include "actions/u_SimpleFuncs1.h"

void TSetupWorker::Guarded(const std::function<void()>& body) {
  std::string message;
  try {
    body();
    return;
  } catch (const ESetupError& error) {
    if (error.Told()) return;
    message = error.what();
  } catch (const std::exception& error) {
    message = error.what();
  }
  view_.ShowError(message);
}

TErrorAnswer TSetupWorker::AskOrStop(const std::string& message, TErrorChoices choices) {
  const TErrorAnswer answer = view_.AskAboutFailure(message, choices);
  if (answer == TErrorAnswer::Abort) throw ESetupError::StoppedByUser();
  return answer;
}

void TSetupWorker::ShowNotRemoved(const std::string& list) {
  view_.ShowNotRemoved(list);
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

std::string FailedToWrite(const std::string& path, const std::string& reason) {
  return "Failed to write '" + path + "': " + reason;
}

std::string FailedToCreateDirectory(const std::string& path, const std::string& reason) {
  return "Failed to create directory '" + path + "': " + reason;
}

std::string InstallerDamaged(const std::string& path) {
  return "The installer is damaged: the data for '" + path + "' is missing or damaged";
}

std::string FailedToRemove(const std::string& item, const std::string& reason) {
  return "Failed to remove '" + item + "': " + reason;
}

std::string FailedToRegister(const std::string& path, const std::string& reason) {
  return "Failed to register '" + path + "': " + reason;
}
