// Inflates every payload resource of an installer in memory, of either format,
// with the installer's own UnpackResource and prints the milliseconds that took
// and the bytes it gave; loading the resources is not timed.
//
//   benchinflate.exe INSTALLER

#include <windows.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "actions/win_API.h"
#include "package/u_Payload.h"

namespace {

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) * 1000 / double(frequency.QuadPart);
}

// The raw bytes of every named resource of a payload type, in the module's mapping.
std::vector<std::string_view> PayloadResources(HMODULE module, const char* type) {
  std::vector<std::string_view> found;
  EnumResourceNamesA(
      module, type,
      [](HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) -> BOOL {
        HRSRC info = IS_INTRESOURCE(name) ? nullptr : FindResourceA(module, name, type);  // not the dictionary
        HGLOBAL data = info ? LoadResource(module, info) : nullptr;
        if (data)
          reinterpret_cast<std::vector<std::string_view>*>(param)->emplace_back(
              static_cast<const char*>(LockResource(data)), SizeofResource(module, info));
        return TRUE;
      },
      LONG_PTR(&found));
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: benchinflate INSTALLER\n");
    return 2;
  }
  const unique_module module(LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module) {
    std::fprintf(stderr, "benchinflate: cannot load %s\n", argv[1]);
    return 1;
  }
  std::vector<std::pair<std::string_view, TPayloadCodec>> resources;
  for (std::string_view raw : PayloadResources(module.get(), kPayloadType)) resources.push_back({raw, {}});
  TPayloadCodec zstd{TPayloadFormat::Zstd, {}};
  if (HRSRC info = FindResourceA(module.get(), MAKEINTRESOURCEA(kZstdDictionaryId), kZstdPayloadType))
    zstd.dictionary = std::string_view(static_cast<const char*>(LockResource(LoadResource(module.get(), info))),
                                       SizeofResource(module.get(), info));
  for (std::string_view raw : PayloadResources(module.get(), kZstdPayloadType)) resources.push_back({raw, zstd});
  unsigned long long unpackedBytes = 0;
  const double start = NowMs();
  for (const auto& [raw, codec] : resources) {
    const TOutcome<Bytes> unpacked = UnpackResource(raw, codec);
    if (!unpacked) {
      std::fprintf(stderr, "benchinflate: a payload resource is damaged\n");
      return 1;
    }
    unpackedBytes += unpacked->size();
  }
  std::printf("%.1f ms %llu bytes %zu resources\n", NowMs() - start, unpackedBytes, resources.size());
  return 0;
}
