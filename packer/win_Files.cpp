// The packer's files on Windows: folders listed beyond MAX_PATH through the
// wide-character calls, paths printed in UTF-8.

#include <system_error>

#include "actions/win_API.h"
#include "packer/u_Files.h"

namespace fs = std::filesystem;

namespace {

// The path in the form "\\?\C:\..." that the wide-character calls take beyond
// MAX_PATH (the C runtime's folder listing stops there).
std::wstring ExtendedPath(const fs::path& path) {
  std::wstring text = NormalPath(path).native();
  if (text.starts_with(L"\\\\?\\")) return text;
  if (text.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + text.substr(2);
  return L"\\\\?\\" + text;
}

std::error_code LastError() { return std::error_code(int(GetLastError()), std::system_category()); }

}  // namespace

bool IsForeignAbsolute(std::string_view) { return false; }

std::u16string SystemSeparators(std::u16string path) { return path; }

std::vector<TFolderEntry> ListFolder(const fs::path& folder) {
  WIN32_FIND_DATAW data;
  const unique_find find(FindFirstFileExW((ExtendedPath(folder) + L"\\*").c_str(), FindExInfoBasic, &data,
                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find) throw FolderError(folder, LastError());
  std::vector<TFolderEntry> entries;
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    const bool isLink = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    entries.push_back({folder / name, isFolder ? (isLink ? TFolderEntry::FolderLink : TFolderEntry::Folder)
                                               : TFolderEntry::File});
  } while (FindNextFileW(find.get(), &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) throw FolderError(folder, LastError());
  return entries;
}

std::string DisplayPath(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
