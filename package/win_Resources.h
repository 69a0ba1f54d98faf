#pragma once
// Finding payload resources with the Windows resource functions, and writing
// one as a file, which returns a TResult.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "actions/u_Result.h"
#include "actions/win_API.h"
#include "package/u_Payload.h"

// The raw bytes of the resource `name` of `type` in `module`, where the loaded
// module holds them (valid while it stays loaded); the system's failure when
// the resource is not there or cannot be loaded.
TOutcome<std::string_view> ViewResource(HMODULE module, const char* name, const char* type);

// As ViewResource, copied.
TOutcome<Bytes> ReadResource(HMODULE module, const char* name, const char* type);

// Inflates a payload resource and writes it as the whole file (WriteFileSafely),
// an empty one as an empty file; on failure the file is untouched. A payload
// that does not inflate fails with kErrorDamagedPayload, one that cannot be
// read with the read's failure.
TResult UnpackResourceToFile(const std::string& fileName, const TRawResource& payload, const TPayloadCodec& codec = {});

// The full path of a loaded image module (nullptr: the running program) in
// UTF-16, which names the file whatever the ANSI code page can hold.
std::wstring ModulePath(HMODULE module);

// The file of a loaded module (the running program, or a file loaded as an image
// resource or a data file), from which the module's resources are read with file
// reads rather than through its mapping: mapped pages stay in the working set
// once read, so an install through the mapping would keep its whole payload in
// memory to its end. One thread at a time; the module must stay loaded.
class TModuleFile {
public:
  TModuleFile(HMODULE module, const std::wstring& path);

  // `view`, bytes of the module's mapping, to be read from the file; read from
  // the mapping when the file could not be opened or does not hold them.
  TRawResource Resource(std::string_view view);

private:
  std::optional<uint64_t> FileOffset(std::string_view view) const;
  TOutcome<std::string_view> ReadAt(uint64_t offset, size_t length);

  const char* base_;
  bool mappedFlat_;
  unique_file file_;
  Bytes buffer_;
};
