#pragma once
// The starter script of a product folder: the product keys, the installed-
// version marker, the uninstall entry of the Windows list of programs and
// shortcuts to the first program, with the folder harvested into it.

#include <filesystem>
#include <iosfwd>
#include <string>

#include "packer/u_CodePages.h"
#include "packer/u_PackLog.h"

struct TStarterRequest {
  std::filesystem::path folder, script;
  std::string company, product, version;  // in the code page
  int codePage = kDefaultCodePage;
};

// The script's text; throws TPackError when the folder cannot be harvested.
std::string StarterScript(const TStarterRequest& request, const TPackLog& log);

// Writes the script, which must not exist yet. Throws TPackError.
void WriteStarterScript(const TStarterRequest& request, const TPackLog& log);
