#pragma once
// Helpers of the Win32 tests: scratch folders, the test fixtures built next to
// this program, and independent reads of what the code under test wrote.

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "actions/u_SimpleFuncs1.h"
#include "actions/win_API.h"
#include "actions/win_Text.h"

inline std::string OwnFileName() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

inline std::string OwnFolder() { return ExtractFilePath(OwnFileName()); }

// A fixture program or library of the cross tree (tests\fixtures beside tests\win32).
inline std::string FixturePath(const std::string& name) {
  return ExtractFilePath(DelBackslash(OwnFolder())) + "fixtures\\" + name;
}

inline bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(AnsiToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The file's bytes, read with the wide API; "" when it cannot be read.
inline std::string FileBytes(const std::string& path) {
  const unique_file file(CreateFileW(AnsiToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char chunk[65536];
  DWORD read = 0;
  while (file && ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  return bytes;
}

inline void PutFile(const std::string& path, const std::string& bytes) {
  const unique_file file(CreateFileW(AnsiToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(file && WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr)) << path;
}

// Waits up to `limit` for a condition that another process makes true.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// A fresh folder below the temp folder for one test, removed with its content.
class TScratchFolder {
public:
  TScratchFolder() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = AddBackslash(temp) + "SetupTests\\" + test->test_suite_name() + "." + test->name() + "\\";
    Remove();
    std::filesystem::create_directories(AnsiToWide(path_));
  }
  ~TScratchFolder() { Remove(); }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  // The folder, ending in "\".
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

private:
  void Remove() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(AnsiToWide(path_), ignored))
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(AnsiToWide(path_), ignored);
  }

  std::string path_;
};

