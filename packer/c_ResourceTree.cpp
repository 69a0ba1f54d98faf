#include "packer/c_ResourceTree.h"

#include <utility>

#include "packer/u_CodePages.h"
#include "packer/u_LittleEndian.h"

namespace {

constexpr size_t kDirectoryHeader = 16;
constexpr size_t kDirectoryEntry = 8;
constexpr size_t kDataEntry = 16;
constexpr size_t kDataAlignment = 8;
constexpr uint32_t kHighBit = 0x80000000;
// A bound on the leaves a tree may expand to, so a table referenced from many
// entries cannot make the reader loop for ages.
constexpr size_t kMaxResources = 1 << 16;

size_t DirectorySize(size_t entries) { return kDirectoryHeader + entries * kDirectoryEntry; }

// The steps left for reading a tree. A tree stores every table and name once,
// so its entries and name characters number at most half its section's bytes;
// twice that is allowed before tables shared by many entries count as damage,
// since they could multiply the reading into billions of steps.
class TReadBudget {
public:
  explicit TReadBudget(std::string_view section) : left_(section.size()) {}
  void Spend(size_t steps) {
    if (steps > left_) throw TPackError("the resource tree refers to its tables and names too often");
    left_ -= steps;
  }

private:
  size_t left_;
};

// The table of a directory: its entries' ids and their child offsets (high bit
// set for a subdirectory).
std::vector<std::pair<TResourceId, uint32_t>> ReadDirectory(std::string_view section, uint32_t offset,
                                                            TReadBudget& budget) {
  const size_t count = size_t(Read16(section, offset + 12)) + Read16(section, offset + 14);
  budget.Spend(count);
  std::vector<std::pair<TResourceId, uint32_t>> entries;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = offset + DirectorySize(i);
    const uint32_t id = Read32(section, at);
    TResourceId key = TResourceId::Number(uint16_t(id & 0xFFFF));
    if (id & kHighBit) {
      key.number = 0;
      const uint32_t nameAt = id & ~kHighBit;
      const size_t length = Read16(section, nameAt);
      budget.Spend(length);
      for (size_t c = 0; c < length; ++c) key.name += char16_t(Read16(section, nameAt + 2 + 2 * c));
      if (key.name.empty()) throw TPackError("a resource entry has an empty name");
    } else if (id > 0xFFFF) {
      throw TPackError("a resource entry has the number " + std::to_string(id) + ", beyond 65535");
    }
    entries.emplace_back(std::move(key), Read32(section, at + 4));
  }
  return entries;
}

uint32_t SubdirectoryOffset(uint32_t child) {
  if (!(child & kHighBit)) throw TPackError("a resource type or name entry points to data instead of a directory");
  return child & ~kHighBit;
}

TResourceData ReadData(std::string_view section, uint32_t sectionRva, uint32_t child) {
  if (child & kHighBit) throw TPackError("a resource language entry points to a directory instead of data");
  const uint32_t rva = Read32(section, child);
  const uint32_t size = Read32(section, child + 4);
  if (rva < sectionRva || rva - sectionRva > section.size() || section.size() - (rva - sectionRva) < size)
    throw TPackError("resource data lies outside the resource section");
  return {Bytes(section.substr(rva - sectionRva, size)), Read32(section, child + 8)};
}

template <typename Map>
size_t NamedCount(const Map& entries) {
  size_t named = 0;
  for (const auto& entry : entries) named += entry.first.IsName();
  return named;
}

// Writes the directory part of a section; the cursors walk the four regions
// (tables, name strings, data entries, data) in step.
class TSectionWriter {
public:
  TSectionWriter(const TResourceTree::TTypes& types, uint32_t sectionRva) : sectionRva_(sectionRva) {
    size_t tables = DirectorySize(types.size()), strings = 0, leaves = 0;
    for (const auto& [type, names] : types) {
      tables += DirectorySize(names.size());
      strings += NameSize(type);
      for (const auto& [name, languages] : names) {
        tables += DirectorySize(languages.size());
        strings += NameSize(name);
        leaves += languages.size();
      }
    }
    nextString_ = tables;
    nextEntry_ = AlignUp(tables + strings, 4);
    nextData_ = AlignUp(nextEntry_ + leaves * kDataEntry, kDataAlignment);
    out_.assign(nextData_, '\0');
  }

  template <typename Map, typename WriteChild>
  void Table(const Map& entries, WriteChild writeChild) {
    const size_t at = Allocate(nextTable_, DirectorySize(entries.size()));
    const size_t named = NamedCount(entries);
    Write16(out_, at + 12, uint16_t(named));
    Write16(out_, at + 14, uint16_t(entries.size() - named));
    size_t i = 0;
    for (const auto& [id, child] : entries) {
      const size_t entry = at + DirectorySize(i++);
      Write32(out_, entry, IdField(id));
      Write32(out_, entry + 4, writeChild(child));
    }
  }

