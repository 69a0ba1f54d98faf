#include "actions/win_Registry.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <optional>

#include "actions/win_API.h"
#include "tests/contract/registry_contract.h"
#include "tests/win32/win32_test_support.h"

namespace {

unique_hkey OpenTestKey(const std::string& subKey, REGSAM access) {
  unique_hkey key;
  RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, access, key.put());
  return key;
}

// The Windows registry with the contract's scratch key below HKEY_CURRENT_USER.
class TWinRegistryUnderTest final : public IRegistryUnderTest {
public:
  TWinRegistryUnderTest() { Clean(); }
  ~TWinRegistryUnderTest() override { Clean(); }

  IRegistry& Registry() override { return registry_; }
  std::optional<TRegData> Stored(const std::string& subKey, const std::string& name) const override {
    const unique_hkey key = OpenTestKey(subKey, KEY_QUERY_VALUE);
    DWORD type = 0, size = 0;
    if (!key || RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    TRegData value{type, Bytes(size, '\0')};
    RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.Data.data()), &size);
    return value;
  }
  void Store(const std::string& subKey, const std::string& name, const TRegData& data) override {
    unique_hkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key.get(), name.c_str(), 0, data.Type, reinterpret_cast<const BYTE*>(data.Data.data()),
                   DWORD(data.Data.size()));
  }
  std::optional<size_t> ValueCount(const std::string& subKey) const override {
    const unique_hkey key = OpenTestKey(subKey, KEY_READ);
    DWORD values = 0;
    if (!key || RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                 nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return std::nullopt;
    return values;
  }

private:
  static void Clean() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kContractKey);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, nullptr, kContractRootValue);
  }

  TWinRegistry registry_;
};

std::unique_ptr<IRegistryUnderTest> MakeWinRegistry() { return std::make_unique<TWinRegistryUnderTest>(); }

// The cases only the Windows registry can show, in the contract's scratch key.
class Registry : public ::testing::Test {
protected:
  static std::string Path(const std::string& below = "") { return "\\" + std::string(kContractKey) + below; }
  void Write(const std::string& name, const std::string& type, const std::string& value,
             const std::string& below = "") {
    registry.WriteRegValue(kHKeyCurrentUser, Path(below), name, type, value);
  }

  TWinRegistryUnderTest target;
  IRegistry& registry = target.Registry();
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Windows, RegistryContract, ::testing::Values(&MakeWinRegistry));

TEST(RootKeyHandle, PredefinedKeysBySignExtension) {
  EXPECT_EQ(RootKeyHandle(kHKeyClassesRoot), HKEY_CLASSES_ROOT);
  EXPECT_EQ(RootKeyHandle(kHKeyCurrentUser), HKEY_CURRENT_USER);
  EXPECT_EQ(RootKeyHandle(kHKeyLocalMachine), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootKeyHandle(kHKeyDynData), HKEY_DYN_DATA);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(RootKeyHandle(kHKeyUsers)), 0xFFFFFFFF80000003ull);
}

TEST_F(Registry, NonAsciiNamesAndDataInTheAnsiCodePage) {
  const std::string below = "\\Caf\xe9";
  Write("N\xe4me", "<String>", "Gr\xfc\xdf" "e");
  Write("N\xe4me", "<String>", "x", below);
  unique_hkey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, AnsiToWide(kContractKey + below).c_str(), 0, KEY_READ, key.put()),
            ERROR_SUCCESS);
  key.reset();
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, AnsiToWide(kContractKey).c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
  wchar_t data[64] = {};
  DWORD size = sizeof data, type = 0;
  ASSERT_EQ(RegQueryValueExW(key.get(), AnsiToWide("N\xe4me").c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                             &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(std::wstring(data), AnsiToWide("Gr\xfc\xdf" "e"));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path(), "N\xe4me"), TRegValue("Gr\xfc\xdf" "e"));
}

TEST_F(Registry, KeyWithoutAccessExistsButCannotBeReadWrittenOrEmptied) {
  Write("Version", "<String>", "1", "\\Locked");
  const std::string locked = kContractKey + std::string("\\Locked");
  {
    const unique_hkey key = OpenTestKey(locked, WRITE_DAC);
    ASSERT_TRUE(key);
    // Read access for everyone, nothing more.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor,
                                                                     nullptr));
    const LSTATUS status = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    ASSERT_EQ(status, ERROR_SUCCESS);
  }
  if (OpenTestKey(locked, KEY_ALL_ACCESS)) GTEST_SKIP() << "this registry does not enforce key security";
  EXPECT_TRUE(registry.KeyExists(kHKeyCurrentUser, Path("\\Locked")));
  EXPECT_EQ(registry.ReadRegValue(kHKeyCurrentUser, Path("\\Locked"), "Version"), std::nullopt);
  EXPECT_THROW(registry.WriteRegValue(kHKeyCurrentUser, Path("\\Locked"), "Version", "<String>", "2"), ESetupError);
  EXPECT_FALSE(registry.DeleteRegValue(kHKeyCurrentUser, Path("\\Locked"), "Version")) << "the value stays";
}
