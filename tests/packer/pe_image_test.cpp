#include "packer/c_PeImage.h"

#include <gtest/gtest.h>

#include "packer/u_LittleEndian.h"
#include "packer/u_PackError.h"
#include "packer/u_Files.h"
#include "pe_fixture.h"

namespace {

const TResourceId kPayload = Named(u"VELKSETUP");

// What a packer adds to a stub: payload names in an order unlike the sorted one,
// a name that is a prefix of another, a non-ASCII name and the top logo.
TResourceTree WithPayload(TResourceTree tree) {
  for (const auto* name : {u"SETUPINFO", u"README.TXT", u"LICINFO", u"README", u"ÉTÉ.TXT", u"ZZ", u"A"})
    tree.Set(kPayload, Named(name), 0, {PackResource(ToString(Named(name))), 0});
  tree.Set(kPayload, Named(u"BIG"), 0, {Bytes(100000, 'b'), 0});
  tree.Set(TResourceId::Number(kBitmapType), Named(u"TOPLOGO"), 0, {Bytes(41, 'p'), 0});
  return tree;
}

uint32_t Field(const Bytes& file, size_t offsetInOptionalHeader) {
  return Read32(file, Read32(file, 0x3C) + 24 + offsetInOptionalHeader);
}

const TPeSection& SectionNamed(const TPeImage& image, const std::string& name) {
  for (const auto& s : image.Sections())
    if (s.name == name) return s;
  throw std::runtime_error("no section " + name);
}

void ExpectRefused(const Bytes& file, const std::string& reason) {
  try {
    TPeImage image(file);
    image.WithResources(image.Resources());
    ADD_FAILURE() << "accepted; expected: " << reason;
  } catch (const TPackError& e) {
    EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
  }
}

}  // namespace

class PeImageShapes : public testing::TestWithParam<bool> {};

TEST_P(PeImageShapes, AddedResourcesAreFoundByTheLoaderAndTheStubKeepsItsOwn) {
  const Bytes stub = MakeImage(StubResources(), {.pe32Plus = GetParam()});
  const TPeImage image(stub);
  EXPECT_EQ(image.IsPe32Plus(), GetParam());
  const TResourceTree tree = WithPayload(image.Resources());
  const Bytes packed = image.WithResources(tree).ToBytes();

  for (const auto& [type, names] : tree.Types())
    for (const auto& [name, languages] : names) {
      const auto found = FindLikeLoader(packed, type, name);
      ASSERT_TRUE(found) << ToString(type) << "/" << ToString(name);
      EXPECT_EQ(*found, languages.begin()->second.bytes) << ToString(name);
    }
  EXPECT_FALSE(FindLikeLoader(packed, kPayload, Named(u"README.TX")));
  EXPECT_FALSE(FindLikeLoader(packed, kPayload, Named(u"readme.txt")));  // the loader upper-cases first

  const TPeImage reparsed(packed);
  EXPECT_EQ(reparsed.Resources().Types().size(), tree.Types().size());
  EXPECT_EQ(reparsed.Resources().Find(TResourceId::Number(3), TResourceId::Number(1))->codePage, 1252u);
}

TEST_P(PeImageShapes, RelocationsMoveBehindTheGrownResourcesAndTheHeadersAgree) {
  const Bytes stub = MakeImage(StubResources(), {.pe32Plus = GetParam()});
  const TPeImage image(stub);
  const Bytes packed = image.WithResources(WithPayload(image.Resources())).ToBytes();
  const TPeImage result(packed);

  const TPeSection &oldRsrc = SectionNamed(image, ".rsrc"), &rsrc = SectionNamed(result, ".rsrc");
  const TPeSection &oldReloc = SectionNamed(image, ".reloc"), &reloc = SectionNamed(result, ".reloc");
  EXPECT_EQ(rsrc.virtualAddress, oldRsrc.virtualAddress);
  EXPECT_EQ(rsrc.rawPointer, AlignUp(oldRsrc.rawPointer, 0x1000));  // mapped from a page of its own
  EXPECT_EQ(rsrc.rawSize, AlignUp(rsrc.virtualSize, 0x200));
  EXPECT_EQ(reloc.virtualAddress, AlignUp(rsrc.virtualAddress + rsrc.virtualSize, 0x1000));
  EXPECT_EQ(reloc.rawPointer, rsrc.rawPointer + rsrc.rawSize);
  EXPECT_EQ(packed.substr(reloc.rawPointer, reloc.rawSize), stub.substr(oldReloc.rawPointer, oldReloc.rawSize));
  EXPECT_EQ(packed.size(), size_t(reloc.rawPointer) + reloc.rawSize);

  const size_t directories = GetParam() ? 112 : 96;
  EXPECT_EQ(Field(packed, directories + 8 * 2 + 4), rsrc.virtualSize);
  EXPECT_EQ(Field(packed, directories + 8 * 5), reloc.virtualAddress);
  EXPECT_EQ(Field(packed, 56), AlignUp(reloc.virtualAddress + reloc.virtualSize, 0x1000));  // SizeOfImage
  EXPECT_EQ(Field(packed, 8), Field(stub, 8) + rsrc.rawSize - oldRsrc.rawSize);          // SizeOfInitializedData
  EXPECT_EQ(result.CheckSumField(), result.ComputedCheckSum());
  EXPECT_NE(result.CheckSumField(), 0u);
  // Everything before the resource section is the stub's, headers aside, then zeros up to the page.
  const size_t headers = 0x200;
  EXPECT_EQ(packed.substr(headers, oldRsrc.rawPointer - headers), stub.substr(headers, oldRsrc.rawPointer - headers));
  EXPECT_EQ(packed.substr(oldRsrc.rawPointer, rsrc.rawPointer - oldRsrc.rawPointer),
            Bytes(rsrc.rawPointer - oldRsrc.rawPointer, '\0'));
  EXPECT_EQ(Read32(packed, kPeOffset + 8), 0x12345678u);
}

