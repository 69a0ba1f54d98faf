// Copies every file of a folder into another folder with plain ReadFile and
// WriteFile calls, and prints the milliseconds the copy took and the bytes
// copied: the floor under the time an installer needs to write the same files.
//
//   benchcopy.exe SOURCE_FOLDER TARGET_FOLDER

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "actions/win_API.h"

namespace {

constexpr DWORD kBufferSize = 1 << 20;

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) * 1000 / double(frequency.QuadPart);
}

// Copies one file; false on any short read or write.
bool CopyOne(const std::wstring& from, const std::wstring& to, std::vector<char>& buffer, ULONGLONG& copied) {
  unique_file source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  unique_file target(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!source || !target) return false;
  for (;;) {
    DWORD read = 0, written = 0;
    if (!ReadFile(source.get(), buffer.data(), kBufferSize, &read, nullptr)) return false;
    if (read == 0) return true;
    if (!WriteFile(target.get(), buffer.data(), read, &written, nullptr) || written != read) return false;
    copied += read;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: benchcopy SOURCE_FOLDER TARGET_FOLDER\n");
    return 2;
  }
  const std::wstring source = argv[1], target = argv[2];
  std::vector<char> buffer(kBufferSize);
  ULONGLONG copied = 0;
  const double start = NowMs();
  CreateDirectoryW(target.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  unique_find search(FindFirstFileW((source + L"\\*").c_str(), &found));
  if (!search) {
    std::fprintf(stderr, "benchcopy: cannot list %ls\n", source.c_str());
    return 1;
  }
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!CopyOne(source + L"\\" + found.cFileName, target + L"\\" + found.cFileName, buffer, copied)) {
      std::fprintf(stderr, "benchcopy: cannot copy %ls (error %lu)\n", found.cFileName, GetLastError());
      return 1;
    }
  } while (FindNextFileW(search.get(), &found));
  std::printf("%.1f ms %llu bytes\n", NowMs() - start, copied);
  return 0;
}
