#include "packer/u_Packer.h"

#include <algorithm>
#include <mutex>
#include <ostream>
#include <optional>
#include <stdexcept>
#include <vector>

#include "actions/u_SetupFuncs.h"
#include "package/u_Payload.h"
#include "package/u_SetupScript.h"
#include "packer/c_PeImage.h"
#include "packer/u_Files.h"
#include "packer/u_PackError.h"
#include "packer/u_Parallel.h"
#include "packer/u_PayloadIds.h"
#include "packer/u_ScriptChecks.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kBitmapFileHeader = 14;

// zstd payloads: files up to this size are packed with a dictionary trained on
// them (they share their words, which one by one they would each spell out),
// of at most a tenth of their bytes and zstd's usual size; with less than
// kLeastDictionary to train on, none is made.
constexpr size_t kDictionaryFileSize = 128 << 10;
constexpr size_t kMostDictionary = 110 << 10;
constexpr size_t kLeastDictionary = 16 << 10;

// The script as the installer reads it: every line ended by CR LF, and the
// empty value of an EstimatedSize entry of type <Integer> under the uninstall
// key filled in with the installed files' size in KB, as the Windows list of
// programs shows it.
Bytes ScriptText(const TSetupScript& script, uint64_t installedBytes) {
  std::vector<std::string> lines = script.Lines();
  if (script.HasHeader(kHeaderRegValues))
    for (size_t n = 1, count = script.CountEntries(kRegValueLocation); n <= count; ++n) {
      const auto valueLine = script.FindKey(EntryKey(kRegValueValue, n));
      if (valueLine && script.Text(EntryKey(kRegValueValue, n)).empty() &&
          script.Text(EntryKey(kRegValueName, n)) == kEstimatedSizeValue &&
          script.Text(EntryKey(kRegValueType, n)) == kRegTypeInteger &&
          NamesOwnUninstallEntry(script.Text(EntryKey(kRegValueLocation, n))))
        lines[*valueLine] += std::to_string((installedBytes + 1023) / 1024);
    }
  Bytes text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// A text with each of its line ends (CR, LF or CR LF) written as CR LF.
Bytes WithCrLf(std::string_view text) {
  Bytes result;
  result.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      result += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::string Percent(uint64_t part, uint64_t whole) {
  return whole ? std::to_string(part * 100 / whole) + " %" : "-";
}

// One file of the script to pack.
struct TFileSource {
  std::string key;      // "FileDispNameN=name", for messages
  std::string display;  // the name as UTF-8
  size_t line;
  fs::path path;
  TResourceId resource;
  bool installed;  // FileDoSetup
};

class TPackJob {
public:
  TPackJob(const TPackRequest& request, const TPackLog& log)
      : request_(request), log_(log), defined_(DefineVariables(ReadWholeFile(request.script), request.defines)),
        folder_(request.script.parent_path()) {}

  void Run() {
    const TSetupScript script(defined_.text);
    for (const auto& issue : CheckScript(script, request_.codePage)) Report(issue);
    for (const auto& issue : CheckRemoval(script)) Report(issue);
    GatherSources(script);
    const std::string scriptFile = DisplayPath(request_.script);
    if (errors_) throw TPackError(scriptFile, std::to_string(errors_) + " error(s) in the script; no installer written");
    if (warnings_ && request_.warningsAsErrors)
      throw TPackError(scriptFile, std::to_string(warnings_) +
                                        " warning(s), which --warnings-as-errors makes errors; no installer written");

    const TPeImage stub = ReadStub();
    TResourceTree resources = stub.Resources();
    resources.Remove(PayloadType());
    resources.Remove(ZstdPayloadType());
    resources.Remove(BitmapType(), TopLogoName());
    PackFiles(resources);
    SetPayload(resources, AsciiId(kScriptResource), ScriptText(script, installed_));
    if (license_) SetPayload(resources, AsciiId(kLicenseResource), WithCrLf(*license_));
    if (logo_) resources.Set(BitmapType(), TopLogoName(), kLanguageNeutral, {logo_->substr(kBitmapFileHeader), 0});

    const TPackedImage installer = stub.WithResources(resources);
    WriteFileAtomically(request_.output, [&](std::ostream& out) { installer.WriteTo(out); });
    log_.out << "Wrote " << DisplayPath(request_.output) << " (" << installer.Size() << " bytes): " << files_.size()
             << " file(s), " << unpacked_ << " bytes packed to " << packed_ << " (" << Percent(packed_, unpacked_)
             << "), " << warnings_ << " warning(s)\n";
  }

private:
  // The script file and the line of it that line `line` of the packed script
  // comes from.
  std::string Where(size_t line) const {
    const size_t sourceLine = defined_.SourceLine(line);
    return DisplayPath(request_.script) + (sourceLine ? ":" + std::to_string(sourceLine) : "");
  }

  void Report(const TScriptIssue& issue) {
    (issue.kind == TScriptIssue::Error ? errors_ : warnings_)++;
    log_.problems << Where(issue.line) << (issue.kind == TScriptIssue::Error ? ": error: " : ": warning: ")
                  << issue.text << '\n';
  }
  void Error(size_t line, const std::string& text) { Report({TScriptIssue::Error, line, text}); }

  // The path of a source named by `key`; nullopt (after reporting) when it
  // cannot be used.
  std::optional<fs::path> Source(const TSetupScript& script, const std::string& key) {
    const size_t line = KeyLine(script, key);
    try {
      const fs::path path = ResolveSourcePath(folder_, script.Text(key), request_.codePage);
      std::error_code error;
      if (!fs::is_regular_file(path, error))
        throw TPackError("'" + DisplayPath(path) + "' " + (fs::exists(path, error) ? "is not a file" : "does not exist"));
      return path;
    } catch (const TPackError& e) {
      Error(line, key + ": " + e.what());
      return std::nullopt;
    }
  }

  void GatherSources(const TSetupScript& script) {
    if (script.HasHeader(kHeaderFileValues))
      for (size_t n = 1, count = script.CountEntries(kFileDispName); n <= count; ++n) {
        const std::string nameKey = EntryKey(kFileDispName, n), locationKey = EntryKey(kFileLocation, n);
        const std::string name = script.Text(nameKey);
        if (name.empty() || script.Text(locationKey).empty()) continue;  // reported by the checks
        if (const auto path = Source(script, locationKey))
          files_.push_back({nameKey + "=" + name, Utf16ToUtf8(AnsiToUtf16(name, request_.codePage)),
                            KeyLine(script, locationKey), *path,
                            TResourceId::Name(PayloadResourceName(name, request_.codePage)),
                            script.Boolean(EntryKey(kFileDoSetup, n))});
      }
    if (!script.HasHeader(kHeaderSetupInfo)) return;
    if (!script.Text(kSetupLicense).empty())
      if (const auto path = Source(script, kSetupLicense)) license_ = ReadWholeFile(*path);
    if (!script.Text(kTopLogo).empty())
      if (const auto path = Source(script, kTopLogo)) {
        logo_ = ReadWholeFile(*path);
        if (logo_->size() < kBitmapFileHeader + kBitmapInfoHeaderSize || !logo_->starts_with("BM"))
          Error(KeyLine(script, kTopLogo), "<TopLogo>: '" + DisplayPath(*path) + "' is not a .bmp file");
      }
  }

  TPeImage ReadStub() const {
    try {
      TPeImage stub(ReadWholeFile(request_.stub));
      stub.CheckPackable();
      // A setup program that reads zstd payloads names their resource type;
      // one of an earlier version would find none of the product's files.
      if (request_.compression == TPayloadFormat::Zstd &&
          stub.File().find(kZstdPayloadType) == std::string::npos)
        throw TPackError("it reads no zstd payload (a setup program of an earlier version); "
                         "pack with --compression zlib, or into this version's setup program");
      return stub;
    } catch (const TPackError& e) {
      throw TPackError(DisplayPath(request_.stub), std::string("cannot be used as the setup program: ") + e.what());
    }
  }

  void SetPayload(TResourceTree& resources, const TResourceId& name, std::string_view data) {
    resources.Set(PayloadType(), name, kLanguageNeutral, {PackResource(data), 0});
  }

  // Compresses the files in parallel; each worker holds one file at a time.
  void PackFiles(TResourceTree& resources) {
    const bool zstd = request_.compression == TPayloadFormat::Zstd;
    const Bytes dictionary = zstd ? SmallFileDictionary() : Bytes();
    std::vector<Bytes> packed(files_.size());
    std::mutex logLock;
    size_t done = 0;
    RunParallel(
        files_.size(),
        [&](size_t i) {
          const TFileSource& file = files_[i];
          try {
            const Bytes data = ReadWholeFile(file.path);
            packed[i] = !zstd ? PackResource(data)
                              : PackZstdResource(data, data.size() <= kDictionaryFileSize ? std::string_view(dictionary)
                                                                                          : std::string_view());
            const std::lock_guard lock(logLock);
            unpacked_ += data.size();
            if (file.installed) installed_ += data.size();
            packed_ += packed[i].size();
            log_.out << '[' << ++done << '/' << files_.size() << "] " << file.display << ": " << data.size()
                     << " -> " << packed[i].size() << " bytes (" << Percent(packed[i].size(), data.size()) << ")\n";
          } catch (const std::exception& e) {
            throw TPackError(Where(file.line), file.key + ": " + e.what());
          }
        },
        request_.threads);
    const TResourceId& type = zstd ? ZstdPayloadType() : PayloadType();
    for (size_t i = 0; i < files_.size(); ++i)
      resources.Set(type, files_[i].resource, kLanguageNeutral, {std::move(packed[i]), 0});
    if (!dictionary.empty()) {
      packed_ += dictionary.size();
      log_.out << "Dictionary of the small files: " << dictionary.size() << " bytes\n";
      resources.Set(ZstdPayloadType(), ZstdDictionaryName(), kLanguageNeutral, {dictionary, 0});
    }
  }

  // The dictionary the small files are packed with; empty when they are too
  // few to train one.
  Bytes SmallFileDictionary() const {
    std::vector<Bytes> small;
    size_t bytes = 0;
    for (const TFileSource& file : files_) {
      std::error_code error;
      if (fs::file_size(file.path, error) > kDictionaryFileSize || error) continue;
      small.push_back(ReadWholeFile(file.path));
      bytes += small.back().size();
    }
    const size_t capacity = std::min(kMostDictionary, bytes / 10);
    if (capacity < kLeastDictionary) return {};
    return TrainZstdDictionary(std::vector<std::string_view>(small.begin(), small.end()), capacity);
  }

  const TPackRequest& request_;
  const TPackLog& log_;
  const TDefinedScript defined_;
  fs::path folder_;
  size_t errors_ = 0, warnings_ = 0;
  std::vector<TFileSource> files_;
  std::optional<Bytes> license_, logo_;
  uint64_t unpacked_ = 0, packed_ = 0, installed_ = 0;
};

}  // namespace

void PackInstaller(const TPackRequest& request, const TPackLog& log) { TPackJob(request, log).Run(); }
