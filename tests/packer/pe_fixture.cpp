#include "pe_fixture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "packer/u_LittleEndian.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFileAlignment = 0x200, kSectionAlignment = 0x1000;

struct TSectionContent {
  std::string name;
  Bytes data;
  uint32_t characteristics;
};

uint32_t RvaToOffset(const Bytes& file, uint32_t rva) {
  const size_t pe = Read32(file, 0x3C);
  const size_t count = Read16(file, pe + 6);
  const size_t table = pe + 24 + Read16(file, pe + 20);
  for (size_t i = 0; i < count; ++i) {
    const size_t at = table + 40 * i;
    const uint32_t va = Read32(file, at + 12), size = Read32(file, at + 16);
    if (rva >= va && rva < va + size) return rva - va + Read32(file, at + 20);
  }
  throw std::runtime_error("RVA outside every section");
}

// Binary search in one directory table, as the loader does it.
std::optional<uint32_t> FindEntry(const Bytes& file, uint32_t root, uint32_t table, const TResourceId& id) {
  const size_t named = Read16(file, table + 12), numbered = Read16(file, table + 14);
  int low = id.IsName() ? 0 : int(named), high = id.IsName() ? int(named) - 1 : int(named + numbered) - 1;
  while (low <= high) {
    const int middle = (low + high) / 2;
    const size_t entry = table + 16 + 8 * size_t(middle);
    const uint32_t field = Read32(file, entry);
    int order;
    if (id.IsName()) {
      std::u16string name;
      const uint32_t at = root + (field & 0x7FFFFFFF);
      for (size_t c = 0; c < Read16(file, at); ++c) name += char16_t(Read16(file, at + 2 + 2 * c));
      order = id.name.compare(name);
    } else {
      order = int(id.number) - int(field);
    }
    if (order == 0) return Read32(file, entry + 4);
    if (order < 0) high = middle - 1;
    else low = middle + 1;
  }
  return std::nullopt;
}

}  // namespace

TResourceId Named(std::u16string name) { return TResourceId::Name(std::move(name)); }

TResourceTree StubResources() {
  TResourceTree tree;
  tree.Set(TResourceId::Number(24), TResourceId::Number(1), 1033, {"<assembly manifest/>", 0});
  tree.Set(TResourceId::Number(16), TResourceId::Number(1), 1033, {Bytes(92, 'v'), 0});
  tree.Set(TResourceId::Number(3), TResourceId::Number(1), 0, {Bytes(300, 'i'), 1252});
  return tree;
}

