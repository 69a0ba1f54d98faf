#include "packer/c_PeImage.h"

#include <algorithm>
#include <ostream>

#include "packer/u_LittleEndian.h"

namespace {

constexpr size_t kSectionEntry = 40;
constexpr size_t kResourceDirectory = 2;
constexpr size_t kSecurityDirectory = 4;
constexpr size_t kRelocationDirectory = 5;
constexpr uint32_t kMaxSectionSize = 0x7FFFFFFF;
// Wine maps a section from the file only when it starts on a page boundary
// there; any other section it reads whole into memory as the program starts.
constexpr uint32_t kPageSize = 0x1000;

bool IsPowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

uint32_t VirtualExtent(const TPeSection& s) { return s.virtualSize ? s.virtualSize : s.rawSize; }

std::string Quoted(const TPeSection& s) { return "'" + s.name + "'"; }

}  // namespace

uint32_t PeChecksum(const std::vector<std::string_view>& pieces) {
  uint64_t sum = 0, length = 0;
  for (const auto piece : pieces)
    for (const char c : piece) sum += uint64_t(static_cast<unsigned char>(c)) << (8 * (length++ & 1));
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return uint32_t(sum + length);
}

TPeImage::TPeImage(Bytes file) : file_(std::move(file)) {
  const auto invalid = [](const std::string& why) { return TPackError("not a valid program file: " + why); };
  try {
    if (file_.size() < 64 || file_.compare(0, 2, "MZ") != 0) throw invalid("no MZ header");
    const size_t pe = Read32(file_, 0x3C);
    if (Read32(file_, pe) != 0x00004550) throw invalid("no PE signature");
    const size_t sectionCount = Read16(file_, pe + 6);
    const size_t optionalSize = Read16(file_, pe + 20);
    optionalHeader_ = pe + 24;
    const uint16_t magic = Read16(file_, optionalHeader_);
    if (magic != 0x10B && magic != 0x20B) throw invalid("unknown optional header kind " + std::to_string(magic));
    pe32Plus_ = magic == 0x20B;
    directoryCount_ = Read32(file_, optionalHeader_ + (pe32Plus_ ? 108 : 92));
    directories_ = optionalHeader_ + (pe32Plus_ ? 112 : 96);
    if (directories_ + 8 * uint64_t(directoryCount_) > optionalHeader_ + optionalSize)
      throw invalid("the data directories do not fit the optional header");
    sectionAlignment_ = Read32(file_, optionalHeader_ + 32);
    fileAlignment_ = Read32(file_, optionalHeader_ + 36);
    headersSize_ = Read32(file_, optionalHeader_ + 60);
    if (!IsPowerOfTwo(fileAlignment_) || !IsPowerOfTwo(sectionAlignment_) || sectionAlignment_ < fileAlignment_)
      throw invalid("bad section or file alignment");

    const size_t table = optionalHeader_ + optionalSize;
    if (table + sectionCount * kSectionEntry > std::min<size_t>(headersSize_, file_.size()))
      throw invalid("the section table does not fit the headers");
    for (size_t i = 0; i < sectionCount; ++i) {
      const size_t at = table + i * kSectionEntry;
      TPeSection s{file_.substr(at, 8), Read32(file_, at + 8), Read32(file_, at + 12), Read32(file_, at + 16),
                   Read32(file_, at + 20), Read32(file_, at + 36), at};
      s.name.resize(std::min(s.name.size(), s.name.find('\0')));
      if (s.rawSize && (s.rawPointer < headersSize_ || uint64_t(s.rawPointer) + s.rawSize > file_.size()))
        throw invalid("the data of section " + Quoted(s) + " lies outside the file");
      sections_.push_back(std::move(s));
    }
  } catch (const TPackError& e) {
    if (std::string_view(e.what()).starts_with("not a valid")) throw;
    throw invalid(e.what());
  }
}

uint32_t TPeImage::CheckSumField() const { return Read32(file_, optionalHeader_ + 64); }

uint32_t TPeImage::ComputedCheckSum() const {
  const std::string_view file(file_);
  const size_t field = optionalHeader_ + 64;
  return PeChecksum({file.substr(0, field), std::string_view("\0\0\0\0", 4), file.substr(field + 4)});
}

TPeImage::TDirectory TPeImage::Directory(size_t index) const {
  if (index >= directoryCount_) return {0, 0};
  return {Read32(file_, DirectoryOffset(index)), Read32(file_, DirectoryOffset(index) + 4)};
}

TResourceTree TPeImage::Resources() const {
  const TDirectory directory = Directory(kResourceDirectory);
  if (!directory.rva) return {};
  for (const auto& s : sections_) {
    if (directory.rva < s.virtualAddress || directory.rva - s.virtualAddress >= s.rawSize) continue;
    const size_t offset = directory.rva - s.virtualAddress;
    return TResourceTree::Parse(std::string_view(file_).substr(s.rawPointer + offset, s.rawSize - offset),
                                directory.rva);
  }
  throw TPackError("the resource directory lies outside every section");
}

const TPeSection& TPeImage::ResourceSection() const {
  const TDirectory directory = Directory(kResourceDirectory);
  if (!directory.rva) throw TPackError("it has no resource section (a stub carries at least its manifest)");
  const auto found = std::find_if(sections_.begin(), sections_.end(),
                                  [&](const TPeSection& s) { return s.virtualAddress == directory.rva; });
  if (found == sections_.end()) throw TPackError("its resources do not start a section of their own");
  return *found;
}

