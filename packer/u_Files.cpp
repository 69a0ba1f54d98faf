#include "packer/u_Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

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

}  // namespace

TPackError FolderError(const fs::path& folder, const std::error_code& error) {
  return TPackError("cannot list '" + DisplayPath(folder) + "': " + error.message());
}

fs::path NormalPath(const fs::path& path) {
  const fs::path normal = fs::absolute(path).lexically_normal();
  return normal.has_filename() ? normal : normal.parent_path();
}

TResult CheckFileName(std::string_view name) {
  const auto invalid = [&](std::string reason) {
    return TResult{kErrorInvalidName, std::string(name), std::move(reason)};
  };
  if (name.empty()) return invalid("the name is empty");
  if (std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
      }))
    return invalid("the name holds a character that Windows file names cannot hold (<>:\"/\\|?* or a control "
                   "character)");
  if (name.back() == '.' || name.back() == ' ') return invalid("the name ends in a dot or space, which Windows drops");
  return {};
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
  const fs::path path(SystemSeparators(AnsiToUtf16(value, codePage)));
  return path.is_absolute() ? path : scriptFolder / path;
}

std::optional<std::string> ScriptSourcePath(const fs::path& scriptFolder, const fs::path& file, int codePage) {
  const fs::path absolute = NormalPath(file);
  const fs::path relative = absolute.lexically_relative(NormalPath(scriptFolder));
  std::u16string text = (relative.empty() ? absolute : relative).u16string();
  std::replace(text.begin(), text.end(), u'/', u'\\');
  return Utf16ToAnsi(text, codePage);
}
