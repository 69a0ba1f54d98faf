// Packing lives apart from unpacking so that the setup program, which only
// unpacks, does not link the compressor.

#include <zlib.h>

#include <stdexcept>

#include "package/u_Payload.h"

Bytes PackResource(std::string_view data, int level) {
  if (data.size() > size_t(kMaxUnpackedSize)) throw std::length_error("payload larger than 1 GiB");
  uLongf packedSize = compressBound(uLong(data.size()));
  Bytes out(4 + packedSize, '\0');
  const auto size = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) out[i] = char(size >> (8 * i));
  const int status = compress2(reinterpret_cast<Bytef*>(out.data() + 4), &packedSize,
                               reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()), level);
  if (status != Z_OK) throw std::runtime_error("zlib compression failed");
  out.resize(4 + packedSize);
  return out;
}
