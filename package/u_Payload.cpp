#include "package/u_Payload.h"

#include <zlib.h>

#include <climits>
#include <cstdint>
#include <memory>

namespace {

// Deflate expands its input by at most about 1032 to 1 (long runs of a byte).
constexpr uint64_t kMaxInflateRatio = 1032;

}  // namespace

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
  if (stream.size() > UINT_MAX) return false;

  // A size field that claims more than its stream can yield is damage, and is
  // not trusted for an allocation.
  if (uint64_t(size) > (stream.size() + 1) * kMaxInflateRatio) return false;

  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  const std::unique_ptr<z_stream, decltype(&inflateEnd)> end(&z, inflateEnd);
  // One buffer of the declared size, filled in one call: a stream that runs
  // longer finds no room, one that ends short leaves room over.
  Bytes buffer(size_t(size), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = uInt(stream.size());
  z.next_out = reinterpret_cast<Bytef*>(buffer.data());
  z.avail_out = uInt(buffer.size());
  if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.avail_out != 0) return false;
  unpacked = std::move(buffer);
  return true;
}
