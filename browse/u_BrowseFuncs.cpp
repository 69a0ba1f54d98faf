#include "browse/u_BrowseFuncs.h"

#include <array>

#include "actions/u_SimpleFuncs1.h"

namespace {

constexpr std::array<int, 25> kRootFolders = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x10,
    0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, kNoShellFolder};

constexpr std::array<std::uint32_t, 7> kOptionFlags = {0x0001, 0x0002, 0x0008, 0x1000, 0x2000, 0x4000, 0x0010};
constexpr std::uint32_t kValidateFlag = 0x0020;

constexpr std::string_view kMarker = "...\\";

}  // namespace

int RootFolderId(std::uint8_t index) { return index < kRootFolders.size() ? kRootFolders[index] : kNoShellFolder; }

std::uint32_t OptionFlags(TBrowseOptions options) {
  std::uint32_t flags = 0;
  for (size_t bit = 0; bit < kOptionFlags.size(); ++bit)
    if (options >> bit & 1) flags |= kOptionFlags[bit];
  if (options & kBrowseEditBox) flags |= kValidateFlag;
  return flags;
}

std::uint32_t BrowseFlags(TBrowseOptions options, bool statusLine) {
  return OptionFlags(options) | (statusLine ? kPickerStatusText : 0);
}

std::string NormalizeSelectPath(std::string_view path) {
  if (path.size() < 4 && path.size() >= 2 && path[1] == ':')
    return path.size() == 2 ? std::string(path) + '\\' : std::string(path);
  if (path == "\\") return std::string(path);
  return DelBackslash(path);
}

std::string DropFirstFolder(std::string_view dir) {
  if (dir == "\\") return "";
  const bool rooted = dir.starts_with('\\');
  if (rooted) dir.remove_prefix(1);
  // Only a marker of an earlier step goes; a real folder may begin with "." too.
  if (dir.starts_with(kMarker)) dir.remove_prefix(kMarker.size());
  const size_t separator = dir.find('\\');
  std::string result = separator == std::string_view::npos ? "" : std::string(kMarker) + std::string(dir.substr(separator + 1));
  return rooted ? '\\' + result : result;
}

std::string FitPathToWidth(std::string_view text, int available, const TTextWidth& width) {
  std::string result(text);
  std::string dir = ExtractFilePath(text);
  const std::string name(text.substr(dir.size()));
  std::string drive;
  if (dir.size() >= 2 && dir[1] == ':') {
    drive = dir.substr(0, 2);
    dir.erase(0, 2);
  }
  while ((!dir.empty() || !drive.empty()) && width(result) > available) {
    if (dir == "\\...\\") {
      drive.clear();
      dir = kMarker;
    } else if (dir.empty()) {
      drive.clear();
    } else {
      dir = DropFirstFolder(dir);
    }
    result = drive + dir + name;
  }
  return result;
}

std::string FitTextToWidth(std::string_view text, int available, const TTextWidth& width) {
  std::string result(text);
  std::string_view kept = text;
  while (!kept.empty() && width(result) > available) {
    kept.remove_suffix(1);
    result = std::string(kept) + "...";
  }
  return result;
}

int CenteredStart(int outerStart, int outerSize, int innerSize) { return outerStart + (outerSize - innerSize) / 2; }

bool IsNewFolderName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.back() == '.' || name.back() == ' ') return false;
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
      return false;
  return true;
}
