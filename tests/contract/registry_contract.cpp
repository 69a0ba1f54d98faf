#include "tests/contract/registry_contract.h"

#include <optional>

namespace {

Bytes Dword(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

constexpr uint32_t kRegMultiSz = 7;

}  // namespace

TEST_P(RegistryContract, EveryTypeTagStoresItsTypeAndBytes) {
  Write("Text", "<String>", "C:\\Demo");
  Write("Negative", "<Integer>", "-2");
  Write("Flag", "<Boolean>", "True");
  Write("Raw", "<Binary>", "01 02");
  EXPECT_EQ(Stored("Text"), (TRegData{kRegSz, std::string("C:\\Demo\0", 8)}));
  EXPECT_EQ(Stored("Negative"), (TRegData{kRegDword, Dword(0xFFFFFFFE)}));
  EXPECT_EQ(Stored("Flag"), (TRegData{kRegDword, Dword(1)}));
  EXPECT_EQ(Stored("Raw"), (TRegData{kRegBinary, "01 02"}));
  Write("Text", "<Integer>", "7");
  EXPECT_EQ(Stored("Text"), (TRegData{kRegDword, Dword(7)})) << "written again with its new type";
}

TEST_P(RegistryContract, AutoKeyAndUnknownTypesCreateTheKeysOnly) {
  Write("A", "<AutoKey>", "x", "\\Auto\\Deep");
  Write("B", "<string>", "x", "\\Other");
  EXPECT_EQ(ValueCount("\\Auto\\Deep"), 0u);
  EXPECT_EQ(ValueCount("\\Auto"), 0u);
  EXPECT_EQ(ValueCount("\\Other"), 0u);
}

TEST_P(RegistryContract, DefaultValueIsWrittenAndDeletedAsTheUnnamedValue) {
  Write("(Default Value)", "<String>", "unnamed");
  EXPECT_EQ(Stored(""), (TRegData{kRegSz, std::string("unnamed\0", 8)}));
  EXPECT_EQ(ValueCount(), 1u) << "no value named (Default Value)";
  EXPECT_EQ(Read(""), TRegValue("unnamed"));
  EXPECT_EQ(Read("(Default Value)"), TRegValue("unnamed")) << "read under the name it was written with";
  EXPECT_TRUE(Registry().DeleteRegValue(kHKeyCurrentUser, Path(), "(Default Value)"));
  EXPECT_FALSE(Stored(""));
}

TEST_P(RegistryContract, KeyPathsWithAndWithoutBackslashesNameOneKey) {
  Registry().WriteRegValue(kHKeyCurrentUser, kContractKey + std::string("\\Slashes\\"), "A", "<String>", "1");
  Registry().WriteRegValue(kHKeyCurrentUser, kContractKey + std::string("\\Slashes"), "B", "<String>", "2");
  Registry().WriteRegValue(kHKeyCurrentUser, Path("\\\\Slashes\\\\"), "C", "<String>", "3");
  EXPECT_EQ(ValueCount("\\Slashes"), 3u) << "empty names between backslashes are skipped";
  EXPECT_EQ(Read("B", "\\Slashes\\"), TRegValue("2"));
  EXPECT_TRUE(Registry().KeyExists(kHKeyCurrentUser, Path("\\Slashes\\")));
}

TEST_P(RegistryContract, EmptyKeyPathWritesUnderTheRoot) {
  Registry().WriteRegValue(kHKeyCurrentUser, "", kContractRootValue, "<Integer>", "7");
  EXPECT_EQ(StoredOnRoot(), (TRegData{kRegDword, Dword(7)}));
  EXPECT_EQ(Registry().ReadRegValue(kHKeyCurrentUser, "\\", kContractRootValue), TRegValue(7));
  EXPECT_TRUE(Registry().DeleteRegValue(kHKeyCurrentUser, "\\", kContractRootValue));
  EXPECT_FALSE(StoredOnRoot());
}

TEST_P(RegistryContract, ReadGivesTextIntegersAndNothingElse) {
  Store("Text", {kRegSz, std::string("2.0.0.0\0", 8)});
  Store("Expand", {kRegExpandSz, std::string("%SystemRoot%\\x\0", 15)});
  Store("Minus", {kRegDword, Dword(0xFFFFFFFF)});
  Store("Raw", {kRegBinary, "\x01\x02"});
  Store("Multi", {kRegMultiSz, std::string("a\0b\0\0", 5)});
  EXPECT_EQ(Read("Text"), TRegValue("2.0.0.0"));
  EXPECT_EQ(Read("Expand"), TRegValue("%SystemRoot%\\x")) << "references left unexpanded";
  EXPECT_EQ(Read("Minus"), TRegValue(-1));
  EXPECT_EQ(Read("Raw"), std::nullopt);
  EXPECT_EQ(Read("Multi"), std::nullopt);
  EXPECT_EQ(Read("Missing"), std::nullopt);
  EXPECT_EQ(Read("Text", "\\Missing"), std::nullopt);
}

TEST_P(RegistryContract, KeyExistsForRootsWrittenKeysAndTheKeysAboveThem) {
  EXPECT_FALSE(Registry().KeyExists(kHKeyCurrentUser, Path()));
  Write("V", "<String>", "x", "\\Product\\Deep");
  EXPECT_TRUE(Registry().KeyExists(kHKeyCurrentUser, Path("\\Product\\Deep")));
  EXPECT_TRUE(Registry().KeyExists(kHKeyCurrentUser, Path("\\Product")));
  EXPECT_FALSE(Registry().KeyExists(kHKeyCurrentUser, Path("\\Prod")));
  for (const char* root : {"", "\\"}) EXPECT_TRUE(Registry().KeyExists(kHKeyCurrentUser, root)) << root;
}

TEST_P(RegistryContract, ValueDeletionOfAMissingValueOrKeyIsNoFailure) {
  Write("Gone", "<String>", "x");
  Write("Kept", "<String>", "y");
  EXPECT_TRUE(Registry().DeleteRegValue(kHKeyCurrentUser, Path(), "Gone"));
  EXPECT_TRUE(Registry().DeleteRegValue(kHKeyCurrentUser, Path(), "NeverThere"));
  EXPECT_TRUE(Registry().DeleteRegValue(kHKeyCurrentUser, Path("\\NoSuchKey"), "Kept"));
  EXPECT_FALSE(Stored("Gone"));
  EXPECT_TRUE(Stored("Kept"));
  EXPECT_FALSE(KeyThere("\\NoSuchKey")) << "deleting creates nothing";
}

TEST_P(RegistryContract, DeleteRegKeyRemovesTheWholeSubtreeOnly) {
  for (const char* below : {"\\Product\\A\\A1\\A11", "\\Product\\A\\A2", "\\Product\\B", "\\Product", "\\Sibling",
                            "\\ProductX", "\\Parent\\Child"})
    Write("V", "<String>", "x", below);
  EXPECT_TRUE(Registry().DeleteRegKey(kHKeyCurrentUser, Path("\\Product")));
  EXPECT_FALSE(KeyThere("\\Product"));
  EXPECT_FALSE(KeyThere("\\Product\\A\\A1\\A11"));
  EXPECT_TRUE(KeyThere("\\Sibling"));
  EXPECT_TRUE(KeyThere("\\ProductX")) << "a name that only starts like it";
  EXPECT_TRUE(Registry().DeleteRegKey(kHKeyCurrentUser, Path("\\Product"))) << "missing: nothing to do";
  EXPECT_TRUE(Registry().DeleteRegKey(kHKeyCurrentUser, Path("\\Parent\\Child")));
  EXPECT_TRUE(KeyThere("\\Parent")) << "a key made on the way to another stays when that one goes";
}

TEST_P(RegistryContract, DeleteRegKeyNeverDeletesARoot) {
  Write("V", "<String>", "x");
  EXPECT_TRUE(Registry().DeleteRegKey(kHKeyCurrentUser, ""));
  EXPECT_TRUE(Registry().DeleteRegKey(kHKeyCurrentUser, "\\"));
  EXPECT_EQ(Stored("V"), (TRegData{kRegSz, std::string("x\0", 2)}));
}

TEST_P(RegistryContract, KeyAndValueNamesAreComparedWithoutRegardToAsciiCase) {
  Write("Version", "<String>", "1", "\\Mixed");
  Write("VERSION", "<Integer>", "2", "\\MIXED");
  EXPECT_EQ(ValueCount("\\mixed"), 1u);
  EXPECT_EQ(Stored("version", "\\Mixed"), (TRegData{kRegDword, Dword(2)}));
  EXPECT_EQ(Read("vErSiOn", "\\mIxEd"), TRegValue(2));
  EXPECT_TRUE(Registry().DeleteRegValue(kHKeyCurrentUser, Path("\\MIXED"), "version"));
  EXPECT_EQ(ValueCount("\\Mixed"), 0u);
  EXPECT_TRUE(Registry().KeyExists(kHKeyCurrentUser, Path("\\MiXeD")));
  EXPECT_TRUE(Registry().DeleteRegKey(kHKeyCurrentUser, Path("\\mixed")));
  EXPECT_FALSE(KeyThere("\\Mixed"));
}

TEST_P(RegistryContract, ValueThatCannotBeSetRaisesWithItsRegistryName) {
  const std::string tooLong = Path("\\" + std::string(300, 'k'));  // key names end at 255 characters
  const std::string rooted = "\\" + Path();                        // a key path cannot start with "\"
  for (const std::string& keyPath : {tooLong, rooted}) {
    const auto failure = [&](const std::string& name, const std::string& type) -> std::optional<TMessage> {
      try {
        Registry().WriteRegValue(kHKeyCurrentUser, keyPath, name, type, "1");
      } catch (const ESetupError& error) {
        return error.Message();
      }
      return std::nullopt;
    };
    EXPECT_EQ(failure("Version", "<String>"), (TMessage{TText::FailedToSetData, {"Version"}}));
    EXPECT_EQ(failure("(Default Value)", "<Integer>"), (TMessage{TText::FailedToSetData, {""}}));
    EXPECT_EQ(failure("Version", "<AutoKey>"), std::nullopt) << "no value to set";
    EXPECT_FALSE(Registry().KeyExists(kHKeyCurrentUser, keyPath));
    EXPECT_NO_THROW(Registry().DeleteRegValue(kHKeyCurrentUser, keyPath, "Version"));
    EXPECT_TRUE(Registry().DeleteRegKey(kHKeyCurrentUser, keyPath));
    EXPECT_EQ(Registry().ReadRegValue(kHKeyCurrentUser, keyPath, "Version"), std::nullopt);
  }
}
