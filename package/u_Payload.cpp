#include "package/u_Payload.h"

#include <zlib.h>

#include <stdexcept>

bool ReadDeclaredSize(std::string_view raw, int32_t& size) {
  if (raw.size() < 4) return false;
  const auto byte = [&](int i) { return uint32_t(static_cast<unsigned char>(raw[i])); };
  size = static_cast<int32_t>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
  return size >= 0 && size <= kMaxUnpackedSize;
}

bool UnpackResource(std::string_view raw, Bytes& unpacked) {
  unpacked.clear();
  int32_t size = 0;
  if (!ReadDeclaredSize(raw, size)) return false;
  const std::string_view stream = raw.substr(4);

  Bytes buffer(size_t(size), '\0');
  uLongf produced = buffer.size();
  const int status = uncompress(reinterpret_cast<Bytef*>(buffer.data()), &produced,
                                reinterpret_cast<const Bytef*>(stream.data()), uLong(stream.size()));
  // A stream that ends cleanly but short of the declared size is damage too.
  if (status != Z_OK || produced != buffer.size()) return false;
  unpacked = std::move(buffer);
  return true;
}

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
