// Payload resources as the installer inflates them, from arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "package/u_Payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  int32_t declared = 0;
  const bool sized = ReadDeclaredSize(raw, declared);
  Bytes unpacked;
  const bool intact = UnpackResource(raw, unpacked);
  // An intact resource holds exactly its declared size; a damaged one nothing.
  if (intact ? !sized || unpacked.size() != size_t(declared) : !unpacked.empty()) std::abort();
  return 0;
}
