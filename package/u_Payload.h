#pragma once
// The payload that travels inside the setup program: named resources of type
// VELKSETUP, each a 4-byte little-endian unpacked size followed by one zlib
// stream, and an ordinary bitmap resource for the top logo. A product's files
// may instead be resources of type VELKZSTD: the same size field followed by
// one zstd frame, with the dictionary some frames need as resource number 1 of
// that type (docs/payload-formats.md).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "actions/u_Result.h"
#include "actions/u_SetupConsts.h"

inline constexpr char kPayloadType[] = "VELKSETUP";
inline constexpr char kScriptResource[] = "SETUPINFO";
inline constexpr char kLicenseResource[] = "LICINFO";
inline constexpr char kTopLogoResource[] = "TOPLOGO";
inline constexpr char kZstdPayloadType[] = "VELKZSTD";
// A number, so that no file's resource name can meet it.
inline constexpr uint16_t kZstdDictionaryId = 1;

// Frames with a larger window are refused: the window is the decoder's memory.
inline constexpr int kZstdWindowLog = 23;

enum class TPayloadFormat { Zlib, Zstd };

// What decoding a payload resource needs besides its bytes: the format, and
// for zstd the installer's dictionary (empty when it has none).
struct TPayloadCodec {
  TPayloadFormat format = TPayloadFormat::Zlib;
  std::string_view dictionary;
};

// A payload resource where a loaded program holds it, and the size it declares.
// Its bytes are read through the program's file, not the view: read there,
// each would keep its pages in the program's memory.
struct TPayloadView {
  std::string_view raw;
  int32_t size = 0;
  TPayloadCodec codec;
};

// Larger declared sizes are taken as damage rather than trusted for an allocation.
inline constexpr int32_t kMaxUnpackedSize = 1 << 30;

// A payload resource's raw bytes, read piece by piece where they are not all at
// hand: `read` gives the `length` bytes from `offset` on (valid until the next
// read), or why it cannot read them. Calls stay within `size`.
struct TRawResource {
  using TReader = std::function<TOutcome<std::string_view>(size_t offset, size_t length)>;

  // Bytes in memory; they must outlive the resource.
  TRawResource(std::string_view bytes);
  TRawResource(const Bytes& bytes) : TRawResource(std::string_view(bytes)) {}
  TRawResource(size_t size, TReader read) : size(size), read(std::move(read)) {}

  size_t size;
  TReader read;
};

// The failure of a payload that cannot be read or does not inflate, told of
// `item`, the file it was meant to be (kErrorDamagedPayload).
TResult DamagedPayload(std::string item = {});

// The size field of a payload resource; the read's failure when it cannot be
// read, damage when the resource is too short to hold one or declares a size
// outside 0..kMaxUnpackedSize.
TOutcome<int32_t> ReadDeclaredSize(const TRawResource& raw);

// Inflates a payload resource. Intact only when the stream is intact (for zstd:
// its checksum holds, its window is within kZstdWindowLog, the dictionary it
// names is the one given) and yields exactly the declared number of bytes;
// else the failure of a read that failed or a DamagedPayload, without item.
TOutcome<Bytes> UnpackResource(const TRawResource& raw, const TPayloadCodec& codec = {});

// Takes the next inflated piece; a failure stops the inflating.
using TPayloadSink = std::function<TResult(std::string_view piece)>;

// Inflates a payload resource piece by piece (at most 1 MiB each) into `sink`.
// Succeeds on the same terms as UnpackResource; fails with the sink's failure
// when it stops, else as UnpackResource does. On failure, some pieces may
// already have gone to the sink.
TResult InflateResource(const TRawResource& raw, const TPayloadSink& sink, const TPayloadCodec& codec = {});

// Encodes data as a payload resource: size field and a zlib stream, written by
// libdeflate at its highest level. Throws std::length_error for data over
// 1 GiB, std::runtime_error for a failing compressor.
Bytes PackResource(std::string_view data);

// Encodes data as a zstd payload resource: size field and one zstd frame at a
// high level, with an 8 MiB window at most, a checksum, and `dictionary` when
// it is not empty. Throws as PackResource does.
Bytes PackZstdResource(std::string_view data, std::string_view dictionary = {});

// A zstd dictionary of at most `capacity` bytes trained on `samples`; empty
// when they are too few or too small to train one.
Bytes TrainZstdDictionary(const std::vector<std::string_view>& samples, size_t capacity);
