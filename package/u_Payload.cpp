#include "package/u_Payload.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace {

// Deflate expands its input by at most about 1032 to 1 (long runs of a byte).
constexpr uint64_t kMaxInflateRatio = 1032;

constexpr size_t kInflatePiece = 1 << 20;

// How much packed input one read takes.
constexpr size_t kReadPiece = 1 << 20;

// The declared size, when its stream can yield that much at deflate's best ratio;
// a size field that claims more is damage.
bool ReadPlausibleSize(const TRawResource& raw, int32_t& size) {
  if (!ReadDeclaredSize(raw, size)) return false;
  const size_t stream = raw.size - 4;
  return uint64_t(size) <= (stream + 1) * kMaxInflateRatio;
}

}  // namespace

TRawResource::TRawResource(std::string_view bytes)
    : size(bytes.size()), read([bytes](size_t offset, size_t length, std::string_view& piece) {
        piece = bytes.substr(offset, length);
        return true;
      }) {}

bool ReadDeclaredSize(const TRawResource& raw, int32_t& size) {
  std::string_view field;
  if (raw.size < 4 || !raw.read(0, 4, field) || field.size() != 4) return false;
  const auto byte = [&](int i) { return uint32_t(static_cast<unsigned char>(field[i])); };
  size = static_cast<int32_t>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
  return size >= 0 && size <= kMaxUnpackedSize;
}

bool InflateResource(const TRawResource& raw, const std::function<bool(std::string_view piece)>& sink) {
  int32_t size = 0;
  if (!ReadPlausibleSize(raw, size)) return false;

  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  const std::unique_ptr<z_stream, decltype(&inflateEnd)> end(&z, inflateEnd);
  // One byte more than the declared size shows a stream that runs longer.
  Bytes piece(std::min(size_t(size) + 1, kInflatePiece), '\0');
  size_t consumed = 4, produced = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    if (z.avail_in == 0 && consumed < raw.size) {
      std::string_view input;
      if (!raw.read(consumed, std::min(raw.size - consumed, kReadPiece), input) || input.empty()) return false;
      consumed += input.size();
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
      z.avail_in = uInt(input.size());
    }
    z.next_out = reinterpret_cast<Bytef*>(piece.data());
    z.avail_out = uInt(piece.size());
    status = inflate(&z, Z_NO_FLUSH);  // Z_BUF_ERROR when a truncated stream cannot go on
    const size_t length = piece.size() - z.avail_out;
    produced += length;
    if (produced > size_t(size) || (length > 0 && !sink(std::string_view(piece.data(), length)))) return false;
  }
  // A stream that ends cleanly but short of the declared size is damage too.
  return status == Z_STREAM_END && produced == size_t(size);
}

bool UnpackResource(std::string_view raw, Bytes& unpacked) {
  unpacked.clear();
  int32_t size = 0;
  if (!ReadPlausibleSize(raw, size)) return false;
  Bytes buffer;
  buffer.reserve(size_t(size));
  if (!InflateResource(raw, [&](std::string_view piece) {
        buffer.append(piece);
        return true;
      }))
    return false;
  unpacked = std::move(buffer);
  return true;
}
