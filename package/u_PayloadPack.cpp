// Packing lives apart from unpacking so that the setup program, which only
// unpacks, does not link the compressors.

#include <libdeflate.h>

#include <memory>
#include <new>
#include <stdexcept>

#include "package/u_Payload.h"

namespace {

// libdeflate's highest level: ordinary zlib streams (header 0x78 0xDA),
// smaller than zlib's own level 9 for about the same time.
constexpr int kDeflateLevel = 12;

using TDeflater = std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)>;

Bytes WithDeclaredSize(std::string_view data, size_t bound) {
  if (data.size() > size_t(kMaxUnpackedSize)) throw std::length_error("payload larger than 1 GiB");
  Bytes out(4 + bound, '\0');
  const auto size = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) out[i] = char(size >> (8 * i));
  return out;
}

}  // namespace

Bytes PackResource(std::string_view data) {
  const TDeflater deflater(libdeflate_alloc_compressor(kDeflateLevel), libdeflate_free_compressor);
  if (!deflater) throw std::bad_alloc();
  Bytes out = WithDeclaredSize(data, libdeflate_zlib_compress_bound(deflater.get(), data.size()));
  const size_t packed = libdeflate_zlib_compress(deflater.get(), data.data(), data.size(), out.data() + 4, out.size() - 4);
  if (packed == 0) throw std::runtime_error("deflate compression failed");
  out.resize(4 + packed);
  return out;
}
