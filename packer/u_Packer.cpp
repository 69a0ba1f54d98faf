#include "packer/u_Packer.h"

#include <mutex>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "actions/u_SimpleFuncs1.h"
#include "package/u_Payload.h"
#include "package/u_SetupScript.h"
#include "packer/c_PeImage.h"
#include "packer/u_Files.h"
#include "packer/u_LittleEndian.h"
#include "packer/u_PackError.h"
#include "packer/u_Parallel.h"
#include "packer/u_ScriptChecks.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kBitmapFileHeader = 14;
constexpr size_t kBitmapInfoHeader = 40;

TResourceId AsciiId(std::string_view name) { return TResourceId::Name(AnsiToUtf16(name, kDefaultCodePage)); }
const TResourceId& PayloadType() {
  static const TResourceId id = AsciiId(kPayloadType);
  return id;
}
const TResourceId& BitmapType() {
  static const TResourceId id = TResourceId::Number(kBitmapType);
  return id;
}
const TResourceId& TopLogoName() {
  static const TResourceId id = AsciiId(kTopLogoResource);
  return id;
}

// The script as the installer reads it: every line ended by CR LF.
Bytes ScriptText(const TSetupScript& script) {
  Bytes text;
  for (const auto& line : script.Lines()) text += line + "\r\n";
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
};

class TPackJob {
public:
  TPackJob(const TPackRequest& request, std::ostream& log)
      : request_(request), log_(log), folder_(request.script.parent_path()) {}

  void Run() {
    const TSetupScript script(ReadWholeFile(request_.script));
    for (const auto& issue : CheckScript(script, request_.codePage)) Report(issue);
    GatherSources(script);
    if (errors_) throw TPackError(std::to_string(errors_) + " error(s) in the script; no installer written");

    const TPeImage stub = ReadStub();
    TResourceTree resources = stub.Resources();
    resources.Remove(PayloadType());
    resources.Remove(BitmapType(), TopLogoName());
    SetPayload(resources, AsciiId(kScriptResource), ScriptText(script));
    if (license_) SetPayload(resources, AsciiId(kLicenseResource), WithCrLf(*license_));
    if (logo_) resources.Set(BitmapType(), TopLogoName(), kLanguageNeutral, {logo_->substr(kBitmapFileHeader), 0});
    PackFiles(resources);

    const TPackedImage installer = stub.WithResources(resources);
    WriteFileAtomically(request_.output, [&](std::ostream& out) { installer.WriteTo(out); });
    log_ << "Wrote " << DisplayPath(request_.output) << " (" << installer.Size() << " bytes): " << files_.size()
         << " file(s), " << unpacked_ << " bytes packed to " << packed_ << " (" << Percent(packed_, unpacked_) << "), "
         << warnings_ << " warning(s)\n";
  }

private:
  void Report(const TScriptIssue& issue) {
    (issue.kind == TScriptIssue::Error ? errors_ : warnings_)++;
    log_ << DisplayPath(request_.script);
    if (issue.line) log_ << ':' << issue.line;
    log_ << (issue.kind == TScriptIssue::Error ? ": error: " : ": warning: ") << issue.text << '\n';
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
      for (size_t n = 1, count = script.CountEntries("FileDispName"); n <= count; ++n) {
        const std::string nameKey = EntryKey("FileDispName", n), locationKey = EntryKey("FileLocation", n);
        const std::string name = script.Text(nameKey);
        if (name.empty() || script.Text(locationKey).empty()) continue;  // reported by the checks
        if (const auto path = Source(script, locationKey))
          files_.push_back({nameKey + "=" + name, Utf16ToUtf8(AnsiToUtf16(name, request_.codePage)),
                            KeyLine(script, locationKey), *path,
                            TResourceId::Name(PayloadResourceName(name, request_.codePage))});
      }
    if (!script.HasHeader(kHeaderSetupInfo)) return;
    if (!script.Text("<SetupLicense>").empty())
      if (const auto path = Source(script, "<SetupLicense>")) license_ = ReadWholeFile(*path);
    if (!script.Text("<TopLogo>").empty())
      if (const auto path = Source(script, "<TopLogo>")) {
        logo_ = ReadWholeFile(*path);
        if (logo_->size() < kBitmapFileHeader + kBitmapInfoHeader || !logo_->starts_with("BM"))
          Error(KeyLine(script, "<TopLogo>"), "<TopLogo>: '" + DisplayPath(*path) + "' is not a .bmp file");
      }
  }

