#pragma once
// Packing a product into an installer, and examining an installer.

#include <filesystem>
#include <iosfwd>
#include <vector>

#include "package/u_Payload.h"
#include "packer/u_CodePages.h"
#include "packer/u_PackLog.h"
#include "packer/u_ScriptDefines.h"

struct TPackRequest {
  std::filesystem::path script, stub, output;
  int codePage = kDefaultCodePage;
  unsigned threads = 0;  // 0: one per hardware thread
  std::vector<TScriptDefine> defines = {};  // set in the packed script only
  bool warningsAsErrors = false;
  // Of the product's files; the script and the licence are always zlib streams.
  TPayloadFormat compression = TPayloadFormat::Zlib;
};

// Writes the installer: a copy of the stub carrying the script, the licence,
// the top logo and every file of the script. Throws TPackError (and writes
// nothing) when packing fails, or when the script has warnings and
// `warningsAsErrors` is set.
void PackInstaller(const TPackRequest& request, const TPackLog& log);

// Lists the payload of an installer and the entries of its script to
// `log.out`, unless `listAll` is false, and each problem (a damaged or missing
// resource, a wrong checksum) to `log.problems`. Returns the number of
// problems; throws TPackError when the file cannot be read as a program file.
size_t ExamineInstaller(const std::filesystem::path& installer, int codePage, bool listAll, const TPackLog& log);
