#include <optional>
#include <ostream>
#include <sstream>

#include "package/u_Payload.h"
#include "package/u_SetupScript.h"
#include "packer/c_PeImage.h"
#include "packer/u_Files.h"
#include "packer/u_LittleEndian.h"
#include "packer/u_PackError.h"
#include "packer/u_Packer.h"
#include "packer/u_PayloadIds.h"
#include "packer/u_ScriptChecks.h"

namespace fs = std::filesystem;

namespace {

class TExamination {
public:
  TExamination(const fs::path& installer, int codePage, bool listAll, const TPackLog& log)
      : installer_(DisplayPath(installer)), image_(ReadWholeFile(installer)), resources_(image_.Resources()),
        codePage_(codePage), listAll_(listAll), log_(log) {
    List() << installer_ << ": " << (image_.IsPe32Plus() ? "PE32+" : "PE32") << " program file, "
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
  std::ostream& List() { return listAll_ ? log_.out : discard_; }
  void Problem(const std::string& text) {
    ++problems_;
    log_.problems << installer_ << ": error: " << text << '\n';
  }

  void CheckSum() {
    const uint32_t stored = image_.CheckSumField(), computed = image_.ComputedCheckSum();
    std::ostringstream text;
    text << std::hex << "checksum field 0x" << stored << ", file sums to 0x" << computed;
    if (stored != computed) Problem(text.str());
    else List() << text.str() << '\n';
  }

  void CheckPayload() {
    const TResourceTree::TNames* classic = Names(PayloadType());
    const TResourceTree::TNames* zstd = Names(ZstdPayloadType());
    if (!classic && !zstd) {
      Problem("no payload resources (type VELKSETUP)");
      return;
    }
    if (classic) CheckResources(*classic, kPayloadType, {});
    if (zstd) {
      TPayloadCodec codec{TPayloadFormat::Zstd, {}};
      if (const auto dictionary = zstd->find(ZstdDictionaryName()); dictionary != zstd->end()) {
        codec.dictionary = dictionary->second.begin()->second.bytes;
        List() << "Dictionary (type VELKZSTD, number " << kZstdDictionaryId << "): " << codec.dictionary.size()
               << " bytes\n";
      }
      CheckResources(*zstd, kZstdPayloadType, codec);
    }
    if (!classic || !classic->contains(AsciiId(kScriptResource))) Problem("no setup script (SETUPINFO)");
  }

  const TResourceTree::TNames* Names(const TResourceId& type) const {
    const auto names = resources_.Types().find(type);
    return names == resources_.Types().end() ? nullptr : &names->second;
  }

  // Unpacks each resource of one payload type; the script only from the classic one.
  void CheckResources(const TResourceTree::TNames& names, std::string_view type, const TPayloadCodec& codec) {
    List() << "Payload (type " << type << ", name: packed -> unpacked bytes):\n";
    for (const auto& [name, languages] : names) {
      if (name == ZstdDictionaryName() && codec.format == TPayloadFormat::Zstd) continue;
      const Bytes& raw = languages.begin()->second.bytes;
      const TOutcome<int32_t> declared = ReadDeclaredSize(raw);
      const TOutcome<Bytes> unpacked = UnpackResource(raw, codec);
      List() << "  " << ToString(name) << ": " << raw.size() << " -> "
             << (declared ? std::to_string(*declared) : "?") << (unpacked ? "" : "  DAMAGED") << '\n';
      const std::string typeNote = codec.format == TPayloadFormat::Zstd ? " (type " + std::string(type) + ")" : "";
      if (!unpacked) Problem("payload resource " + ToString(name) + typeNote + " does not inflate");
      if (unpacked && name == AsciiId(kScriptResource) && codec.format == TPayloadFormat::Zlib)
        script_.emplace(*unpacked);
    }
  }

  void CheckTopLogo() {
    const TResourceData* logo = resources_.Find(BitmapType(), TopLogoName());
    if (!logo) {
      List() << "No top logo\n";
    } else if (logo->bytes.size() < kBitmapInfoHeaderSize) {
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
    List() << "Product: " << Text(kProductName) << ' ' << Text(kProductVersion) << " by "
           << Text(kCompanyName) << ", installed to " << Text(kSetupPath) << '\n';
    const size_t files = script.HasHeader(kHeaderFileValues) ? script.CountEntries(kFileDispName) : 0;
    List() << "Files (" << files << "):\n";
    for (size_t n = 1; n <= files; ++n) {
      const std::string name = script.Text(EntryKey(kFileDispName, n));
      const TResourceId resource = TResourceId::Name(PayloadResourceName(name, codePage_));
      const auto holds = [&](const TResourceId& type) {
        const TResourceTree::TNames* names = Names(type);
        return names && names->contains(resource);
      };
      const bool present = holds(PayloadType()) || holds(ZstdPayloadType());
      List() << "  " << n << ". " << Text(EntryKey(kFileDispName, n)) << " -> " << Text(EntryKey(kFileSetupPath, n))
             << (script.Boolean(EntryKey(kFileDoSetup, n)) ? "" : "  (not installed)")
             << (script.Boolean(EntryKey(kFileDoRegister, n)) ? "  (registered)" : "") << (present ? "" : "  MISSING")
             << '\n';
      if (!present) Problem("file entry " + std::to_string(n) + " (" + Text(EntryKey(kFileDispName, n)) +
                            ") has no payload resource");
    }
    ListEntries(kHeaderRegValues, kRegValueLocation, "Registry values",
                {kRegValueLocation, kRegValueName, kRegValueType, kRegValueValue});
    ListEntries(kHeaderLinkValues, kLinkDispName, "Shortcuts", {kLinkPlace, kLinkDispName, kLinkStartFile});
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

  std::string installer_;
  TPeImage image_;
  TResourceTree resources_;
  int codePage_;
  bool listAll_;
  const TPackLog& log_;
  std::ostream discard_{nullptr};
  size_t problems_ = 0;
  std::optional<TSetupScript> script_;
};

}  // namespace

size_t ExamineInstaller(const fs::path& installer, int codePage, bool listAll, const TPackLog& log) {
  try {
    return TExamination(installer, codePage, listAll, log).Run();
  } catch (const TPackError& e) {
    throw TPackError(e.Failure().Of(DisplayPath(installer)));
  }
}
