// The wizard's text table as the setup program carries it, after packing: the
// compiled UTF-16 strings, not their source.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "actions/win_API.h"
#include "setup/u_SetupTexts.h"

namespace {

std::wstring LoadText(HMODULE module, UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, size_t(length)) : std::wstring();
}

}  // namespace

TEST(PackedInstallerTexts, BothLanguagesAsUtf16) {
  const char* installer = std::getenv("VELK_PACKED_INSTALLER");
  if (!installer) GTEST_SKIP() << "VELK_PACKED_INSTALLER not set";
  const unique_module module(LoadLibraryExA(installer, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module);
  EXPECT_EQ(LoadText(module.get(), 0), L"\"%s\" Setup Wizard");
  EXPECT_EQ(LoadText(module.get(), 32), L"Copying file: ");
  EXPECT_EQ(LoadText(module.get(), 1002), L"&\u0414\u0430\u043b\u0435\u0435 >");  // "&Далее >"
  EXPECT_EQ(LoadText(module.get(), 1056).front(), L'\u0411');
  EXPECT_EQ(LoadText(module.get(), kTextCount), L"") << "no text past the last one";
}
