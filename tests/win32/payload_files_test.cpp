#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "actions/win_SetupFuncs.h"
#include "package/win_Resources.h"
#include "tests/win32/win32_test_support.h"

namespace {

// Bytes that compress, but not to nothing.
std::string Content(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char& byte : bytes) byte = char((state = state * 1103515245 + 12345) >> 28);
  return bytes;
}

class PayloadFiles : public ::testing::Test {
protected:
  TScratchFolder scratch;
  const std::string file = scratch / "demo.bin";
};

}  // namespace

TEST_F(PayloadFiles, UnpackWritesThePackedBytes) {
  const std::string data = Content(3 << 20);
  EXPECT_TRUE(UnpackResourceToFile(file, PackResource(data)));
  EXPECT_EQ(FileBytes(file), data);
}

TEST_F(PayloadFiles, UnpackReplacesALongerFile) {
  PutFile(file, Content(100000));
  EXPECT_TRUE(UnpackResourceToFile(file, PackResource("short")));
  EXPECT_EQ(FileBytes(file), "short");
  EXPECT_TRUE(UnpackResourceToFile(file, PackResource(""))) << "an empty payload is an empty file";
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(FileBytes(file), "");
  EXPECT_TRUE(UnpackResourceToFile(scratch / "new.keep", PackResource("")));
  EXPECT_TRUE(FileExists(scratch / "new.keep"));
}

TEST_F(PayloadFiles, DamagedPayloadTouchesNothing) {
  PutFile(file, "old");
  Bytes corrupt = PackResource(Content(5000));
  corrupt[corrupt.size() / 2] ^= 0x55;
  const Bytes truncated = PackResource(Content(5000)).substr(0, 100);
  for (const Bytes& payload : {corrupt, truncated, Bytes("\x01\x00", 2)}) {
    EXPECT_EQ(UnpackResourceToFile(file, payload).Code(), kErrorDamagedPayload);
    EXPECT_EQ(UnpackResourceToFile(scratch / "new.bin", payload).Code(), kErrorDamagedPayload);
  }
  EXPECT_EQ(FileBytes(file), "old");
  EXPECT_FALSE(FileExists(scratch / "new.bin"));
}

TEST_F(PayloadFiles, ZstdPayloadsWriteTheirBytesOrTouchNothing) {
  const TPayloadCodec zstd{TPayloadFormat::Zstd, {}};
  const std::string data = Content(3 << 20);
  EXPECT_TRUE(UnpackResourceToFile(file, PackZstdResource(data), zstd));
  EXPECT_EQ(FileBytes(file), data);

  PutFile(file, "old");
  Bytes badChecksum = PackZstdResource(Content(5000));
  badChecksum.back() ^= 1;
  std::vector<std::string_view> samples(200, "the same few words in every small file of the product, 0123456789");
  const Bytes dictionary = TrainZstdDictionary(samples, 4096);
  ASSERT_FALSE(dictionary.empty());
  for (const Bytes& payload : {badChecksum, PackZstdResource(Content(3 << 20)).substr(0, 1 << 20),
                               PackZstdResource(Content(5000), dictionary)}) {
    EXPECT_EQ(UnpackResourceToFile(file, payload, zstd).Code(), kErrorDamagedPayload);
    EXPECT_EQ(UnpackResourceToFile(scratch / "new.bin", payload, zstd).Code(), kErrorDamagedPayload);
  }
  EXPECT_EQ(FileBytes(file), "old");
  EXPECT_FALSE(FileExists(scratch / "new.bin"));
}

TEST_F(PayloadFiles, ReadAndWriteRoundTripWithNonAsciiNames) {
  const std::string name = scratch / "D\xe9mo \xc4pp.exe";
  const std::string data = Content(70000);
  EXPECT_TRUE(WriteWholeFile(name, data));
  const TOutcome<Bytes> read = ReadWholeFile(AnsiToWide(name));
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, data);
}

TEST_F(PayloadFiles, CopyOfTheRunningProgramIsExact) {
  const std::string own = OwnFileName();
  const TOutcome<Bytes> program = ReadWholeFile(ModulePath(nullptr));
  ASSERT_TRUE(program);
  EXPECT_TRUE(WriteWholeFile(scratch / "uninstall.exe", *program));
  EXPECT_EQ(FileBytes(scratch / "uninstall.exe"), FileBytes(own));
}

