#pragma once
// Files of the packer: whole-file reads, the output written through a
// temporary file beside it, and the script's Windows-style source paths. What
// differs between systems (folder listing, printed paths, drives) is in
// u_SystemFiles.cpp and, on Windows, win_Files.cpp.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "actions/u_Result.h"
#include "package/u_Payload.h"
#include "packer/u_PackError.h"

// Throws TPackError naming the path and the reason.
Bytes ReadWholeFile(const std::filesystem::path& path);

// Writes `output` through a temporary file in the same folder, renamed over
// the output at the end; on any failure the temporary file is removed and no
// output appears. Throws TPackError.
void WriteFileAtomically(const std::filesystem::path& output, const std::function<void(std::ostream&)>& write);

// A source path written in the script, in its ANSI code page: relative paths
// resolve against the script's folder; "\" and "/" both separate folders.
// Throws TPackError for a path that cannot exist on this system (a drive or
// network path on a system without drives).
std::filesystem::path ResolveSourcePath(const std::filesystem::path& scriptFolder, std::string_view value,
                                        int codePage);

// The other way round: a file's path as the script writes it, relative to the
// script's folder where it can be, folders separated by "\"; nullopt when the
// code page cannot hold it.
std::optional<std::string> ScriptSourcePath(const std::filesystem::path& scriptFolder,
                                            const std::filesystem::path& file, int codePage);

// The absolute path with "." and ".." resolved by its text (links stay as they
// are), without a separator at its end: the form in which the packer compares
// paths.
std::filesystem::path NormalPath(const std::filesystem::path& path);

// Success when `name` can name a file or folder on Windows; else the failure
// of the name (kErrorInvalidName) telling why: a character such as ":" or a
// control character, an empty name, a dot or space at its end.
TResult CheckFileName(std::string_view name);

// One entry of a folder.
struct TFolderEntry {
  enum TKind { File, Folder, FolderLink, Other };
  std::filesystem::path path;
  TKind kind;
};

// The entries of a folder in no particular order, on Windows also below paths
// longer than MAX_PATH. Throws TPackError naming the folder and the reason.
std::vector<TFolderEntry> ListFolder(const std::filesystem::path& folder);

// A path as the packer prints it (UTF-8 on Windows).
std::string DisplayPath(const std::filesystem::path& path);

// A script path that names a drive or network location, which a system
// without drives does not have.
bool IsForeignAbsolute(std::string_view value);
// A script path with its "" separators as this system's.
std::u16string SystemSeparators(std::u16string path);
// The error of a folder that cannot be listed.
TPackError FolderError(const std::filesystem::path& folder, const std::error_code& error);
