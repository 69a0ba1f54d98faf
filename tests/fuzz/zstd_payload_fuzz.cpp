// zstd payload resources as the installer unpacks them, from arbitrary bytes:
// the first byte says whether the installer has a dictionary, the rest is the
// resource.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "package/u_Payload.h"

namespace {

const Bytes& Dictionary() {
  static const Bytes dictionary = [] {
    std::vector<Bytes> samples;
    for (int n = 0; n < 100; ++n)
      samples.push_back("sample text " + std::to_string(n * 7919) + " of the product files");
    return TrainZstdDictionary(std::vector<std::string_view>(samples.begin(), samples.end()), 4096);
  }();
  return dictionary;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view raw(reinterpret_cast<const char*>(data) + 1, size - 1);
  const TPayloadCodec codec{TPayloadFormat::Zstd, data[0] & 1 ? std::string_view(Dictionary()) : std::string_view()};
  const TOutcome<int32_t> declared = ReadDeclaredSize(raw);
  const TOutcome<Bytes> unpacked = UnpackResource(raw, codec);
  // An intact resource holds exactly its declared size; a damaged one is told as damage.
  if (unpacked ? !declared || unpacked->size() != size_t(*declared)
               : unpacked.Failure().Code() != kErrorDamagedPayload)
    std::abort();
  return 0;
}
