#include "package/u_Payload.h"

#include <gtest/gtest.h>
#include <zlib.h>
#include <zstd.h>

#include <memory>
#include <vector>

namespace {

Bytes WithSize(int32_t size, std::string_view stream) {
  Bytes raw(4, '\0');
  for (int i = 0; i < 4; ++i) raw[i] = char(uint32_t(size) >> (8 * i));
  return raw + std::string(stream);
}

std::string Stream(const Bytes& packed) { return packed.substr(4); }

// The payload fails as damage, the one failure a payload has of itself.
bool Damaged(const TOutcome<Bytes>& unpacked) {
  return !unpacked && unpacked.Failure().Code() == kErrorDamagedPayload && !unpacked.Failure().Reason().empty();
}

// A payload resource whose stream zlib itself wrote at `level`.
Bytes ZlibResource(std::string_view data, int level) {
  uLongf size = compressBound(uLong(data.size()));
  Bytes stream(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(stream.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                      uLong(data.size()), level),
            Z_OK);
  stream.resize(size);
  return WithSize(int32_t(data.size()), stream);
}

#if defined(__SANITIZE_ADDRESS__)
extern "C" void __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                          void (*)(const volatile void*));

// The largest single allocation while a block runs, seen through the sanitizer's hooks.
class TLargestAllocation {
public:
  template <typename F>
  static size_t During(F&& run) {
    static const bool installed = [] {
      __sanitizer_install_malloc_and_free_hooks([](const volatile void*, size_t size) {
        if (recording_) largest_ = std::max(largest_, size);
      }, [](const volatile void*) {});
      return true;
    }();
    (void)installed;
    largest_ = 0;
    recording_ = true;
    run();
    recording_ = false;
    return largest_;
  }

private:
  static inline bool recording_ = false;
  static inline size_t largest_ = 0;
};
#endif

}  // namespace

TEST(UnpackResource, RoundTripsWhatThePackerWrites) {
  const std::string data = std::string("hello\0world", 11) + std::string(100000, 'x');
  const Bytes packed = PackResource(data);
  EXPECT_EQ(uint8_t(packed[4]), 0x78);
  EXPECT_EQ(uint8_t(packed[5]), 0xDA);  // the highest level
  const TOutcome<Bytes> out = UnpackResource(packed);
  ASSERT_TRUE(out);
  EXPECT_EQ(*out, data);
}

TEST(UnpackResource, DataAtDeflatesBestRatioStillUnpacks) {
  // One repeated byte is what deflate packs tightest, zlib's own stream tighter than libdeflate's.
  const std::string data(64 << 20, 'a');
  const Bytes packed = ZlibResource(data, 9);
  EXPECT_GT(data.size() / packed.size(), 1000u);
  const TOutcome<Bytes> out = UnpackResource(packed);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->size(), data.size());
  EXPECT_EQ(*out, data);
}

TEST(UnpackResource, AcceptsAnyValidZlibStream) {
  const std::string data(5000, 'q');
  for (const int level : {1, 0 /* stored blocks */}) {
    const TOutcome<Bytes> out = UnpackResource(ZlibResource(data, level));
    ASSERT_TRUE(out) << level;
    EXPECT_EQ(*out, data) << level;
  }
}

TEST(UnpackResource, EmptyPayloadUnpacksToEmptyData) {
  const TOutcome<Bytes> out = UnpackResource(PackResource(""));
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->empty());
}

TEST(UnpackResource, SizeFieldMustMatchTheStream) {
  const std::string data(1000, 'a');
  const std::string stream = Stream(PackResource(data));
  EXPECT_TRUE(UnpackResource(WithSize(1000, stream)));
  EXPECT_TRUE(Damaged(UnpackResource(WithSize(999, stream)))) << "declared size smaller than the data";
  EXPECT_TRUE(Damaged(UnpackResource(WithSize(1001, stream)))) << "stream ends short of the declared size";
}

