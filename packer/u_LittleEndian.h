#pragma once
// Little-endian fields of binary formats, read with bounds checks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "packer/u_PackError.h"

inline uint32_t ReadLE(std::string_view data, size_t offset, size_t width) {
  if (offset > data.size() || data.size() - offset < width)
    throw TPackError("data ends at byte " + std::to_string(data.size()) + ", a field at byte " +
                     std::to_string(offset) + " lies beyond it");
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= uint32_t(static_cast<unsigned char>(data[offset + i])) << (8 * i);
  return value;
}
inline uint16_t Read16(std::string_view data, size_t offset) { return uint16_t(ReadLE(data, offset, 2)); }
inline uint32_t Read32(std::string_view data, size_t offset) { return ReadLE(data, offset, 4); }

// Writes into existing bytes; the caller sized the buffer.
inline void WriteLE(std::string& data, size_t offset, uint32_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) data.at(offset + i) = char(value >> (8 * i));
}
inline void Write16(std::string& data, size_t offset, uint16_t value) { WriteLE(data, offset, value, 2); }
inline void Write32(std::string& data, size_t offset, uint32_t value) { WriteLE(data, offset, value, 4); }

inline constexpr size_t AlignUp(size_t value, size_t alignment) { return (value + alignment - 1) / alignment * alignment; }
