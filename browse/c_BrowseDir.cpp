#include "browse/c_BrowseDir.h"

#include <windows.h>

#include "actions/u_SimpleFuncs1.h"
#include "actions/win_API.h"

namespace {

// No "insert a disk" box for an empty drive while a folder is looked up.
class TCriticalErrorsQuiet {
public:
  TCriticalErrorsQuiet() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~TCriticalErrorsQuiet() { SetErrorMode(previous_); }
  TCriticalErrorsQuiet(const TCriticalErrorsQuiet&) = delete;
  TCriticalErrorsQuiet& operator=(const TCriticalErrorsQuiet&) = delete;

private:
  UINT previous_;
};

bool IsDriveRoot(const std::string& path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; }

bool DriveExists(char letter) {
  const int drive = (letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter) - 'A';
  return drive >= 0 && drive < 32 && (GetLogicalDrives() >> drive & 1);
}

constexpr DWORD kVolumeLabel = 0x8;
constexpr DWORD kPassedOver = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | kVolumeLabel;

}  // namespace

bool FolderExists(const std::string& path) {
  const TCriticalErrorsQuiet quiet;
  if (IsDriveRoot(path)) return DriveExists(path[0]);
  if (path.find_first_of("*?") != std::string::npos) return false;

  // Without wildcards the search finds the one entry the path names.
  WIN32_FIND_DATAA found;
  const unique_find search(FindFirstFileA(DelBackslash(path).c_str(), &found));
  return search && !(found.dwFileAttributes & kPassedOver) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}