TEST(UnpackResource, ShortOrAbsurdSizeFieldIsDamage) {
  EXPECT_TRUE(Damaged(UnpackResource(std::string_view(""))));
  EXPECT_TRUE(Damaged(UnpackResource(std::string_view("\x01\x00\x00"))));
  EXPECT_TRUE(Damaged(UnpackResource(WithSize(0, "")))) << "exactly four bytes, no stream";
  const std::string stream = Stream(PackResource("x"));
  EXPECT_TRUE(Damaged(UnpackResource(WithSize(-1, stream))));
  EXPECT_TRUE(Damaged(UnpackResource(WithSize(kMaxUnpackedSize + 1, stream))));
}

TEST(UnpackResource, SizeFieldIsNotTrustedForAnAllocation) {
#if defined(__SANITIZE_ADDRESS__)
  // A few bytes declaring 1 GiB, as damage or a crafted file would.
  const std::string stream = Stream(PackResource("short"));
  const size_t largest =
      TLargestAllocation::During([&] { EXPECT_TRUE(Damaged(UnpackResource(WithSize(kMaxUnpackedSize, stream)))); });
  EXPECT_LT(largest, size_t(1) << 20);
#else
  GTEST_SKIP() << "needs the address sanitizer's allocation hooks";
#endif
}

