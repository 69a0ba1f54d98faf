#pragma once
// What the install and uninstall workers share: the system they act on, their
// progress fields and the UI steps that show them through the worker view.

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "actions/u_SetupFuncs.h"
#include "package/u_Payload.h"
#include "setup/u_WorkerView.h"

// What the workers do to the system besides the project's own reading. What
// may fail for one item returns a TResult; an ESetupError ends the run.
class IWorkerSystem {
public:
  virtual ~IWorkerSystem() = default;
  // A visible folder exists at the path.
  virtual bool FolderExists(const std::string& path) const = 0;
  // Creates the folder with every missing parent; throws
  // ESetupError(TText::UnableToCreateDirectory) for an empty path.
  virtual TResult ForceDirectories(const std::string& path) = 0;
  // The payload resource of the running program, of either format; nothing
  // when it is missing or its size field is damaged.
  virtual std::optional<TPayloadView> FindPayload(const std::string& name) = 0;
  // The payloads that UnpackResourceToFile will be given, in that order, as far
  // as they are known: the system may inflate them ahead. Any other payload,
  // or one given again, is unpacked as well.
  virtual void InflateAhead(const std::vector<TPayloadView>& /*payloads*/) {}
  // Fails with kErrorDamagedPayload for a payload that does not inflate to its
  // declared size, with the system's failure for one it cannot read.
  virtual TResult UnpackResourceToFile(const std::string& fileName, const TPayloadView& payload) = 0;
  virtual TResult RegisterServer(const std::string& fileName) = 0;
  virtual TResult UnregisterServer(const std::string& fileName) = 0;
  // An entry that is not a directory exists at the path.
  virtual bool FileExists(const std::string& path) const = 0;
  virtual TResult RemoveFile(const std::string& path) = 0;
  virtual IRegistry& Registry() = 0;
};

class TSetupWorker {
public:
  TSetupWorker(const TSetupWorker&) = delete;
  TSetupWorker& operator=(const TSetupWorker&) = delete;

protected:
  explicit TSetupWorker(IWorkerView& view) : view_(view) {}
  ~TSetupWorker() = default;

  // Runs the body: Done when it returns; an error raised in it fails the run
  // with the error's message, and the user's Abort (or Cancel) in a box stops it.
  TRunEnd Guarded(const std::function<void()>& body);
  // Shows the message with `choices` and returns Retry or Ignore; Abort (or
  // Cancel) stops the run through Guarded.
  TErrorAnswer AskOrStop(const TMessage& message, TErrorChoices choices);
  void ShowNotRemoved(const std::vector<TMessage>& lines);

  void ShowStatus(TText text);
  // ProgressPosition := k, shown.
  void AdvanceBar(int32_t k);
  // A new phase of `max` steps: the item text cleared, the bar shown empty.
  void ResetBar(int32_t max);

  int32_t ProgressMax = 0;
  int32_t ProgressPosition = 0;
  std::string ItemText;

private:
  IWorkerView& view_;
};

// How a run that `error` ended has ended: Stopped after the user's Abort in a
// box (an error already told), else Failed with the error's message.
TRunEnd RunEndOf(const std::exception_ptr& error);

// The status line of a registry entry: key path, "\", value name, "=", data.
std::string RegValueItem(const std::string& keyPath, const std::string& valueName, const std::string& data);
