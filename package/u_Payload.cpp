#include "package/u_Payload.h"

#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace {

// The most a format can expand its stream: deflate about 1032 to 1 (long runs
// of a byte), zstd 32768 to 1 (a 4-byte run-length block of 128 KiB).
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kMaxZstdRatio = 32768;

constexpr size_t kInflatePiece = 1 << 20;

// How much packed input one read takes.
constexpr size_t kReadPiece = 1 << 20;

// The declared size, when its stream can yield that much at its format's best
// ratio; a size field that claims more is damage.
TOutcome<int32_t> ReadPlausibleSize(const TRawResource& raw, TPayloadFormat format) {
  const TOutcome<int32_t> size = ReadDeclaredSize(raw);
  if (!size) return size;
  const size_t stream = raw.size - 4;
  if (uint64_t(*size) > (stream + 1) * (format == TPayloadFormat::Zstd ? kMaxZstdRatio : kMaxInflateRatio))
    return DamagedPayload();
  return size;
}

// The stream of a payload resource (past its size field) in read pieces, and
// the pieces a decoder makes of it on their way to the sink, never more in
// all than the declared size.
class TStreamFeed {
public:
  TStreamFeed(const TRawResource& raw, size_t size, const TPayloadSink& sink)
      // One byte more than the declared size shows a stream that runs longer.
      : raw_(raw), size_(size), sink_(sink), out_(std::min(size + 1, kInflatePiece), '\0') {}

  bool InputLeft() const { return consumed_ < raw_.size; }
  // The next piece of input; false when none is left or it cannot be read.
  bool NextInput(std::string_view& input) {
    if (!InputLeft()) return false;
    const TOutcome<std::string_view> piece = raw_.read(consumed_, std::min(raw_.size - consumed_, kReadPiece));
    if (!piece) {
      failure_ = piece.Failure();
      return false;
    }
    input = *piece;
    consumed_ += input.size();
    return !input.empty();
  }

  char* Out() { return out_.data(); }
  size_t OutSize() const { return out_.size(); }
  // Hands the first `length` bytes of Out() on; false past the declared size
  // or when the sink fails.
  bool Yield(size_t length) {
    produced_ += length;
    if (produced_ > size_) return false;
    if (length > 0) failure_ = sink_(std::string_view(out_.data(), length));
    return bool(failure_);
  }
  // Why a read or the sink stopped the stream; success while neither did.
  const TResult& Failure() const { return failure_; }
  bool Complete() const { return produced_ == size_; }
  size_t Size() const { return size_; }

private:
  const TRawResource& raw_;
  const size_t size_;
  const TPayloadSink& sink_;
  TResult failure_;
  Bytes out_;
  size_t consumed_ = 4, produced_ = 0;
};

bool InflateZlib(TStreamFeed& feed) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  const std::unique_ptr<z_stream, decltype(&inflateEnd)> end(&z, inflateEnd);
  int status = Z_OK;
  while (status == Z_OK) {
    if (z.avail_in == 0 && feed.InputLeft()) {
      std::string_view input;
      if (!feed.NextInput(input)) return false;
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
      z.avail_in = uInt(input.size());
    }
    z.next_out = reinterpret_cast<Bytef*>(feed.Out());
    z.avail_out = uInt(feed.OutSize());
    status = inflate(&z, Z_NO_FLUSH);  // Z_BUF_ERROR when a truncated stream cannot go on
    if (!feed.Yield(feed.OutSize() - z.avail_out)) return false;
  }
  // A stream that ends cleanly but short of the declared size is damage too.
  return status == Z_STREAM_END && feed.Complete();
}

