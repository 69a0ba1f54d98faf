#pragma once
// Changes one resource of a packed installer, for tests that need an installer
// with a fault the packer never writes (a resource missing, cut short or
// replaced by other bytes). Everything else in the file stays as it was.

#include <optional>
#include <string>

#include "package/u_Payload.h"

struct TResourceEdit {
  bool bitmap = false;        // the bitmap type instead of the payload type
  std::string name;           // ASCII, as the packer names resources
  std::optional<Bytes> data;  // the new raw bytes; none: remove the resource
};

// The installer with the edit applied; throws TPackError when the file is not
// a program file that can be rewritten, or when a resource to remove is missing.
Bytes ApplyResourceEdit(const Bytes& installer, const TResourceEdit& edit);

// The raw bytes of one resource; throws TPackError when it is missing.
Bytes ExtractResource(const Bytes& installer, bool bitmap, const std::string& name);
