#pragma once
// The resource tree of a program file: type -> name -> language -> data, read
// from a resource section and written back in the form the Windows loader
// searches (named entries first, sorted by their UTF-16 code units, then
// numbered entries ascending; names as length-prefixed UTF-16).

#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "package/u_Payload.h"

// A resource type, name or language: a number or a (non-empty) UTF-16 name.
struct TResourceId {
  std::u16string name;
  uint16_t number = 0;

  static TResourceId Number(uint16_t number) { return {{}, number}; }
  static TResourceId Name(std::u16string name) { return {std::move(name), 0}; }
  bool IsName() const { return !name.empty(); }

  friend std::strong_ordering operator<=>(const TResourceId& a, const TResourceId& b);
  friend bool operator==(const TResourceId& a, const TResourceId& b) { return (a <=> b) == 0; }
};

// A printable form: the name as UTF-8, or the number.
std::string ToString(const TResourceId& id);

inline constexpr uint16_t kBitmapType = 2;
inline constexpr uint16_t kLanguageNeutral = 0;

struct TResourceData {
  Bytes bytes;
  uint32_t codePage = 0;
};

// A resource section as written: the directory part, then each data blob at an
// 8-byte boundary. The blobs are views into the tree it was built from.
class TResourceSection {
public:
  size_t Size() const;
  // The section's bytes in order, padding included.
  std::vector<std::string_view> Pieces() const;

private:
  friend class TResourceTree;
  Bytes directory_;
  std::vector<std::string_view> data_;
};

class TResourceTree {
public:
  using TLanguages = std::map<TResourceId, TResourceData>;
  using TNames = std::map<TResourceId, TLanguages>;
  using TTypes = std::map<TResourceId, TNames>;

  // Reads the tree of a resource section loaded at `sectionRva`; throws
  // TPackError when the tree is malformed.
  static TResourceTree Parse(std::string_view section, uint32_t sectionRva);

  // Adds or replaces one resource.
  void Set(const TResourceId& type, const TResourceId& name, uint16_t language, TResourceData data);
  // Removes a whole type, or one name of a type in all its languages.
  void Remove(const TResourceId& type);
  void Remove(const TResourceId& type, const TResourceId& name);

  const TTypes& Types() const { return types_; }
  // The first language of a resource, as a lookup without a language finds it
  // when only one language exists; nullptr when missing.
  const TResourceData* Find(const TResourceId& type, const TResourceId& name) const;

  // The section for loading at `sectionRva`. The tree must outlive the result.
  TResourceSection Build(uint32_t sectionRva) const;

private:
  TTypes types_;
};