TEST(UnpackResource, DamagedStreamsFail) {
  const std::string data = "The quick brown fox jumps over the lazy dog, again and again and again.";
  const Bytes good = PackResource(data);

  Bytes badTrailer = good;
  badTrailer.back() ^= 0x01;
  EXPECT_TRUE(Damaged(UnpackResource(badTrailer))) << "wrong Adler-32";

  Bytes badMethod = good;
  badMethod[4] = 0x77;  // compression method 7, header check no longer holds either
  EXPECT_TRUE(Damaged(UnpackResource(badMethod)));

  Bytes badCheck = good;
  badCheck[5] = char(0xDB);
  EXPECT_TRUE(Damaged(UnpackResource(badCheck))) << "header check bits";

  EXPECT_TRUE(Damaged(UnpackResource(good.substr(0, good.size() - 3)))) << "truncated stream";

  // A raw deflate stream (no zlib header) is not accepted.
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string raw(256, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = uInt(data.size());
  z.next_out = reinterpret_cast<Bytef*>(raw.data());
  z.avail_out = uInt(raw.size());
  ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  raw.resize(z.total_out);
  deflateEnd(&z);
  EXPECT_TRUE(Damaged(UnpackResource(WithSize(int32_t(data.size()), raw))));
}

TEST(ReadDeclaredSize, LittleEndianSigned) {
  const TOutcome<int32_t> small = ReadDeclaredSize(std::string("\x10\x27\x00\x00", 4));
  ASSERT_TRUE(small);
  EXPECT_EQ(*small, 10000);
  const TOutcome<int32_t> largest = ReadDeclaredSize(std::string("\x00\x00\x00\x40", 4));
  ASSERT_TRUE(largest);
  EXPECT_EQ(*largest, kMaxUnpackedSize);
  const TOutcome<int32_t> negative = ReadDeclaredSize(std::string("\xFF\xFF\xFF\xFF", 4));
  ASSERT_FALSE(negative);
  EXPECT_EQ(negative.Failure().Code(), kErrorDamagedPayload);
}

namespace {

// A resource read through `read` from `bytes`, the way the setup program reads
// its own file: each read checked to stay within the resource, and counted.
struct TCountingReader {
  explicit TCountingReader(const Bytes& bytes) : bytes(bytes) {}

  TRawResource Resource() {
    return {bytes.size(), [this](size_t offset, size_t length) -> TOutcome<std::string_view> {
              EXPECT_LE(offset + length, bytes.size());
              ++reads;
              if (reads == failingRead) return TResult(59, "", "the network is gone");
              copy = bytes.substr(offset, length);  // a buffer of its own, overwritten by the next read
              return std::string_view(copy);
            }};
  }

  const Bytes& bytes;
  Bytes copy;
  int reads = 0;
  int failingRead = 0;
};

// Half repetitive text, half noise: more than one read of packed input.
Bytes MixedContent(size_t size) {
  Bytes data(size, '\0');
  uint32_t state = 7;
  for (size_t i = 0; i < size; ++i)
    data[i] = i < size / 2 ? char('a' + i % 23) : char((state = state * 1103515245 + 12345) >> 24);
  return data;
}

}  // namespace

TEST(InflateResource, ReadsThroughAReaderAsFromMemory) {
  const Bytes data = MixedContent(5 << 20);
  const Bytes packed = PackResource(data);
  ASSERT_GT(packed.size(), size_t(2) << 20);
  TCountingReader reader(packed);
  Bytes out;
  EXPECT_TRUE(InflateResource(reader.Resource(), [&](std::string_view piece) {
    out.append(piece);
    return TResult();
  }));
  EXPECT_EQ(out, data);
  EXPECT_GT(reader.reads, 3) << "the size field and the stream in pieces";
}

// A read that fails is no damage: its own failure is the resource's.
TEST(InflateResource, AFailedReadFailsTheResourceWithItsReason) {
  const Bytes packed = PackResource(MixedContent(5 << 20));
  for (int failing : {1, 2, 3}) {
    TCountingReader reader(packed);
    reader.failingRead = failing;
    const TResult inflated = InflateResource(reader.Resource(), [](std::string_view) { return TResult(); });
    EXPECT_EQ(inflated.Code(), 59u) << failing;
    EXPECT_EQ(inflated.Reason(), "the network is gone") << failing;
    EXPECT_EQ(reader.reads, failing) << "no reads after the failed one";
  }
}

TEST(InflateResource, AReaderThatGivesNothingEndsTheResource) {
  const Bytes packed = PackResource("some text");
  const TRawResource empty(packed.size(), [](size_t, size_t) { return std::string_view(); });
  EXPECT_EQ(ReadDeclaredSize(empty).Failure().Code(), kErrorDamagedPayload);
  EXPECT_EQ(InflateResource(empty, [](std::string_view) { return TResult(); }).Code(), kErrorDamagedPayload);
}

TEST(InflateResource, TheSinksFailureStopsItAndIsTheResult) {
  const Bytes packed = PackResource(MixedContent(3 << 20));
  int pieces = 0;
  const TResult stopped = InflateResource(packed, [&](std::string_view) {
    return ++pieces == 2 ? TResult(112, "out.bin", "disk full") : TResult();
  });
  EXPECT_EQ(pieces, 2) << "no pieces after the failing one";
  EXPECT_EQ(stopped.Code(), 112u);
  EXPECT_EQ(stopped.Item(), "out.bin");
  EXPECT_EQ(stopped.Reason(), "disk full");
}

namespace {

constexpr TPayloadCodec kZstd{TPayloadFormat::Zstd, {}};

// A zstd payload resource whose frame zstd wrote with the given parameters.
Bytes ZstdResource(std::string_view data, std::initializer_list<std::pair<ZSTD_cParameter, int>> parameters) {
  const std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)> context(ZSTD_createCCtx(), ZSTD_freeCCtx);
  for (const auto& [parameter, value] : parameters)
    EXPECT_FALSE(ZSTD_isError(ZSTD_CCtx_setParameter(context.get(), parameter, value)));
  Bytes frame(ZSTD_compressBound(data.size()), '\0');
  const size_t size = ZSTD_compress2(context.get(), frame.data(), frame.size(), data.data(), data.size());
  EXPECT_FALSE(ZSTD_isError(size));
  frame.resize(size);
  return WithSize(int32_t(data.size()), frame);
}

// Small text files that share their words, as a product's small files do.
std::vector<Bytes> SmallTexts() {
  std::vector<Bytes> texts;
  for (int n = 0; n < 200; ++n) {
    Bytes text = "Licence notice " + std::to_string(n) + "\r\n";
    for (int line = 0; line < 30; ++line)
      text += "Permission is hereby granted to use copy " + std::to_string(n * line) + " of the software\r\n";
    texts.push_back(text);
  }
  return texts;
}

}  // namespace