// The frame header must be a zstd frame's that declares the size field's size
// and, when it names a dictionary, names the installer's; that is then loaded.
bool StartZstdFrame(ZSTD_DCtx* context, std::string_view first, size_t size, std::string_view dictionary) {
  const auto byte = [&](size_t i) { return uint32_t(static_cast<unsigned char>(first[i])); };
  if (first.size() < 4 || (byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24) != ZSTD_MAGICNUMBER ||
      ZSTD_getFrameContentSize(first.data(), first.size()) != size)
    return false;
  const unsigned dictionaryId = ZSTD_getDictID_fromFrame(first.data(), first.size());
  if (dictionaryId == 0) return true;
  return !dictionary.empty() && ZSTD_getDictID_fromDict(dictionary.data(), dictionary.size()) == dictionaryId &&
         !ZSTD_isError(ZSTD_DCtx_loadDictionary(context, dictionary.data(), dictionary.size()));
}

bool InflateZstd(TStreamFeed& feed, std::string_view dictionary) {
  const std::unique_ptr<ZSTD_DCtx, decltype(&ZSTD_freeDCtx)> context(ZSTD_createDCtx(), ZSTD_freeDCtx);
  if (!context || ZSTD_isError(ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax, kZstdWindowLog)))
    return false;
  ZSTD_inBuffer in{nullptr, 0, 0};
  bool started = false, needsInput = true;
  for (;;) {
    if (needsInput && in.pos == in.size) {
      std::string_view input;
      if (!feed.NextInput(input)) return false;  // the frame ends early
      if (!started && !StartZstdFrame(context.get(), input, feed.Size(), dictionary)) return false;
      started = true;
      in = {input.data(), input.size(), 0};
    }
    ZSTD_outBuffer out{feed.Out(), feed.OutSize(), 0};
    const size_t status = ZSTD_decompressStream(context.get(), &out, &in);
    if (ZSTD_isError(status) || !feed.Yield(out.pos)) return false;
    if (status == 0) break;  // the frame is complete and its checksum holds
    // A full output buffer may hold back more output; else the decoder needs input.
    needsInput = out.pos < out.size;
  }
  // The resource holds the one frame and nothing after it.
  return in.pos == in.size && !feed.InputLeft() && feed.Complete();
}

}  // namespace

TRawResource::TRawResource(std::string_view bytes)
    : size(bytes.size()), read([bytes](size_t offset, size_t length) { return bytes.substr(offset, length); }) {}

TResult DamagedPayload(std::string item) {
  return {kErrorDamagedPayload, std::move(item), "the data is missing or damaged"};
}

TOutcome<int32_t> ReadDeclaredSize(const TRawResource& raw) {
  if (raw.size < 4) return DamagedPayload();
  const TOutcome<std::string_view> read = raw.read(0, 4);
  if (!read) return read.Failure();
  const std::string_view field = *read;
  if (field.size() != 4) return DamagedPayload();
  const auto byte = [&](int i) { return uint32_t(static_cast<unsigned char>(field[i])); };
  const auto size = static_cast<int32_t>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
  if (size < 0 || size > kMaxUnpackedSize) return DamagedPayload();
  return size;
}

TResult InflateResource(const TRawResource& raw, const TPayloadSink& sink, const TPayloadCodec& codec) {
  const TOutcome<int32_t> size = ReadPlausibleSize(raw, codec.format);
  if (!size) return size.Failure();
  TStreamFeed feed(raw, size_t(*size), sink);
  const bool intact = codec.format == TPayloadFormat::Zstd ? InflateZstd(feed, codec.dictionary) : InflateZlib(feed);
  if (!feed.Failure()) return feed.Failure();
  return intact ? TResult() : DamagedPayload();
}

TOutcome<Bytes> UnpackResource(const TRawResource& raw, const TPayloadCodec& codec) {
  const TOutcome<int32_t> size = ReadPlausibleSize(raw, codec.format);
  if (!size) return size.Failure();
  Bytes unpacked;
  unpacked.reserve(size_t(*size));
  const TResult inflated = InflateResource(
      raw,
      [&](std::string_view piece) {
        unpacked.append(piece);
        return TResult();
      },
      codec);
  if (!inflated) return inflated;
  return unpacked;
}
