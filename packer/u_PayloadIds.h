#pragma once
// The resource ids of the payload, as the packer writes and reads them.

#include <cstddef>

#include "package/u_Payload.h"
#include "packer/c_ResourceTree.h"
#include "packer/u_CodePages.h"

inline constexpr size_t kBitmapInfoHeaderSize = 40;

inline TResourceId AsciiId(std::string_view name) { return TResourceId::Name(AnsiToUtf16(name, kDefaultCodePage)); }

inline const TResourceId& PayloadType() {
  static const TResourceId id = AsciiId(kPayloadType);
  return id;
}
inline const TResourceId& ZstdPayloadType() {
  static const TResourceId id = AsciiId(kZstdPayloadType);
  return id;
}
inline const TResourceId& ZstdDictionaryName() {
  static const TResourceId id = TResourceId::Number(kZstdDictionaryId);
  return id;
}
inline const TResourceId& BitmapType() {
  static const TResourceId id = TResourceId::Number(kBitmapType);
  return id;
}
inline const TResourceId& TopLogoName() {
  static const TResourceId id = AsciiId(kTopLogoResource);
  return id;
}
