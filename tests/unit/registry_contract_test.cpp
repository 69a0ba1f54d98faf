// The registry contract run on the in-memory registry of the unit tests.

#include "tests/contract/registry_contract.h"
#include "tests/unit/fake_system.h"

namespace {

class TFakeRegistryUnderTest final : public IRegistryUnderTest {
public:
  IRegistry& Registry() override { return registry_; }
  std::optional<TRegData> Stored(const std::string& subKey, const std::string& name) const override {
    const auto values = Values(subKey);
    if (!values) return std::nullopt;
    const auto value = values->find(name);
    return value == values->end() ? std::nullopt : std::optional(value->second);
  }
  void Store(const std::string& subKey, const std::string& name, const TRegData& data) override {
    registry_.Put(kHKeyCurrentUser, subKey, name, data);
  }
  std::optional<size_t> ValueCount(const std::string& subKey) const override {
    const auto values = Values(subKey);
    return values ? std::optional(values->size()) : std::nullopt;
  }

private:
  const FakeRegistry::Values* Values(const std::string& subKey) const {
    const auto key = registry_.keys.find(FakeRegistry::KeyOf(kHKeyCurrentUser, subKey));
    return key == registry_.keys.end() ? nullptr : &key->second;
  }

  FakeRegistry registry_;
};

std::unique_ptr<IRegistryUnderTest> MakeFakeRegistry() { return std::make_unique<TFakeRegistryUnderTest>(); }

}  // namespace

INSTANTIATE_TEST_SUITE_P(Fake, RegistryContract, ::testing::Values(&MakeFakeRegistry));