TEST_F(PayloadFiles, EmptyDataNeitherCreatesNorTruncates) {
  PutFile(file, "old");
  EXPECT_FALSE(WriteWholeFile(file, ""));
  EXPECT_FALSE(WriteWholeFile(scratch / "new.bin", ""));
  EXPECT_EQ(FileBytes(file), "old");
  EXPECT_FALSE(FileExists(scratch / "new.bin"));
}

TEST_F(PayloadFiles, ReadOnlyTargetIsLeftAlone) {
  PutFile(file, "old");
  // Also where the system would let the user write it (Wine run as root does).
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(WriteWholeFile(file, "new"));
  EXPECT_EQ(UnpackResourceToFile(file, PackResource("new")).Code(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(FileBytes(file), "old");
}

TEST_F(PayloadFiles, TargetOpenWithoutSharingIsLeftAlone) {
  const std::string locked = scratch / "locked.bin";
  PutFile(locked, "old");
  {
    const unique_file holder(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(WriteWholeFile(locked, "new"));
    const TResult unpacked = UnpackResourceToFile(locked, PackResource("new"));
    EXPECT_TRUE(unpacked.InUse()) << "so a later try may succeed";
    EXPECT_EQ(unpacked.Item(), locked);
    EXPECT_EQ(unpacked.Reason(), SystemMessage(HRESULT(ERROR_SHARING_VIOLATION)));
    const TOutcome<Bytes> read = ReadWholeFile(AnsiToWide(locked));
    ASSERT_FALSE(read);
    EXPECT_TRUE(read.Failure().InUse());
    EXPECT_EQ(read.Failure().Item(), locked);
  }
  EXPECT_EQ(FileBytes(locked), "old");
}

namespace {

// What is left in the scratch folder besides the given names.
std::vector<std::string> OtherEntries(const TScratchFolder& folder, const std::vector<std::string>& known) {
  std::vector<std::string> others;
  for (const auto& entry : std::filesystem::directory_iterator(AnsiToWide(folder.Path()))) {
    const std::string name = entry.path().filename().string();
    if (std::find(known.begin(), known.end(), name) == known.end()) others.push_back(name);
  }
  return others;
}

}  // namespace

TEST_F(PayloadFiles, WriteReplacesALinkedNameInsteadOfWritingThroughIt) {
  const std::string elsewhere = scratch / "elsewhere.txt";
  PutFile(elsewhere, "not yours");
  ASSERT_TRUE(CreateHardLinkA(file.c_str(), elsewhere.c_str(), nullptr));
  EXPECT_TRUE(WriteWholeFile(file, "installed"));
  EXPECT_EQ(FileBytes(file), "installed");
  EXPECT_EQ(FileBytes(elsewhere), "not yours");
}

TEST_F(PayloadFiles, NoPartFileStaysAfterAWriteEndsEitherWay) {
  const std::string locked = scratch / "locked.bin";
  PutFile(locked, "old");
  EXPECT_TRUE(WriteWholeFile(file, "new"));
  {
    const unique_file holder(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(WriteWholeFile(locked, "new"));
  }
  EXPECT_EQ(OtherEntries(scratch, {"demo.bin", "locked.bin"}), std::vector<std::string>{});
}

TEST_F(PayloadFiles, MissingFolderAndOverlongPathsFail) {
  EXPECT_FALSE(WriteWholeFile(scratch / "missing\\demo.bin", "x"));
  EXPECT_FALSE(FileExists(scratch / "missing\\demo.bin"));
  const std::string longest = scratch.Path() + std::string(MAX_PATH - 1 - scratch.Path().size(), 'n');
  EXPECT_TRUE(WriteWholeFile(longest, "x")) << "a path of MAX_PATH - 1 characters";
  EXPECT_FALSE(WriteWholeFile(longest + "nn", "x"));
  EXPECT_EQ(UnpackResourceToFile(longest + "nn", PackResource("x")).Code(), DWORD(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(UnpackResourceToFile(scratch / "missing\\demo.bin", PackResource("x")).Code(), DWORD(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(ReadWholeFile(AnsiToWide(longest + "nn")));
}

TEST_F(PayloadFiles, ReadFailsForEmptyMissingAndFolders) {
  PutFile(file, "");
  EXPECT_EQ(ReadWholeFile(AnsiToWide(file)).Failure().Code(), DWORD(ERROR_HANDLE_EOF));
  EXPECT_EQ(ReadWholeFile(AnsiToWide(scratch / "missing.bin")).Failure().Code(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(ReadWholeFile(AnsiToWide(DelBackslash(scratch.Path()))));
}
