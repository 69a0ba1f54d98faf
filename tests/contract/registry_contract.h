#pragma once
// The rules every IRegistry keeps, written once in registry_contract.cpp and run
// against each implementation: a test program links that file, gives a factory of
// its registry under test and instantiates the suite, e.g.
//   INSTANTIATE_TEST_SUITE_P(TWinRegistry, RegistryContract, ::testing::Values(&MakeRegistryUnderTest));

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <variant>

#include "actions/u_SetupFuncs.h"

// The scratch key below HKEY_CURRENT_USER that the suite works in, and the one
// value it writes on that root itself.
inline constexpr char kContractKey[] = "Software\\SetupTests\\Registry";
inline constexpr char kContractRootValue[] = "SetupTestsRootValue";

// One implementation with a clean scratch area: kContractKey and
// kContractRootValue are gone when it is made and again when it is destroyed.
// Beside the interface it gives raw access below HKEY_CURRENT_USER, as another
// program sees the registry; subKey is a key's path as opened (no leading "\").
class IRegistryUnderTest {
public:
  virtual ~IRegistryUnderTest() = default;
  virtual IRegistry& Registry() = 0;
  // The value's registry type and bytes; nothing when the key or value is missing.
  virtual std::optional<TRegData> Stored(const std::string& subKey, const std::string& name) const = 0;
  // Stores a value with a raw type, creating the key.
  virtual void Store(const std::string& subKey, const std::string& name, const TRegData& data) = 0;
  // The number of values the key holds; nothing when the key is missing.
  virtual std::optional<size_t> ValueCount(const std::string& subKey) const = 0;
};

// Readable failures: a value's type and bytes, a read's text or integer.
inline void PrintTo(const TRegData& data, std::ostream* out) {
  *out << "type " << data.Type << " bytes " << ::testing::PrintToString(data.Data);
}
inline void PrintTo(const TRegValue& value, std::ostream* out) {
  std::visit([out](const auto& v) { *out << ::testing::PrintToString(v); }, value.Value);
}

using RegistryFactory = std::unique_ptr<IRegistryUnderTest> (*)();

class RegistryContract : public ::testing::TestWithParam<RegistryFactory> {
protected:
  void SetUp() override { target_ = GetParam()(); }
  void TearDown() override { target_.reset(); }

  IRegistry& Registry() { return target_->Registry(); }
  // The script key path of a key below the scratch key, with a leading "\" as scripts write it.
  static std::string Path(const std::string& below = "") { return "\\" + std::string(kContractKey) + below; }
  void Write(const std::string& name, const std::string& type, const std::string& value,
             const std::string& below = "") {
    Registry().WriteRegValue(kHKeyCurrentUser, Path(below), name, type, value);
  }
  std::optional<TRegValue> Read(const std::string& name, const std::string& below = "") {
    return Registry().ReadRegValue(kHKeyCurrentUser, Path(below), name);
  }
  std::optional<TRegData> Stored(const std::string& name, const std::string& below = "") const {
    return target_->Stored(kContractKey + below, name);
  }
  void Store(const std::string& name, const TRegData& data) { target_->Store(kContractKey, name, data); }
  std::optional<size_t> ValueCount(const std::string& below = "") const {
    return target_->ValueCount(kContractKey + below);
  }
  bool KeyThere(const std::string& below = "") const { return ValueCount(below).has_value(); }
  std::optional<TRegData> StoredOnRoot() const { return target_->Stored("", kContractRootValue); }

private:
  std::unique_ptr<IRegistryUnderTest> target_;
};