  uint32_t DataEntry(const TResourceData& data, std::vector<std::string_view>& blobs) {
    const size_t at = Allocate(nextEntry_, kDataEntry);
    Write32(out_, at, uint32_t(sectionRva_ + nextData_));
    Write32(out_, at + 4, uint32_t(data.bytes.size()));
    Write32(out_, at + 8, data.codePage);
    nextData_ = AlignUp(nextData_ + data.bytes.size(), kDataAlignment);
    blobs.push_back(data.bytes);
    return uint32_t(at);
  }

  Bytes Take() { return std::move(out_); }

private:
  static size_t NameSize(const TResourceId& id) { return id.IsName() ? 2 + 2 * id.name.size() : 0; }

  static size_t Allocate(size_t& cursor, size_t size) { return std::exchange(cursor, cursor + size); }

  uint32_t IdField(const TResourceId& id) {
    if (!id.IsName()) return id.number;
    const size_t at = Allocate(nextString_, NameSize(id));
    Write16(out_, at, uint16_t(id.name.size()));
    for (size_t c = 0; c < id.name.size(); ++c) Write16(out_, at + 2 + 2 * c, id.name[c]);
    return uint32_t(at) | kHighBit;
  }

  uint64_t sectionRva_;
  size_t nextTable_ = 0, nextString_, nextEntry_, nextData_;
  Bytes out_;
};

}  // namespace

std::strong_ordering operator<=>(const TResourceId& a, const TResourceId& b) {
  if (a.IsName() != b.IsName()) return a.IsName() ? std::strong_ordering::less : std::strong_ordering::greater;
  if (a.IsName()) return a.name <=> b.name;
  return a.number <=> b.number;
}

std::string ToString(const TResourceId& id) { return id.IsName() ? Utf16ToUtf8(id.name) : std::to_string(id.number); }

size_t TResourceSection::Size() const {
  size_t size = directory_.size();
  for (const auto blob : data_) size = AlignUp(size + blob.size(), kDataAlignment);
  return size;
}

std::vector<std::string_view> TResourceSection::Pieces() const {
  static constexpr char kZeros[kDataAlignment] = {};
  std::vector<std::string_view> pieces{directory_};
  for (const auto blob : data_) {
    pieces.push_back(blob);
    if (const size_t tail = blob.size() % kDataAlignment) pieces.emplace_back(kZeros, kDataAlignment - tail);
  }
  return pieces;
}

TResourceTree TResourceTree::Parse(std::string_view section, uint32_t sectionRva) {
  TResourceTree tree;
  size_t leaves = 0;
  TReadBudget budget(section);
  for (auto& [type, typeChild] : ReadDirectory(section, 0, budget))
    for (auto& [name, nameChild] : ReadDirectory(section, SubdirectoryOffset(typeChild), budget))
      for (auto& [language, child] : ReadDirectory(section, SubdirectoryOffset(nameChild), budget)) {
        if (language.IsName()) throw TPackError("a resource language is a name instead of a number");
        if (++leaves > kMaxResources) throw TPackError("the resource tree holds too many entries");
        tree.Set(type, name, language.number, ReadData(section, sectionRva, child));
      }
  return tree;
}

void TResourceTree::Set(const TResourceId& type, const TResourceId& name, uint16_t language, TResourceData data) {
  types_[type][name][TResourceId::Number(language)] = std::move(data);
}

void TResourceTree::Remove(const TResourceId& type) { types_.erase(type); }

void TResourceTree::Remove(const TResourceId& type, const TResourceId& name) {
  const auto found = types_.find(type);
  if (found == types_.end()) return;
  found->second.erase(name);
  if (found->second.empty()) types_.erase(found);
}

const TResourceData* TResourceTree::Find(const TResourceId& type, const TResourceId& name) const {
  const auto names = types_.find(type);
  if (names == types_.end()) return nullptr;
  const auto languages = names->second.find(name);
  if (languages == names->second.end() || languages->second.empty()) return nullptr;
  return &languages->second.begin()->second;
}

TResourceSection TResourceTree::Build(uint32_t sectionRva) const {
  TSectionWriter writer(types_, sectionRva);
  TResourceSection section;
  // Tables in breadth-first order: the root, the name tables, the language tables.
  uint32_t nameTable = uint32_t(DirectorySize(types_.size()));
  uint32_t languageTable = nameTable;
  for (const auto& [type, names] : types_) languageTable += uint32_t(DirectorySize(names.size()));

  writer.Table(types_, [&](const TNames& names) {
    return std::exchange(nameTable, nameTable + uint32_t(DirectorySize(names.size()))) | kHighBit;
  });
  for (const auto& [type, names] : types_)
    writer.Table(names, [&](const TLanguages& languages) {
      return std::exchange(languageTable, languageTable + uint32_t(DirectorySize(languages.size()))) | kHighBit;
    });
  for (const auto& [type, names] : types_)
    for (const auto& [name, languages] : names)
      writer.Table(languages, [&](const TResourceData& data) { return writer.DataEntry(data, section.data_); });
  section.directory_ = writer.Take();
  return section;
}