  TPeImage ReadStub() const {
    try {
      TPeImage stub(ReadWholeFile(request_.stub));
      stub.CheckPackable();
      return stub;
    } catch (const TPackError& e) {
      throw TPackError("stub '" + DisplayPath(request_.stub) + "' cannot be used: " + e.what());
    }
  }

  void SetPayload(TResourceTree& resources, const TResourceId& name, std::string_view data) {
    resources.Set(PayloadType(), name, kLanguageNeutral, {PackResource(data), 0});
  }

  // Compresses the files in parallel; each worker holds one file at a time.
  void PackFiles(TResourceTree& resources) {
    std::vector<Bytes> packed(files_.size());
    std::mutex logLock;
    size_t done = 0;
    RunParallel(
        files_.size(),
        [&](size_t i) {
          const TFileSource& file = files_[i];
          try {
            const Bytes data = ReadWholeFile(file.path);
            packed[i] = PackResource(data);
            const std::lock_guard lock(logLock);
            unpacked_ += data.size();
            packed_ += packed[i].size();
            log_ << '[' << ++done << '/' << files_.size() << "] " << file.display << ": " << data.size() << " -> "
                 << packed[i].size() << " bytes (" << Percent(packed[i].size(), data.size()) << ")\n";
          } catch (const std::exception& e) {
            throw TPackError(DisplayPath(request_.script) + ':' + std::to_string(file.line) + ": " + file.key +
                             ": " + e.what());
          }
        },
        request_.threads);
    for (size_t i = 0; i < files_.size(); ++i)
      resources.Set(PayloadType(), files_[i].resource, kLanguageNeutral, {std::move(packed[i]), 0});
  }

  const TPackRequest& request_;
  std::ostream& log_;
  fs::path folder_;
  size_t errors_ = 0, warnings_ = 0;
  std::vector<TFileSource> files_;
  std::optional<Bytes> license_, logo_;
  uint64_t unpacked_ = 0, packed_ = 0;
};

class TExamination {
public:
  TExamination(const fs::path& installer, int codePage, bool listAll, std::ostream& out)
      : image_(ReadWholeFile(installer)), resources_(image_.Resources()), codePage_(codePage), listAll_(listAll), out_(out) {
    List() << DisplayPath(installer) << ": " << (image_.IsPe32Plus() ? "PE32+" : "PE32") << " program file, "
           << image_.File().size() << " bytes\n";
  }

  size_t Run() {
    CheckSum();
    CheckPayload();
    CheckTopLogo();
    if (script_) ListScript();
    return problems_;
  }

private:
  // Where the listing goes: the output, or nowhere when only problems count.
  std::ostream& List() { return listAll_ ? out_ : discard_; }
  void Problem(const std::string& text) {
    ++problems_;
    out_ << "problem: " << text << '\n';
  }

  void CheckSum() {
    const uint32_t stored = image_.CheckSumField(), computed = image_.ComputedCheckSum();
    std::ostringstream text;
    text << std::hex << "checksum field 0x" << stored << ", file sums to 0x" << computed;
    if (stored != computed) Problem(text.str());
    else List() << text.str() << '\n';
  }

