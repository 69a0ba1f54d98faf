#pragma once
// Harvesting a product folder into a setup script: one file group per folder
// and one file entry per file below it, written between two marker lines that
// the harvest owns. Everything outside them stays byte for byte as it was, so
// running the harvest again after files changed rewrites only its own part.

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string_view>

#include "package/u_Payload.h"
#include "packer/u_CodePages.h"
#include "packer/u_PackLog.h"

struct THarvestRequest {
  std::filesystem::path folder, script;
  int codePage = kDefaultCodePage;
};

// The script's text with the folder's entries between the markers, in place of
// the ones there before, or appended when it has none yet. Numbering goes on
// after the script's own entries, which keep the files they name. Problems go to
// `log.problems`; throws TPackError when any file or line cannot be harvested.
Bytes HarvestIntoScript(std::string_view scriptText, const THarvestRequest& request, const TPackLog& log);

// Rewrites the script file with HarvestIntoScript; on failure it stays as it was.
void HarvestFolder(const THarvestRequest& request, const TPackLog& log);

// The first program (*.exe, any case) of the folder in harvest order: the
// folder's own files by name, then its subfolders; relative to the folder.
std::optional<std::filesystem::path> FirstProgram(const std::filesystem::path& folder);
