#include "actions/win_Registry.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <optional>

#include "actions/win_API.h"
#include "tests/win32/win32_test_support.h"

namespace {

constexpr char kTestKey[] = "Software\\SetupTests\\Registry";

std::optional<TRegData> StoredValue(HKEY root, const std::string& subKey, const std::string& name) {
  unique_hkey key;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  TRegData value{type, Bytes(size, '\0')};
  RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.Data.data()), &size);
  return value;
}

bool KeyThere(HKEY root, const std::string& subKey) {
  unique_hkey key;
  return RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

DWORD ValueCount(HKEY root, const std::string& subKey) {
  unique_hkey key;
  DWORD values = 0;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
    RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
  return values;
}

void Store(const std::string& subKey, const std::string& name, DWORD type, const Bytes& data) {
  unique_hkey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
}

Bytes Dword(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

class Registry : public ::testing::Test {
protected:
  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }

  static std::string Path(const std::string& below = "") { return "\\" + std::string(kTestKey) + below; }
  std::optional<TRegData> Stored(const std::string& name, const std::string& below = "") const {
    return StoredValue(HKEY_CURRENT_USER, kTestKey + below, name);
  }
  void Write(const std::string& name, const std::string& type, const std::string& value,
             const std::string& below = "") {
    registry.WriteRegValue(kHKeyCurrentUser, Path(below), name, type, value);
  }

  TWinRegistry registry;
};

}  // namespace

TEST(RootKeyHandle, PredefinedKeysBySignExtension) {
  EXPECT_EQ(RootKeyHandle(kHKeyClassesRoot), HKEY_CLASSES_ROOT);
  EXPECT_EQ(RootKeyHandle(kHKeyCurrentUser), HKEY_CURRENT_USER);
  EXPECT_EQ(RootKeyHandle(kHKeyLocalMachine), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootKeyHandle(kHKeyDynData), HKEY_DYN_DATA);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(RootKeyHandle(kHKeyUsers)), 0xFFFFFFFF80000003ull);
}

TEST_F(Registry, EveryTypeTagStoresItsTypeAndBytes) {
  Write("Text", "<String>", "C:\\Demo");
  Write("Number", "<Integer>", "$FFFFFFFF");
  Write("Negative", "<Integer>", "-2");
  Write("NotANumber", "<Integer>", "12abc");
  Write("Flag", "<Boolean>", "True");
  Write("NoFlag", "<Boolean>", "true");
  Write("Raw", "<Binary>", "01 02");
  EXPECT_EQ(Stored("Text"), (TRegData{REG_SZ, std::string("C:\\Demo\0", 8)}));
  EXPECT_EQ(Stored("Number"), (TRegData{REG_DWORD, Dword(0xFFFFFFFF)}));
  EXPECT_EQ(Stored("Negative"), (TRegData{REG_DWORD, Dword(0xFFFFFFFE)}));
  EXPECT_EQ(Stored("NotANumber"), (TRegData{REG_DWORD, Dword(0)}));
  EXPECT_EQ(Stored("Flag"), (TRegData{REG_DWORD, Dword(1)}));
  EXPECT_EQ(Stored("NoFlag"), (TRegData{REG_DWORD, Dword(0)}));
  EXPECT_EQ(Stored("Raw"), (TRegData{REG_BINARY, "01 02"}));
}

TEST_F(Registry, AutoKeyAndUnknownTypesCreateTheKeysOnly) {
  Write("A", "<AutoKey>", "x", "\\Auto\\Deep");
  Write("B", "<string>", "x", "\\Other");
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, kTestKey + std::string("\\Auto\\Deep")));
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, kTestKey + std::string("\\Other")));
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, kTestKey + std::string("\\Auto\\Deep")), 0u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, kTestKey + std::string("\\Other")), 0u);
}

TEST_F(Registry, DefaultValueIsWrittenAndDeletedAsTheUnnamedValue) {
  Write("(Default Value)", "<String>", "unnamed");
  EXPECT_EQ(Stored(""), (TRegData{REG_SZ, std::string("unnamed\0", 8)}));
  EXPECT_FALSE(Stored("(Default Value)"));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), ""), TRegValue("unnamed"));
  registry.DeleteRegValue(kHKeyCurrentUser, Path(), "(Default Value)");
  EXPECT_FALSE(Stored(""));
}

TEST_F(Registry, KeyPathsWithAndWithoutBackslashesNameOneKey) {
  registry.WriteRegValue(kHKeyCurrentUser, kTestKey + std::string("\\Slashes\\"), "A", "<String>", "1");
  registry.WriteRegValue(kHKeyCurrentUser, kTestKey + std::string("\\Slashes"), "B", "<String>", "2");
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, kTestKey + std::string("\\Slashes")), 2u);
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path("\\Slashes\\"), "B"), TRegValue("2"));
}

TEST_F(Registry, EmptyKeyPathWritesUnderTheRoot) {
  registry.WriteRegValue(kHKeyCurrentUser, "", "SetupTestsRootValue", "<Integer>", "7");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, "", "SetupTestsRootValue"), (TRegData{REG_DWORD, Dword(7)}));
  registry.DeleteRegValue(kHKeyCurrentUser, "\\", "SetupTestsRootValue");
  EXPECT_FALSE(StoredValue(HKEY_CURRENT_USER, "", "SetupTestsRootValue"));
}

