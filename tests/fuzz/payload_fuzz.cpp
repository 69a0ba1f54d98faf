// Payload resources as the installer inflates them, from arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "package/u_Payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const TOutcome<int32_t> declared = ReadDeclaredSize(raw);
  const TOutcome<Bytes> unpacked = UnpackResource(raw);
  // An intact resource holds exactly its declared size; a damaged one is told as damage.
  if (unpacked ? !declared || unpacked->size() != size_t(*declared)
               : unpacked.Failure().Code() != kErrorDamagedPayload)
    std::abort();
  return 0;
}
