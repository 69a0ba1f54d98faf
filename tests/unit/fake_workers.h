#pragma once
// Stand-ins for the workers' tests: a worker view that logs what the user sees,
// and a file system of files, folders, payload and DLL servers in memory.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "setup/u_SetupWorker.h"
#include "tests/unit/english_texts.h"
#include "tests/unit/fake_system.h"

// What the user sees of a run, in order: each status as its label and item
// read with the bar as it stands ("Copying file: C:\a.txt 1/3") and each box
// ("retry? <message>", "abort, retry, ignore? <message>", "not removed <list>").
class FakeWorkerView : public IWorkerView {
public:
  explicit FakeWorkerView(std::vector<std::string>& log) : log_(log) {}

  void ShowStatus(TText text, const std::string& item) override {
    log_.push_back(EnglishText(text) + item + " " + std::to_string(position_) + "/" + std::to_string(max_));
  }
  void SetProgressMax(int max) override {
    max_ = max;
    barWithinMax = barWithinMax && position_ <= max_;
  }
  void SetProgressPosition(int position) override {
    position_ = position;
    barWithinMax = barWithinMax && position_ <= max_;
  }
  TErrorAnswer AskAboutFailure(const TMessage& message, TErrorChoices choices) override {
    const bool retryCancel = choices == TErrorChoices::RetryCancel;
    Box((retryCancel ? "retry? " : "abort, retry, ignore? ") + English(message));
    if (retries-- > 0) return TErrorAnswer::Retry;
    return retryCancel ? TErrorAnswer::Abort : afterRetries;
  }
  void ShowNotRemoved(const std::vector<TMessage>& lines) override {
    std::string list;
    for (const TMessage& line : lines) list += (list.empty() ? "" : "\n") + English(line);
    Box("not removed " + list);
  }

  int boxes = 0;
  int failingBox = 0;  // the box (1-based) whose showing throws, 0 for none
  int retries = 0;  // Retry answers before Cancel, or before `afterRetries` for Abort, Retry and Ignore
  TErrorAnswer afterRetries = TErrorAnswer::Ignore;
  bool barWithinMax = true;  // the bar's position never went past its maximum

private:
  // A box, shown on the UI thread: logged, or it throws.
  void Box(const std::string& line) {
    if (++boxes == failingBox) throw ESetupError(TText::SystemReason, {"box failed"});
    log_.push_back(line);
  }

  std::vector<std::string>& log_;
  int max_ = 0, position_ = 0;
};

// How a run ended, as the user sees it: "finished", "error <message>" or "stopped".
inline std::string EndSeen(const TRunEnd& end) {
  switch (end.kind) {
    case TRunEnd::TKind::Done: return "finished";
    case TRunEnd::TKind::Failed: return "error " + English(end.error);
    case TRunEnd::TKind::Stopped: return "stopped";
  }
  return {};
}

// Paths compare in any letter case. Registrations are logged as "register
// <path>" and "unregister <path>" in the same log as what the view shows.
class FakeWorkerSystem : public IWorkerSystem {
public:
  explicit FakeWorkerSystem(IRegistry& registry, std::vector<std::string>& log) : registry_(registry), log_(log) {}

  bool FolderExists(const std::string& path) const override { return folders.contains(Key(DelBackslash(path))); }
  TResult ForceDirectories(const std::string& path) override {
    if (path.empty()) throw ESetupError(TText::UnableToCreateDirectory);
    const std::string folder = DelBackslash(path);
    if (unmakeableFolders.contains(Key(folder))) return Failed(folder, "no such drive");
    for (size_t sep = folder.find('\\'); sep != std::string::npos; sep = folder.find('\\', sep + 1))
      folders.insert(Key(folder.substr(0, sep)));
    folders.insert(Key(folder));
    return {};
  }
  std::optional<TPayloadView> FindPayload(const std::string& name) override {
    const auto it = payload.find(name);
    if (it == payload.end()) return std::nullopt;
    const TOutcome<int32_t> size = ReadDeclaredSize(it->second);
    if (!size) return std::nullopt;
    return TPayloadView{it->second, *size, {}};
  }
  void InflateAhead(const std::vector<TPayloadView>& payloads) override {
    for (const TPayloadView& payload : payloads) inflatedAhead.push_back(NameOf(payload.raw));
  }
  // A locked file stays in use for `lockedTries` more writes.
  TResult UnpackResourceToFile(const std::string& fileName, const TPayloadView& resource) override {
    unpacked.push_back(NameOf(resource.raw));
    const TOutcome<Bytes> data = UnpackResource(resource.raw, resource.codec);
    if (!data) return data.Failure().Of(fileName);
    if (lockedFiles.contains(Key(fileName)) && lockedTries-- > 0) return InUse(fileName);
    if (readOnlyFiles.contains(Key(fileName))) return Failed(fileName, "read-only");
    files[Key(fileName)] = *data;
    return {};
  }
  TResult RegisterServer(const std::string& fileName) override {
    log_.push_back("register " + fileName);
    return ServerFailure(fileName);
  }
  TResult UnregisterServer(const std::string& fileName) override {
    log_.push_back("unregister " + fileName);
    return ServerFailure(fileName);
  }
  bool FileExists(const std::string& path) const override { return files.contains(Key(path)); }
  TResult RemoveFile(const std::string& path) override {
    if (lockedFiles.contains(Key(path))) return InUse(path);
    files.erase(Key(path));
    return {};
  }
  IRegistry& Registry() override { return registry_; }

  static std::string Key(const std::string& path) { return UpperCaseAscii(path); }
  // The name of the payload whose bytes these are.
  std::string NameOf(std::string_view raw) const {
    for (const auto& [name, bytes] : payload)
      if (bytes.data() == raw.data()) return name;
    return "?";
  }

  std::set<std::string> folders;
  std::set<std::string> unmakeableFolders;
  std::map<std::string, Bytes> payload;
  std::map<std::string, Bytes> files;
  std::set<std::string> lockedFiles;
  int lockedTries = 1 << 30;
  std::set<std::string> readOnlyFiles;
  std::set<std::string> failingServers;
  std::vector<std::string> inflatedAhead, unpacked;  // payload names, in the order given

private:
  TResult ServerFailure(const std::string& fileName) {
    return failingServers.contains(Key(fileName)) ? Failed(fileName, "no server") : TResult();
  }
  static TResult Failed(const std::string& item, const std::string& reason) { return {1, item, reason}; }
  static TResult InUse(const std::string& item) { return {kErrorSharingViolation, item, "in use"}; }

  IRegistry& registry_;
  std::vector<std::string>& log_;
};