  void CheckPayload() {
    const auto payload = resources_.Types().find(PayloadType());
    if (payload == resources_.Types().end()) {
      Problem("no payload resources (type VELKSETUP)");
      return;
    }
    List() << "Payload (type VELKSETUP, name: packed -> unpacked bytes):\n";
    for (const auto& [name, languages] : payload->second) {
      const Bytes& raw = languages.begin()->second.bytes;
      int32_t declared = 0;
      Bytes unpacked;
      const bool intact = UnpackResource(raw, unpacked);
      List() << "  " << ToString(name) << ": " << raw.size() << " -> "
             << (ReadDeclaredSize(raw, declared) ? std::to_string(declared) : "?") << (intact ? "" : "  DAMAGED")
             << '\n';
      if (!intact) Problem("payload resource " + ToString(name) + " does not inflate");
      if (intact && name == AsciiId(kScriptResource)) script_.emplace(unpacked);
    }
    if (!payload->second.contains(AsciiId(kScriptResource))) Problem("no setup script (SETUPINFO)");
    payloadNames_ = &payload->second;
  }

  void CheckTopLogo() {
    const TResourceData* logo = resources_.Find(BitmapType(), TopLogoName());
    if (!logo) {
      List() << "No top logo\n";
    } else if (logo->bytes.size() < kBitmapInfoHeader) {
      Problem("the top logo bitmap is too short to be one");
    } else {
      List() << "Top logo: " << int32_t(Read32(logo->bytes, 4)) << " x " << int32_t(Read32(logo->bytes, 8))
             << " pixels, " << logo->bytes.size()
             << " bytes\n";
    }
  }

  std::string Text(const std::string& key) const { return Utf16ToUtf8(AnsiToUtf16(script_->Text(key), codePage_)); }

  void ListScript() {
    const TSetupScript& script = *script_;
    List() << "Product: " << Text("<ProductName>") << ' ' << Text("<ProductVersion>") << " by "
           << Text("<CompanyName>") << ", installed to " << Text("<SetupPath>") << '\n';
    const size_t files = script.HasHeader(kHeaderFileValues) ? script.CountEntries("FileDispName") : 0;
    List() << "Files (" << files << "):\n";
    for (size_t n = 1; n <= files; ++n) {
      const std::string name = script.Text(EntryKey("FileDispName", n));
      const bool present =
          payloadNames_ && payloadNames_->contains(TResourceId::Name(PayloadResourceName(name, codePage_)));
      List() << "  " << n << ". " << Text(EntryKey("FileDispName", n)) << " -> " << Text(EntryKey("FileSetupPath", n))
             << (script.Boolean(EntryKey("FileDoSetup", n)) ? "" : "  (not installed)")
             << (script.Boolean(EntryKey("FileDoRegister", n)) ? "  (registered)" : "") << (present ? "" : "  MISSING")
             << '\n';
      if (!present) Problem("file entry " + std::to_string(n) + " (" + Text(EntryKey("FileDispName", n)) +
                            ") has no payload resource");
    }
    ListEntries(kHeaderRegValues, "RegValueLocation", "Registry values",
                {"RegValueLocation", "RegValueName", "RegValueType", "RegValueValue"});
    ListEntries(kHeaderLinkValues, "LinkDispName", "Shortcuts", {"LinkPlace", "LinkDispName", "LinkStartFile"});
  }

  void ListEntries(std::string_view header, std::string_view decidingKey, std::string_view title,
                   std::initializer_list<std::string_view> keyWords) {
    const size_t count = script_->HasHeader(header) ? script_->CountEntries(decidingKey) : 0;
    List() << title << " (" << count << "):\n";
    for (size_t n = 1; n <= count; ++n) {
      List() << "  " << n << '.';
      for (const auto keyWord : keyWords) List() << ' ' << Text(EntryKey(keyWord, n));
      List() << '\n';
    }
  }

  TPeImage image_;
  TResourceTree resources_;
  int codePage_;
  bool listAll_;
  std::ostream& out_;
  std::ostream discard_{nullptr};
  size_t problems_ = 0;
  std::optional<TSetupScript> script_;
  const TResourceTree::TNames* payloadNames_ = nullptr;
};

}  // namespace

void PackInstaller(const TPackRequest& request, std::ostream& log) { TPackJob(request, log).Run(); }

size_t ExamineInstaller(const fs::path& installer, int codePage, bool listAll, std::ostream& out) {
  return TExamination(installer, codePage, listAll, out).Run();
}
