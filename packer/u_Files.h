#pragma once
// Files of the packer: whole-file reads, the output written through a
// temporary file beside it, and the script's Windows-style source paths.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "package/u_Payload.h"

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

// A path as the packer prints it (UTF-8 on Windows).
std::string DisplayPath(const std::filesystem::path& path);