TEST(UnpackZstdResource, RoundTripsWithAndWithoutTheDictionary) {
  const Bytes data = MixedContent(3 << 20);
  const Bytes packed = PackZstdResource(data);
  const TOutcome<Bytes> unpacked = UnpackResource(packed, kZstd);
  ASSERT_TRUE(unpacked);
  EXPECT_EQ(*unpacked, data);
  EXPECT_LT(packed.size(), PackResource(data).size());
  const TOutcome<Bytes> empty = UnpackResource(PackZstdResource(""), kZstd);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());

  // Read through a reader, in pieces, as the setup program reads its file.
  TCountingReader reader(packed);
  Bytes out;
  const auto append = [&](std::string_view piece) {
    out.append(piece);
    return TResult();
  };
  EXPECT_TRUE(InflateResource(reader.Resource(), append, kZstd));
  EXPECT_EQ(out, data);
  EXPECT_GT(reader.reads, 2);

  const std::vector<Bytes> texts = SmallTexts();
  const Bytes dictionary = TrainZstdDictionary(std::vector<std::string_view>(texts.begin(), texts.end()), 16 << 10);
  ASSERT_FALSE(dictionary.empty());
  EXPECT_EQ(TrainZstdDictionary(std::vector<std::string_view>(texts.begin(), texts.end()), 16 << 10), dictionary)
      << "the same dictionary every time";
  const Bytes small = PackZstdResource(texts[7], dictionary);
  EXPECT_LT(small.size(), PackZstdResource(texts[7]).size());
  const TOutcome<Bytes> withDictionary = UnpackResource(small, {TPayloadFormat::Zstd, dictionary});
  ASSERT_TRUE(withDictionary);
  EXPECT_EQ(*withDictionary, texts[7]);
  EXPECT_TRUE(TrainZstdDictionary({"too", "few"}, 16 << 10).empty());
}

TEST(UnpackZstdResource, EachDamageFails) {
  const Bytes data = MixedContent(300000);
  const Bytes good = PackZstdResource(data);
  const std::string frame = Stream(good);
  const std::vector<Bytes> texts = SmallTexts();
  const Bytes dictionary = TrainZstdDictionary(std::vector<std::string_view>(texts.begin(), texts.end()), 16 << 10);
  const Bytes otherDictionary =
      TrainZstdDictionary(std::vector<std::string_view>(texts.begin() + 100, texts.end()), 8 << 10);
  Bytes badChecksum = good, badBlock = good;
  badChecksum.back() ^= 1;
  badBlock[good.size() / 2] ^= 0x40;
  const Bytes withDictionary = PackZstdResource(texts[3], dictionary);
  const Bytes wideWindow(9 << 20, 'w');
  const std::pair<std::string, std::pair<Bytes, TPayloadCodec>> cases[] = {
      {"negative size", {WithSize(-5, frame), kZstd}},
      {"size above 1 GiB", {WithSize(kMaxUnpackedSize + 1, frame), kZstd}},
      {"size above what the frame can yield", {WithSize(kMaxUnpackedSize, frame.substr(0, 20)), kZstd}},
      {"declares fewer bytes", {WithSize(int32_t(data.size() - 1), frame), kZstd}},
      {"declares more bytes", {WithSize(int32_t(data.size() + 1), frame), kZstd}},
      {"frame ends early", {good.substr(0, good.size() / 2), kZstd}},
      {"only the size field", {good.substr(0, 4), kZstd}},
      {"bytes after the frame", {good + "x", kZstd}},
      {"damaged checksum", {badChecksum, kZstd}},
      {"damaged block", {badBlock, kZstd}},
      {"no content size", {ZstdResource(data, {{ZSTD_c_contentSizeFlag, 0}}), kZstd}},
      {"window above 8 MiB", {ZstdResource(wideWindow, {{ZSTD_c_compressionLevel, 1}, {ZSTD_c_windowLog, 24}}), kZstd}},
      {"missing dictionary", {withDictionary, kZstd}},
      {"another dictionary", {withDictionary, {TPayloadFormat::Zstd, otherDictionary}}},
      {"a zlib stream as zstd", {PackResource(data), kZstd}},
      {"a zstd frame as zlib", {good, {}}},
  };
  for (const auto& [name, payload] : cases) {
    EXPECT_TRUE(Damaged(UnpackResource(payload.first, payload.second))) << name;
  }
}
