#include "setup/u_SetupWorker.h"

#include <exception>

#include "actions/u_SimpleFuncs1.h"

void TSetupWorker::Guarded(const std::function<void()>& body) {
  std::string message;
  try {
    body();
    return;
  } catch (const std::exception& error) {
    message = error.what();
  }
  view_.Synchronize([&] { view_.ShowError(message); });
}

void TSetupWorker::ApplyProgressMax() {
  view_.Synchronize([&] { view_.SetProgressMax(ProgressMax); });
}

void TSetupWorker::ApplyProgressPosition() {
  view_.Synchronize([&] { view_.SetProgressPosition(ProgressPosition); });
}

void TSetupWorker::ShowStatus(int textNumber) {
  view_.Synchronize([&] { view_.ShowStatus(textNumber, ItemText); });
}

void TSetupWorker::ShowDone() {
  view_.Synchronize([&] { view_.ShowDone(); });
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
