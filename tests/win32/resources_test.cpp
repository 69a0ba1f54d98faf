#include "package/win_Resources.h"

#include <gtest/gtest.h>

#include "tests/win32/win32_test_support.h"

TEST(ReadResource, MissingResourceGivesFalse) {
  Bytes data = "stale";
  EXPECT_FALSE(ReadResource(GetModuleHandleA(nullptr), "NOSUCHRESOURCE", kPayloadType, data));
  EXPECT_TRUE(data.empty());
}

namespace {

// The whole resource in one read.
std::string_view ReadWhole(const TRawResource& raw) {
  std::string_view piece;
  EXPECT_TRUE(raw.read(0, raw.size, piece));
  return piece;
}

}  // namespace

// The running program's own resource (here the folder picker's dialog), read
// from its file: the same bytes, not the mapped ones.
TEST(ModuleFile, ReadsTheRunningProgramsResourceFromItsFile) {
  std::string_view view;
  ASSERT_TRUE(ViewResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(900), RT_DIALOG, view));
  TModuleFile file(GetModuleHandleA(nullptr), ModulePath(nullptr));
  const TRawResource raw = file.Resource(view);
  ASSERT_EQ(raw.size, view.size());
  const std::string_view read = ReadWhole(raw);
  EXPECT_EQ(read, view);
  EXPECT_NE(read.data(), view.data()) << "read from the mapping, not the file";
}

TEST(ModuleFile, FallsBackToTheMappingWhenTheFileCannotBeRead) {
  std::string_view view;
  ASSERT_TRUE(ViewResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(900), RT_DIALOG, view));
  TModuleFile missing(GetModuleHandleA(nullptr), L"C:\\no\\such\\file.exe");
  EXPECT_EQ(ReadWhole(missing.Resource(view)).data(), view.data());

  // Bytes outside every section of the image, such as the headers, are not in a section's file data.
  TModuleFile own(GetModuleHandleA(nullptr), ModulePath(nullptr));
  const std::string_view headers(reinterpret_cast<const char*>(GetModuleHandleA(nullptr)), 64);
  EXPECT_EQ(ReadWhole(own.Resource(headers)).data(), headers.data());
}
