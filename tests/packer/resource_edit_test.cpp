#include "tests/packer/u_ResourceEdit.h"

#include <gtest/gtest.h>

#include "packer/u_PackError.h"
#include "pe_fixture.h"

namespace {

const TResourceId kPayload = Named(u"VELKSETUP");
const TResourceId kBitmap = TResourceId::Number(kBitmapType);

// A stub with its own resources and a small payload, as the packer leaves it.
Bytes PackedInstaller() {
  TResourceTree tree = StubResources();
  tree.Set(kPayload, Named(u"SETUPINFO"), 0, {PackResource("[SetupInfo]"), 0});
  tree.Set(kPayload, Named(u"README.TXT"), 0, {PackResource("read me"), 0});
  tree.Set(kBitmap, Named(u"TOPLOGO"), 0, {Bytes(41, 'p'), 0});
  return MakeImage(tree);
}

}  // namespace

TEST(ResourceEdit, ReplacesOneResourceAndKeepsEveryOther) {
  const Bytes installer = PackedInstaller();
  const Bytes edited = ApplyResourceEdit(installer, {false, "SETUPINFO", Bytes("\x01\x02\x03", 3)});

  EXPECT_EQ(FindLikeLoader(edited, kPayload, Named(u"SETUPINFO")), Bytes("\x01\x02\x03", 3));
  EXPECT_EQ(FindLikeLoader(edited, kPayload, Named(u"README.TXT")), PackResource("read me"));
  EXPECT_EQ(FindLikeLoader(edited, kBitmap, Named(u"TOPLOGO")), Bytes(41, 'p'));
  const TResourceTree stub = StubResources();
  for (const auto& [type, names] : stub.Types())
    for (const auto& [name, languages] : names)
      EXPECT_EQ(FindLikeLoader(edited, type, name), languages.begin()->second.bytes) << ToString(name);
}

TEST(ResourceEdit, RemovesOnlyTheNamedResourceOfTheNamedType) {
  const Bytes installer = PackedInstaller();
  const Bytes noLogo = ApplyResourceEdit(installer, {true, "TOPLOGO", {}});
  EXPECT_FALSE(FindLikeLoader(noLogo, kBitmap, Named(u"TOPLOGO")));
  EXPECT_TRUE(FindLikeLoader(noLogo, kPayload, Named(u"SETUPINFO")));

  const Bytes noFile = ApplyResourceEdit(installer, {false, "README.TXT", {}});
  EXPECT_FALSE(FindLikeLoader(noFile, kPayload, Named(u"README.TXT")));
  EXPECT_TRUE(FindLikeLoader(noFile, kBitmap, Named(u"TOPLOGO")));
}

TEST(ResourceEdit, AnEmptyResourceIsKeptAndReadBackEmpty) {
  const Bytes edited = ApplyResourceEdit(PackedInstaller(), {false, "SETUPINFO", Bytes()});
  EXPECT_EQ(ExtractResource(edited, false, "SETUPINFO"), Bytes());
}

TEST(ResourceEdit, ReadsBackWhatItFindsAndRefusesWhatIsMissing) {
  const Bytes installer = PackedInstaller();
  EXPECT_EQ(ExtractResource(installer, false, "README.TXT"), PackResource("read me"));
  EXPECT_THROW(ExtractResource(installer, true, "SETUPINFO"), TPackError);
  EXPECT_THROW(ApplyResourceEdit(installer, {false, "LICINFO", {}}), TPackError);
  EXPECT_THROW(ApplyResourceEdit(Bytes("MZ not a program"), {false, "SETUPINFO", Bytes("x")}), TPackError);
}
