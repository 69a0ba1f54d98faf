#include "package/win_Resources.h"

#include <gtest/gtest.h>

#include "tests/win32/win32_test_support.h"

TEST(ReadResource, MissingResourceFailsNamingIt) {
  const TOutcome<Bytes> named = ReadResource(GetModuleHandleA(nullptr), "NOSUCHRESOURCE", kPayloadType);
  ASSERT_FALSE(named);
  const DWORD code = named.Failure().Code();
  EXPECT_TRUE(code == ERROR_RESOURCE_TYPE_NOT_FOUND || code == ERROR_RESOURCE_NAME_NOT_FOUND) << code;
  EXPECT_EQ(named.Failure().Item(), "NOSUCHRESOURCE");
  EXPECT_FALSE(named.Failure().Reason().empty());
  const TOutcome<std::string_view> numbered = ViewResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(4711), RT_DIALOG);
  ASSERT_FALSE(numbered);
  EXPECT_EQ(numbered.Failure().Item(), "#4711");
}

namespace {

// The whole resource in one read.
std::string_view ReadWhole(const TRawResource& raw) {
  const TOutcome<std::string_view> piece = raw.read(0, raw.size);
  EXPECT_TRUE(piece) << piece.Failure().Reason();
  return piece ? *piece : std::string_view();
}

}  // namespace

// The running program's own resource (here the folder picker's dialog), read
// from its file: the same bytes, not the mapped ones.
TEST(ModuleFile, ReadsTheRunningProgramsResourceFromItsFile) {
  const TOutcome<std::string_view> dialog = ViewResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(900), RT_DIALOG);
  ASSERT_TRUE(dialog);
  const std::string_view view = *dialog;
  TModuleFile file(GetModuleHandleA(nullptr), ModulePath(nullptr));
  const TRawResource raw = file.Resource(view);
  ASSERT_EQ(raw.size, view.size());
  const std::string_view read = ReadWhole(raw);
  EXPECT_EQ(read, view);
  EXPECT_NE(read.data(), view.data()) << "read from the mapping, not the file";
}

TEST(ModuleFile, FallsBackToTheMappingWhenTheFileCannotBeRead) {
  const TOutcome<std::string_view> dialog = ViewResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(900), RT_DIALOG);
  ASSERT_TRUE(dialog);
  const std::string_view view = *dialog;
  TModuleFile missing(GetModuleHandleA(nullptr), L"C:\\no\\such\\file.exe");
  EXPECT_EQ(ReadWhole(missing.Resource(view)).data(), view.data());

  // Bytes outside every section of the image, such as the headers, are not in a section's file data.
  TModuleFile own(GetModuleHandleA(nullptr), ModulePath(nullptr));
  const std::string_view headers(reinterpret_cast<const char*>(GetModuleHandleA(nullptr)), 64);
  EXPECT_EQ(ReadWhole(own.Resource(headers)).data(), headers.data());
}

// A file that ends before the resource it should hold is damage, not a
// failure of the system's (which would be told as its reason).
TEST(ModuleFile, AFileShorterThanTheResourceIsDamage) {
  const TOutcome<std::string_view> dialog = ViewResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(900), RT_DIALOG);
  ASSERT_TRUE(dialog);
  const TScratchFolder scratch;
  PutFile(scratch / "short.exe", "MZ");
  TModuleFile truncated(GetModuleHandleA(nullptr), AnsiToWide(scratch / "short.exe"));
  EXPECT_EQ(truncated.Resource(*dialog).read(0, dialog->size()).Failure().Code(), kErrorDamagedPayload);
}
