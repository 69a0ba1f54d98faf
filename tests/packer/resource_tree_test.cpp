#include "packer/c_ResourceTree.h"

#include <gtest/gtest.h>

#include "packer/u_LittleEndian.h"
#include "packer/u_PackError.h"
#include "pe_fixture.h"

namespace {

Bytes SectionBytes(const TResourceSection& section) {
  Bytes bytes;
  for (const auto piece : section.Pieces()) bytes += piece;
  return bytes;
}

// The ids of a directory table in stored order, names as UTF-8.
std::vector<std::string> EntryOrder(const Bytes& section, uint32_t table) {
  std::vector<std::string> ids;
  const size_t count = Read16(section, table + 12) + Read16(section, table + 14);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t field = Read32(section, table + 16 + 8 * i);
    if (!(field & 0x80000000)) {
      ids.push_back("#" + std::to_string(field));
      continue;
    }
    std::u16string name;
    const uint32_t at = field & 0x7FFFFFFF;
    for (size_t c = 0; c < Read16(section, at); ++c) name += char16_t(Read16(section, at + 2 + 2 * c));
    ids.push_back(ToString(Named(name)));
  }
  return ids;
}

}  // namespace

TEST(ResourceTree, WritesNamesSortedByCodeUnitsBeforeNumbersAscending) {
  TResourceTree tree;
  for (const auto* name : {u"README.TXT", u"ÉTÉ", u"README", u"B", u"A"}) tree.Set(Named(u"T"), Named(name), 0, {"x", 0});
  for (const uint16_t id : {7, 2, 300}) tree.Set(Named(u"T"), TResourceId::Number(id), 0, {"y", 0});
  tree.Set(TResourceId::Number(24), TResourceId::Number(1), 0, {"m", 0});
  tree.Set(Named(u"A TYPE"), TResourceId::Number(1), 0, {"t", 0});
  const Bytes section = SectionBytes(tree.Build(0x3000));

  EXPECT_EQ(EntryOrder(section, 0), (std::vector<std::string>{"A TYPE", "T", "#24"}));
  const uint32_t typeT = Read32(section, 16 + 8 + 4) & 0x7FFFFFFF;
  EXPECT_EQ(EntryOrder(section, typeT),
            (std::vector<std::string>{"A", "B", "README", "README.TXT", "ÉTÉ", "#2", "#7", "#300"}));
  EXPECT_EQ(Read16(section, typeT + 12), 5);  // named entries
  EXPECT_EQ(Read16(section, typeT + 14), 3);  // numbered entries
  EXPECT_EQ(Read32(section, 4), 0u);          // no time stamp: same input, same bytes
}

TEST(ResourceTree, ParseReadsBackWhatBuildWrote) {
  TResourceTree tree = StubResources();
  tree.Set(Named(u"VELKSETUP"), Named(u"SETUPINFO"), 0, {Bytes(1001, 's'), 0});
  tree.Set(Named(u"VELKSETUP"), Named(u"EMPTY"), 0, {"", 0});
  tree.Set(TResourceId::Number(6), TResourceId::Number(1), 1049, {"russian", 0});
  tree.Set(TResourceId::Number(6), TResourceId::Number(1), 1033, {"english", 0});
  const TResourceSection built = tree.Build(0x7000);
  const Bytes section = SectionBytes(built);
  EXPECT_EQ(section.size(), built.Size());
  EXPECT_EQ(section.size() % 8, 0u);

  const TResourceTree parsed = TResourceTree::Parse(section, 0x7000);
  ASSERT_EQ(parsed.Types().size(), tree.Types().size());
  for (const auto& [type, names] : tree.Types())
    for (const auto& [name, languages] : names)
      for (const auto& [language, data] : languages) {
        const auto& read = parsed.Types().at(type).at(name).at(language);
        EXPECT_EQ(read.bytes, data.bytes);
        EXPECT_EQ(read.codePage, data.codePage);
      }
  // Rebuilding what was read gives the same bytes.
  EXPECT_EQ(SectionBytes(parsed.Build(0x7000)), section);
}

TEST(ResourceTree, RemoveTakesAWholeTypeOrOneName) {
  TResourceTree tree = StubResources();
  tree.Set(Named(u"VELKSETUP"), Named(u"OLD"), 0, {"o", 0});
  tree.Set(TResourceId::Number(2), Named(u"TOPLOGO"), 0, {"l", 0});
  tree.Set(TResourceId::Number(2), TResourceId::Number(5), 0, {"other", 0});
  tree.Remove(Named(u"VELKSETUP"));
  tree.Remove(TResourceId::Number(2), Named(u"TOPLOGO"));
  EXPECT_FALSE(tree.Find(Named(u"VELKSETUP"), Named(u"OLD")));
  EXPECT_FALSE(tree.Find(TResourceId::Number(2), Named(u"TOPLOGO")));
  EXPECT_TRUE(tree.Find(TResourceId::Number(2), TResourceId::Number(5)));
  EXPECT_TRUE(tree.Find(TResourceId::Number(24), TResourceId::Number(1)));
}

TEST(ResourceTree, RejectsTruncatedOrInconsistentSections) {
  const Bytes section = SectionBytes(StubResources().Build(0x1000));
  EXPECT_THROW(TResourceTree::Parse(section.substr(0, 40), 0x1000), TPackError);
  EXPECT_THROW(TResourceTree::Parse(section, 0x2000), TPackError);  // data RVAs before the section
  Bytes leafAtTop = section;
  Write32(leafAtTop, 16 + 4, Read32(section, 16 + 4) & 0x7FFFFFFF);  // type entry without its directory bit
  EXPECT_THROW(TResourceTree::Parse(leafAtTop, 0x1000), TPackError);
}

// Tables referred to from many entries: a tree of a few hundred kilobytes
// whose every type shares one name table, whose every name shares one empty
// language table and one long name, would be walked for billions of steps.
TEST(ResourceTree, RejectsSharedTablesThatMultiplyTheWork) {
  constexpr size_t kEntries = 20000, kNameLength = 1000;
  const size_t nameTable = 16 + 8 * kEntries, emptyTable = nameTable + 16 + 8 * kEntries, name = emptyTable + 16;
  Bytes section(name + 2 + 2 * kNameLength, 'a');
  for (const size_t table : {size_t(0), nameTable, emptyTable}) {
    Write32(section, table, 0);
    Write32(section, table + 4, 0);
    Write32(section, table + 8, 0);
    Write16(section, table + 12, table == emptyTable ? 0 : uint16_t(kEntries));
    Write16(section, table + 14, 0);
  }
  for (size_t i = 0; i < kEntries; ++i) {
    Write32(section, 16 + 8 * i, 0x80000000 | uint32_t(name));
    Write32(section, 16 + 8 * i + 4, 0x80000000 | uint32_t(nameTable));
    Write32(section, nameTable + 16 + 8 * i, 0x80000000 | uint32_t(name));
    Write32(section, nameTable + 16 + 8 * i + 4, 0x80000000 | uint32_t(emptyTable));
  }
  Write16(section, name, kNameLength);
  EXPECT_THROW(TResourceTree::Parse(section, 0x1000), TPackError);
}