TEST_F(Registry, ReadGivesTextIntegersAndNothingElse) {
  const std::string key = kTestKey;
  Store(key, "Text", REG_SZ, std::string("2.0.0.0\0", 8));
  Store(key, "Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15));
  Store(key, "Number", REG_DWORD, Dword(5));
  Store(key, "Minus", REG_DWORD, Dword(0xFFFFFFFF));
  Store(key, "Raw", REG_BINARY, "\x01\x02");
  Store(key, "Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), "Text"), TRegValue("2.0.0.0"));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), "Expand"), TRegValue("%SystemRoot%\\x"));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), "Number").AsText(), "5");
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), "Minus"), TRegValue(-1));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), "Raw"), TRegValue());
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), "Multi"), TRegValue());
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), "Missing"), TRegValue());
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path("\\Missing"), "Text"), TRegValue());
}

TEST_F(Registry, KeyExistsAndValueDeletion) {
  EXPECT_FALSE(registry.KeyExists(kHKeyCurrentUser, Path()));
  Write("Gone", "<String>", "x");
  Write("Kept", "<String>", "y");
  EXPECT_TRUE(registry.KeyExists(kHKeyCurrentUser, Path()));
  EXPECT_TRUE(registry.KeyExists(kHKeyCurrentUser, Path() + "\\"));
  registry.DeleteRegValue(kHKeyCurrentUser, Path(), "Gone");
  registry.DeleteRegValue(kHKeyCurrentUser, Path(), "NeverThere");
  registry.DeleteRegValue(kHKeyCurrentUser, Path("\\NoSuchKey"), "Kept");
  EXPECT_FALSE(Stored("Gone"));
  EXPECT_TRUE(Stored("Kept"));
  EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, kTestKey + std::string("\\NoSuchKey"))) << "deleting creates nothing";
}

TEST_F(Registry, DeleteRegKeyRemovesTheWholeSubtreeOnly) {
  for (const char* below : {"\\Product\\A\\A1\\A11", "\\Product\\A\\A2", "\\Product\\B", "\\Product", "\\Sibling"})
    Write("V", "<String>", "x", below);
  registry.DeleteRegKey(kHKeyCurrentUser, Path("\\Product"));
  EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, kTestKey + std::string("\\Product")));
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, kTestKey + std::string("\\Sibling")));
  registry.DeleteRegKey(kHKeyCurrentUser, Path("\\Product"));  // missing: nothing happens
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, kTestKey));
}

TEST_F(Registry, DeleteRegKeyNeverDeletesARoot) {
  Write("V", "<String>", "x");
  registry.DeleteRegKey(kHKeyCurrentUser, "");
  registry.DeleteRegKey(kHKeyCurrentUser, "\\");
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, kTestKey));
}

TEST_F(Registry, ValueThatCannotBeSetRaisesWithItsName) {
  const std::string tooLong = Path("\\" + std::string(300, 'k'));  // key names end at 255 characters
  try {
    registry.WriteRegValue(kHKeyCurrentUser, tooLong, "Version", "<String>", "1");
    FAIL() << "no error raised";
  } catch (const ESetupError& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'Version'");
  }
  try {
    registry.WriteRegValue(kHKeyCurrentUser, tooLong, "(Default Value)", "<Integer>", "1");
    FAIL() << "no error raised";
  } catch (const ESetupError& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for ''");
  }
  EXPECT_NO_THROW(registry.WriteRegValue(kHKeyCurrentUser, tooLong, "Version", "<AutoKey>", "1"));
  EXPECT_NO_THROW(registry.DeleteRegValue(kHKeyCurrentUser, tooLong, "Version"));
  EXPECT_NO_THROW(registry.DeleteRegKey(kHKeyCurrentUser, tooLong));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, tooLong, "Version"), TRegValue());
}

TEST_F(Registry, NonAsciiNamesAndDataInTheAnsiCodePage) {
  const std::string below = "\\Caf\xe9";
  Write("N\xe4me", "<String>", "Gr\xfc\xdf" "e");
  Write("N\xe4me", "<String>", "x", below);
  unique_hkey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, AnsiToWide(kTestKey + below).c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
  key.reset();
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, AnsiToWide(kTestKey).c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
  wchar_t data[64] = {};
  DWORD size = sizeof data, type = 0;
  ASSERT_EQ(RegQueryValueExW(key.get(), AnsiToWide("N\xe4me").c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(std::wstring(data), AnsiToWide("Gr\xfc\xdf" "e"));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), "N\xe4me"), TRegValue("Gr\xfc\xdf" "e"));
}

TEST_F(Registry, KeyWithoutAccessExistsButCannotBeReadOrWritten) {
  Write("Version", "<String>", "1", "\\Locked");
  const std::string locked = kTestKey + std::string("\\Locked");
  {
    unique_hkey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, locked.c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS);
    // Read access for everyone, nothing more.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor,
                                                                     nullptr));
    const LSTATUS status = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    ASSERT_EQ(status, ERROR_SUCCESS);
  }
  unique_hkey probe;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, locked.c_str(), 0, KEY_ALL_ACCESS, probe.put()) == ERROR_SUCCESS)
    GTEST_SKIP() << "this registry does not enforce key security";
  EXPECT_TRUE(registry.KeyExists(kHKeyCurrentUser, Path("\\Locked")));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path("\\Locked"), "Version"), TRegValue());
  EXPECT_THROW(registry.WriteRegValue(kHKeyCurrentUser, Path("\\Locked"), "Version", "<String>", "2"), ESetupError);
}
