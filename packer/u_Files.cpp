#include "packer/u_Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include "actions/win_API.h"
#endif

#include "packer/u_CodePages.h"
#include "packer/u_PackError.h"

namespace fs = std::filesystem;

namespace {

// Removes the temporary file unless it was renamed into place.
class TTemporaryFile {
public:
  explicit TTemporaryFile(fs::path path) : path_(std::move(path)) {}
  ~TTemporaryFile() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove(path_, ignored);
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  const fs::path& Path() const { return path_; }
  void MoveTo(const fs::path& target) {
    std::error_code error;
    fs::rename(path_, target, error);
    if (error) throw TPackError("cannot write '" + DisplayPath(target) + "': " + error.message());
    path_.clear();
  }

private:
  fs::path path_;
};

bool IsForeignAbsolute(std::string_view value) {
#ifdef _WIN32
  (void)value;
  return false;
#else
  const bool drive = value.size() >= 2 && value[1] == ':' &&
                     ((value[0] >= 'A' && value[0] <= 'Z') || (value[0] >= 'a' && value[0] <= 'z'));
  return drive || value.starts_with("\\\\") || value.starts_with("//");
#endif
}

TPackError FolderError(const fs::path& folder, const std::error_code& error) {
  return TPackError("cannot list '" + DisplayPath(folder) + "': " + error.message());
}

#ifdef _WIN32
// The path in the form "\\?\C:\..." that the wide-character calls take beyond
// MAX_PATH (the C runtime's folder listing stops there).
std::wstring ExtendedPath(const fs::path& path) {
  std::wstring text = NormalPath(path).native();
  if (text.starts_with(L"\\\\?\\")) return text;
  if (text.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + text.substr(2);
  return L"\\\\?\\" + text;
}
#endif

}  // namespace

fs::path NormalPath(const fs::path& path) {
  const fs::path normal = fs::absolute(path).lexically_normal();
  return normal.has_filename() ? normal : normal.parent_path();
}

std::optional<std::string> FileNameProblem(std::string_view name) {
  if (name.empty()) return "the name is empty";
  if (std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
      }))
    return "the name holds a character that Windows file names cannot hold (<>:\"/\\|?* or a control character)";
  if (name.back() == '.' || name.back() == ' ') return "the name ends in a dot or space, which Windows drops";
  return std::nullopt;
}

#ifdef _WIN32
std::vector<TFolderEntry> ListFolder(const fs::path& folder) {
  WIN32_FIND_DATAW data;
  const unique_find find(FindFirstFileExW((ExtendedPath(folder) + L"\\*").c_str(), FindExInfoBasic, &data,
                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find) throw FolderError(folder, std::error_code(int(GetLastError()), std::system_category()));
  std::vector<TFolderEntry> entries;
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    const bool isLink = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    entries.push_back({folder / name, isFolder ? (isLink ? TFolderEntry::FolderLink : TFolderEntry::Folder)
                                               : TFolderEntry::File});
  } while (FindNextFileW(find.get(), &data));
  if (GetLastError() != ERROR_NO_MORE_FILES)
    throw FolderError(folder, std::error_code(int(GetLastError()), std::system_category()));
  return entries;
}
#else
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
#endif

std::string DisplayPath(const fs::path& path) {
#ifdef _WIN32
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.string();
#endif
}

Bytes ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw TPackError("cannot read '" + DisplayPath(path) + "': " + std::strerror(errno));
  std::error_code error;
  if (fs::is_directory(path, error)) throw TPackError("cannot read '" + DisplayPath(path) + "': it is a folder");
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0);
  Bytes data(size_t(std::max<std::streamoff>(size, 0)), '\0');
  if (size < 0 || !in.read(data.data(), std::streamsize(data.size())))
    throw TPackError("cannot read '" + DisplayPath(path) + "': read error");
  return data;
}

void WriteFileAtomically(const fs::path& output, const std::function<void(std::ostream&)>& write) {
  fs::path temporary = output;
  temporary += ".partial";
  TTemporaryFile file(temporary);
  {
    std::ofstream out(file.Path(), std::ios::binary | std::ios::trunc);
    if (!out) throw TPackError("cannot write '" + DisplayPath(file.Path()) + "': " + std::strerror(errno));
    write(out);
    out.close();
    if (!out) throw TPackError("cannot write '" + DisplayPath(file.Path()) + "': write error (disk full?)");
  }
  file.MoveTo(output);
}

fs::path ResolveSourcePath(const fs::path& scriptFolder, std::string_view value, int codePage) {
  if (IsForeignAbsolute(value))
    throw TPackError("'" + Utf16ToUtf8(AnsiToUtf16(value, codePage)) +
                     "' is a drive or network path, which this system does not have; write it relative to the "
                     "script's folder");
  std::u16string text = AnsiToUtf16(value, codePage);
#ifndef _WIN32
  for (auto& c : text)
    if (c == u'\\') c = u'/';
#endif
  const fs::path path(text);
  return path.is_absolute() ? path : scriptFolder / path;
}

std::optional<std::string> ScriptSourcePath(const fs::path& scriptFolder, const fs::path& file, int codePage) {
  const fs::path absolute = NormalPath(file);
  const fs::path relative = absolute.lexically_relative(NormalPath(scriptFolder));
  std::u16string text = (relative.empty() ? absolute : relative).u16string();
  std::replace(text.begin(), text.end(), u'/', u'\\');
  return Utf16ToAnsi(text, codePage);
}
