#include "packer/u_Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

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

}  // namespace

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
  const fs::path absolute = fs::absolute(file).lexically_normal();
  const fs::path relative = absolute.lexically_relative(fs::absolute(scriptFolder).lexically_normal());
  std::u16string text = (relative.empty() ? absolute : relative).u16string();
  std::replace(text.begin(), text.end(), u'/', u'\\');
  return Utf16ToAnsi(text, codePage);
}