// The resource section may only grow or shrink when every section after it is
// one that only a data directory refers to (the base relocations), and no other
// directory points at or beyond it.
void TPeImage::CheckMovable(const TPeSection& resources) const {
  const uint32_t relocations = Directory(kRelocationDirectory).rva;
  const uint32_t end = resources.virtualAddress + VirtualExtent(resources);
  bool after = false;
  for (const auto& s : sections_) {
    if (&s == &resources) {
      after = true;
    } else if (after) {
      if (s.virtualAddress != relocations || !relocations)
        throw TPackError("section " + Quoted(s) + " follows the resource section; only the base relocations can move");
      if (s.virtualAddress < end || (s.rawSize && s.rawPointer < resources.rawPointer + resources.rawSize))
        throw TPackError("section " + Quoted(s) + " overlaps the resource section");
    } else if (uint64_t(s.virtualAddress) + VirtualExtent(s) > resources.virtualAddress ||
               (s.rawSize && s.rawPointer + s.rawSize > resources.rawPointer)) {
      throw TPackError("section " + Quoted(s) + " overlaps or follows the resource section");
    }
  }
  for (size_t d = 0; d < directoryCount_; ++d) {
    const TDirectory directory = Directory(d);
    if (d == kResourceDirectory || d == kSecurityDirectory || d == kRelocationDirectory || !directory.size) continue;
    if (uint64_t(directory.rva) + directory.size > resources.virtualAddress)
      throw TPackError("data directory " + std::to_string(d) + " points into or past the resource section");
  }
}

void TPeImage::CheckPackable() const {
  if (Directory(kSecurityDirectory).size)
    throw TPackError("it is signed: added resources would break the signature (pack an unsigned stub, sign the result)");
  uint64_t dataEnd = headersSize_;
  for (const auto& s : sections_) dataEnd = std::max<uint64_t>(dataEnd, uint64_t(s.rawPointer) + s.rawSize);
  if (file_.size() > dataEnd)
    throw TPackError("it carries " + std::to_string(file_.size() - dataEnd) +
                     " bytes after its last section (overlay data), which would not survive the rebuild");
  CheckMovable(ResourceSection());
}

TPackedImage TPeImage::WithResources(const TResourceTree& resources) const {
  CheckPackable();
  const TPeSection& rsrc = ResourceSection();
  TPackedImage packed;
  packed.resources_ = resources.Build(rsrc.virtualAddress);
  const size_t size = packed.resources_.Size();
  if (size > kMaxSectionSize) throw TPackError("the resources exceed 2 GiB, more than a program file can hold");
  const auto newRaw = uint32_t(AlignUp(size, fileAlignment_));
  const uint32_t vaDelta = uint32_t(AlignUp(rsrc.virtualAddress + size, sectionAlignment_) -
                                    AlignUp(rsrc.virtualAddress + VirtualExtent(rsrc), sectionAlignment_));
  const uint32_t rawDelta = newRaw - rsrc.rawSize;  // both deltas wrap around when the section shrinks
  // The payload is mapped rather than read at start: the resources start on a page.
  const auto rawPointer = uint32_t(AlignUp(rsrc.rawPointer, kPageSize));
  const uint32_t rawShift = rawPointer - rsrc.rawPointer;

  Bytes& headers = packed.headers_;
  headers = file_.substr(0, headersSize_);
  Write32(headers, rsrc.headerOffset + 8, uint32_t(size));
  Write32(headers, rsrc.headerOffset + 16, newRaw);
  Write32(headers, rsrc.headerOffset + 20, rawPointer);
  uint64_t imageEnd = 0;
  bool after = false;
  for (const auto& s : sections_) {
    uint32_t va = s.virtualAddress, extent = VirtualExtent(s);
    if (&s == &rsrc) {
      after = true;
      extent = uint32_t(size);
    } else if (after) {
      va += vaDelta;
      Write32(headers, s.headerOffset + 12, va);
      if (s.rawSize) Write32(headers, s.headerOffset + 20, s.rawPointer + rawShift + rawDelta);
    }
    imageEnd = std::max<uint64_t>(imageEnd, uint64_t(va) + extent);
  }
  Write32(headers, DirectoryOffset(kResourceDirectory) + 4, uint32_t(size));
  if (const TDirectory relocations = Directory(kRelocationDirectory); relocations.rva > rsrc.virtualAddress)
    Write32(headers, DirectoryOffset(kRelocationDirectory), relocations.rva + vaDelta);
  Write32(headers, optionalHeader_ + 56, uint32_t(AlignUp(imageEnd, sectionAlignment_)));
  Write32(headers, optionalHeader_ + 8, Read32(headers, optionalHeader_ + 8) + rawDelta);
  Write32(headers, optionalHeader_ + 64, 0);

  const std::string_view file(file_);
  packed.beforeResources_ = file.substr(headersSize_, rsrc.rawPointer - headersSize_);
  packed.pageGap_.assign(rawShift, '\0');
  packed.padding_.assign(newRaw - size, '\0');
  packed.afterResources_ = file.substr(rsrc.rawPointer + rsrc.rawSize);
  Write32(headers, optionalHeader_ + 64, PeChecksum(packed.Pieces()));
  return packed;
}

std::vector<std::string_view> TPackedImage::Pieces() const {
  std::vector<std::string_view> pieces{headers_, beforeResources_, pageGap_};
  for (const auto piece : resources_.Pieces()) pieces.push_back(piece);
  pieces.push_back(padding_);
  pieces.push_back(afterResources_);
  return pieces;
}

uint64_t TPackedImage::Size() const {
  uint64_t size = 0;
  for (const auto piece : Pieces()) size += piece.size();
  return size;
}

Bytes TPackedImage::ToBytes() const {
  Bytes out;
  for (const auto piece : Pieces()) out += piece;
  return out;
}

void TPackedImage::WriteTo(std::ostream& out) const {
  for (const auto piece : Pieces()) out.write(piece.data(), std::streamsize(piece.size()));
}