TEST_P(PeImageShapes, ASmallerPayloadShrinksTheImageAgain) {
  const TPeImage image(MakeImage(StubResources(), {.pe32Plus = GetParam()}));
  const TPeImage big(image.WithResources(WithPayload(image.Resources())).ToBytes());
  const Bytes shrunk = big.WithResources(StubResources()).ToBytes();
  EXPECT_EQ(shrunk, image.WithResources(StubResources()).ToBytes());
  EXPECT_LT(shrunk.size(), big.File().size());
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeImageShapes, testing::Bool(),
                         [](const auto& info) { return info.param ? "Pe32Plus" : "Pe32"; });

TEST(PeChecksum, SumsWordsWithFoldedCarriesPlusLength) {
  EXPECT_EQ(PeChecksum({std::string_view("\x01\x02\x03", 3)}), 0x0201u + 0x0003u + 3u);
  EXPECT_EQ(PeChecksum({std::string_view("\xFF\xFF", 2), std::string_view("\x02\x00", 2)}), 0x0002u + 4u);
  // Pieces of odd length continue the word where the previous one stopped.
  EXPECT_EQ(PeChecksum({std::string_view("\x01", 1), std::string_view("\x02\x03", 2)}), 0x0201u + 0x0003u + 3u);
}

TEST(PeChecksum, MatchesTheLinkersChecksumOfTheRealStub) {
  const auto stub = RealStub();
  if (!stub) GTEST_SKIP() << "no cross-built stub";
  const TPeImage image(ReadWholeFile(*stub));
  ASSERT_NE(image.CheckSumField(), 0u);
  EXPECT_EQ(image.ComputedCheckSum(), image.CheckSumField());
}

TEST(PeImage, TheRealStubKeepsItsResourcesAndTakesAPayload) {
  const auto stub = RealStub();
  if (!stub) GTEST_SKIP() << "no cross-built stub";
  const TPeImage image(ReadWholeFile(*stub));
  const TResourceTree own = image.Resources();
  ASSERT_TRUE(own.Find(TResourceId::Number(24), TResourceId::Number(1)));  // manifest
  ASSERT_TRUE(own.Find(TResourceId::Number(16), TResourceId::Number(1)));  // version
  const TResourceTree tree = WithPayload(own);
  const Bytes packed = image.WithResources(tree).ToBytes();
  for (const auto& [type, names] : tree.Types())
    for (const auto& [name, languages] : names)
      EXPECT_EQ(FindLikeLoader(packed, type, name), languages.begin()->second.bytes) << ToString(name);
  const TPeImage result(packed);
  EXPECT_EQ(result.ComputedCheckSum(), result.CheckSumField());
}

TEST(PeImage, RefusesFilesItCannotRebuildAndSaysWhy) {
  const TResourceTree resources = StubResources();
  ExpectRefused("plain text, not a program", "no MZ header");
  Bytes noSignature = MakeImage(resources);
  noSignature[kPeOffset] = 'X';
  ExpectRefused(noSignature, "no PE signature");
  ExpectRefused(MakeImage(resources).substr(0, 0x300), "lies outside the file");
  ExpectRefused(MakeImage(resources).substr(0, 0x100), "not a valid program file");
  ExpectRefused(MakeImage(resources, {.signature = true}), "signed");
  ExpectRefused(MakeImage(resources, {.overlay = 10}), "10 bytes after its last section");
  ExpectRefused(MakeImage(resources, {.extraSectionAfterResources = true}), "'.data2' follows the resource section");
  Bytes noResources = MakeImage(resources);
  Write32(noResources, kPeOffset + 24 + 112 + 16, 0);
  ExpectRefused(noResources, "no resource section");
}

TEST(PeImage, RefusesAMalformedResourceTree) {
  Bytes file = MakeImage(StubResources());
  const TPeImage image(file);
  const TPeSection& rsrc = SectionNamed(image, ".rsrc");
  // Follow the first entry of each level to the first data entry; point its data past the section.
  const Bytes section = file.substr(rsrc.rawPointer, rsrc.virtualSize);
  const uint32_t typeTable = Read32(section, 16 + 4) & 0x7FFFFFFF;
  const uint32_t languageTable = Read32(section, typeTable + 16 + 4) & 0x7FFFFFFF;
  const uint32_t dataEntry = Read32(section, languageTable + 16 + 4);
  Write32(file, rsrc.rawPointer + dataEntry, rsrc.virtualAddress + 0x100000);
  EXPECT_THROW(TPeImage(file).Resources(), TPackError);
}
