// The packer's files on systems without drives: POSIX paths, listed through
// the standard library.

#include <system_error>

#include "packer/u_Files.h"

namespace fs = std::filesystem;

bool IsForeignAbsolute(std::string_view value) {
  const bool drive = value.size() >= 2 && value[1] == ':' &&
                     ((value[0] >= 'A' && value[0] <= 'Z') || (value[0] >= 'a' && value[0] <= 'z'));
  return drive || value.starts_with("\\\\") || value.starts_with("//");
}

std::u16string SystemSeparators(std::u16string path) {
  for (auto& c : path)
    if (c == u'\\') c = u'/';
  return path;
}

std::vector<TFolderEntry> ListFolder(const fs::path& folder) {
  std::vector<TFolderEntry> entries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code unknown;  // an entry of unknown kind (a dangling link) is neither file nor folder
    const bool isFolder = it->is_directory(unknown);
    const auto kind = isFolder ? (it->is_symlink(unknown) ? TFolderEntry::FolderLink : TFolderEntry::Folder)
                               : (it->is_regular_file(unknown) ? TFolderEntry::File : TFolderEntry::Other);
    entries.push_back({it->path(), kind});
  }
  if (error) throw FolderError(folder, error);
  return entries;
}

std::string DisplayPath(const fs::path& path) { return path.string(); }
