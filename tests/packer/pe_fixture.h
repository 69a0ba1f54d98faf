#pragma once
// Small program files made in memory for the packer tests, and a resource
// lookup that walks a file's resource tree the way the Windows loader does.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "package/u_Payload.h"
#include "packer/c_ResourceTree.h"

struct TImageShape {
  bool pe32Plus = true;
  bool extraSectionAfterResources = false;  // a '.data2' section after .rsrc
  bool signature = false;                   // a security directory
  size_t overlay = 0;                       // bytes after the last section
};

// Where MakeImage puts the PE header.
inline constexpr size_t kPeOffset = 0x40;

// An image with .text, .rsrc (holding `resources`) and .reloc, aligned like a
// linker would write it.
Bytes MakeImage(const TResourceTree& resources, const TImageShape& shape = {});

// A few resources a stub carries: a manifest and a version block.
TResourceTree StubResources();

// Finds a resource by binary search over the sorted entries, comparing an
// upper-cased name by UTF-16 code units, and takes the first language; the
// data are read through the section table. nullopt when not found.
std::optional<Bytes> FindLikeLoader(const Bytes& file, const TResourceId& type, const TResourceId& name);

// The real stub from the cross tree, when the build has one.
std::optional<std::filesystem::path> RealStub();

// A fresh empty folder for the running test, removed with its contents.
class TTestFolder {
public:
  TTestFolder();
  ~TTestFolder();
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path Write(const std::string& name, std::string_view data) const;

private:
  std::filesystem::path path_;
};

TResourceId Named(std::u16string name);
