#include "package/u_Payload.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

constexpr size_t kFirstInflateChunk = 64 * 1024;

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

  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  const std::unique_ptr<z_stream, decltype(&inflateEnd)> end(&z, inflateEnd);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = uInt(stream.size());
  // The buffer grows with what the stream yields, so a damaged size field
  // cannot make a small resource claim a large allocation. It may reach one
  // byte past the declared size, to see a stream that runs longer.
  const size_t limit = size_t(size) + 1;
  Bytes buffer;
  size_t produced = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    if (produced == buffer.size()) {
      if (buffer.size() == limit) break;
      buffer.resize(std::min(limit, std::max(2 * buffer.size(), kFirstInflateChunk)));
    }
    z.next_out = reinterpret_cast<Bytef*>(buffer.data() + produced);
    z.avail_out = uInt(buffer.size() - produced);
    status = inflate(&z, Z_NO_FLUSH);
    produced = buffer.size() - z.avail_out;
  }
  // A stream that ends cleanly but short of the declared size is damage too.
  if (status != Z_STREAM_END || produced != size_t(size)) return false;
  buffer.resize(produced);
  unpacked = std::move(buffer);
  return true;
}
