// Packing lives apart from unpacking so that the setup program, which only
// unpacks, does not link the compressors.

#include <libdeflate.h>
#include <zdict.h>
#include <zstd.h>

#include <memory>
#include <new>
#include <stdexcept>

#include "package/u_Payload.h"

namespace {

// libdeflate's highest level: ordinary zlib streams (header 0x78 0xDA),
// smaller than zlib's own level 9 for about the same time.
constexpr int kDeflateLevel = 12;

// zstd's highest level before its "ultra" ones, whose larger windows the
// setup program would need memory for.
constexpr int kZstdLevel = 19;

using TDeflater = std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)>;
using TZstdCompressor = std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)>;

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
  const size_t packed =
      libdeflate_zlib_compress(deflater.get(), data.data(), data.size(), out.data() + 4, out.size() - 4);
  if (packed == 0) throw std::runtime_error("deflate compression failed");
  out.resize(4 + packed);
  return out;
}

Bytes PackZstdResource(std::string_view data, std::string_view dictionary) {
  const TZstdCompressor compressor(ZSTD_createCCtx(), ZSTD_freeCCtx);
  if (!compressor) throw std::bad_alloc();
  const auto set = [&](ZSTD_cParameter parameter, int value) {
    if (ZSTD_isError(ZSTD_CCtx_setParameter(compressor.get(), parameter, value)))
      throw std::runtime_error("zstd refused a compression parameter");
  };
  set(ZSTD_c_compressionLevel, kZstdLevel);
  set(ZSTD_c_windowLog, kZstdWindowLog);
  set(ZSTD_c_checksumFlag, 1);
  if (!dictionary.empty() &&
      ZSTD_isError(ZSTD_CCtx_loadDictionary(compressor.get(), dictionary.data(), dictionary.size())))
    throw std::runtime_error("zstd refused the dictionary");
  Bytes out = WithDeclaredSize(data, ZSTD_compressBound(data.size()));
  const size_t packed = ZSTD_compress2(compressor.get(), out.data() + 4, out.size() - 4, data.data(), data.size());
  if (ZSTD_isError(packed))
    throw std::runtime_error(std::string("zstd compression failed: ") + ZSTD_getErrorName(packed));
  out.resize(4 + packed);
  return out;
}

Bytes TrainZstdDictionary(const std::vector<std::string_view>& samples, size_t capacity) {
  Bytes joined;
  std::vector<size_t> sizes;
  for (const std::string_view sample : samples) {
    joined += sample;
    sizes.push_back(sample.size());
  }
  Bytes dictionary(capacity, '\0');
  const size_t size =
      ZDICT_trainFromBuffer(dictionary.data(), capacity, joined.data(), sizes.data(), unsigned(sizes.size()));
  if (ZDICT_isError(size)) return {};
  dictionary.resize(size);
  return dictionary;
}