Bytes MakeImage(const TResourceTree& resources, const TImageShape& shape) {
  const uint32_t resourceRva = 2 * kSectionAlignment;
  const TResourceSection built = resources.Build(resourceRva);
  Bytes rsrc;
  for (const auto piece : built.Pieces()) rsrc += piece;

  std::vector<TSectionContent> sections = {{".text", Bytes(0x180, '\xC3'), 0x60000020},
                                        {".rsrc", rsrc, 0x40000040}};
  if (shape.extraSectionAfterResources) sections.push_back({".data2", Bytes(0x40, 'd'), 0xC0000040});
  sections.push_back({".reloc", Bytes(0x0C, 'r'), 0x42000040});

  const size_t pe = kPeOffset, optional = pe + 24, optionalSize = shape.pe32Plus ? 240 : 224;
  const size_t directories = optional + (shape.pe32Plus ? 112 : 96);
  const uint32_t headersSize = kFileAlignment;
  Bytes file(headersSize, '\0');
  file[0] = 'M';
  file[1] = 'Z';
  Write32(file, 0x3C, uint32_t(pe));
  Write32(file, pe, 0x00004550);
  Write16(file, pe + 4, shape.pe32Plus ? 0x8664 : 0x14C);
  Write16(file, pe + 6, uint16_t(sections.size()));
  Write32(file, pe + 8, 0x12345678);  // a link time stamp, which packing keeps
  Write16(file, pe + 20, uint16_t(optionalSize));
  Write16(file, pe + 22, 0x22);
  Write16(file, optional, shape.pe32Plus ? 0x20B : 0x10B);
  Write32(file, optional + 16, 0x1000);  // entry point
  Write32(file, optional + 32, kSectionAlignment);
  Write32(file, optional + 36, kFileAlignment);
  Write32(file, optional + 60, headersSize);
  Write16(file, optional + 68, 2);  // GUI subsystem
  Write32(file, optional + (shape.pe32Plus ? 108 : 92), 16);

  uint32_t rva = kSectionAlignment, initialized = 0;
  for (size_t i = 0; i < sections.size(); ++i) {
    const auto& s = sections[i];
    const size_t header = optional + optionalSize + 40 * i;
    const auto raw = uint32_t(AlignUp(s.data.size(), kFileAlignment));
    std::copy(s.name.begin(), s.name.end(), file.begin() + ptrdiff_t(header));
    Write32(file, header + 8, uint32_t(s.data.size()));
    Write32(file, header + 12, rva);
    Write32(file, header + 16, raw);
    Write32(file, header + 20, uint32_t(file.size()));
    Write32(file, header + 36, s.characteristics);
    if (s.name == ".rsrc") {
      EXPECT_EQ(rva, resourceRva);
      Write32(file, directories + 8 * 2, rva);
      Write32(file, directories + 8 * 2 + 4, uint32_t(s.data.size()));
    }
    if (s.name == ".reloc") {
      Write32(file, directories + 8 * 5, rva);
      Write32(file, directories + 8 * 5 + 4, uint32_t(s.data.size()));
    }
    if (s.characteristics & 0x40) initialized += raw;
    file += s.data;
    file.resize(file.size() + raw - s.data.size(), '\0');
    rva += uint32_t(AlignUp(s.data.size(), kSectionAlignment));
  }
  Write32(file, optional + 8, initialized);
  Write32(file, optional + 56, rva);
  if (shape.signature) {
    Write32(file, directories + 8 * 4, uint32_t(file.size()));
    Write32(file, directories + 8 * 4 + 4, 0x100);
    file += Bytes(0x100, 's');
  }
  file += Bytes(shape.overlay, 'o');
  return file;
}

std::optional<Bytes> FindLikeLoader(const Bytes& file, const TResourceId& type, const TResourceId& name) {
  const size_t pe = Read32(file, 0x3C), optional = pe + 24;
  const size_t directories = optional + (Read16(file, optional) == 0x20B ? 112 : 96);
  const uint32_t root = RvaToOffset(file, Read32(file, directories + 16));
  const auto typeEntry = FindEntry(file, root, root, type);
  if (!typeEntry) return std::nullopt;
  const auto nameEntry = FindEntry(file, root, root + (*typeEntry & 0x7FFFFFFF), name);
  if (!nameEntry) return std::nullopt;
  const uint32_t languages = root + (*nameEntry & 0x7FFFFFFF);
  if (Read16(file, languages + 12) + Read16(file, languages + 14) == 0) return std::nullopt;
  const uint32_t dataEntry = root + Read32(file, languages + 16 + 4);
  return file.substr(RvaToOffset(file, Read32(file, dataEntry)), Read32(file, dataEntry + 4));
}

std::optional<fs::path> RealStub() {
#ifdef VELK_STUB_PATH
  if (fs::exists(VELK_STUB_PATH)) return fs::path(VELK_STUB_PATH);
#endif
  return std::nullopt;
}

TTestFolder::TTestFolder() {
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  path_ = fs::temp_directory_path() / ("packer_tests-" + std::to_string(getpid()) + "-" + test->test_suite_name() +
                                       "-" + test->name());
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TTestFolder::~TTestFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path TTestFolder::Write(const std::string& name, std::string_view data) const {
  const fs::path path = path_ / name;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
  return path;
}
