#pragma once
// A Windows program file (PE32 or PE32+) as the packer changes it: the
// resource section is rebuilt in place, the sections after it that only a data
// directory refers to (the base relocations) move with it, and the image size,
// the initialised-data size and the checksum are fixed. Nothing else changes.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "package/u_Payload.h"
#include "packer/c_ResourceTree.h"

struct TPeSection {
  std::string name;
  uint32_t virtualSize, virtualAddress, rawSize, rawPointer, characteristics;
  size_t headerOffset;  // of its entry in the section table
};

class TPackedImage;

class TPeImage {
public:
  // Parses a program file; throws TPackError saying what is wrong with it.
  explicit TPeImage(Bytes file);

  bool IsPe32Plus() const { return pe32Plus_; }
  const Bytes& File() const { return file_; }
  const std::vector<TPeSection>& Sections() const { return sections_; }
  uint32_t CheckSumField() const;
  // The checksum the file should carry.
  uint32_t ComputedCheckSum() const;

  // The resources the image carries (an empty tree when it has none).
  TResourceTree Resources() const;

  // Throws TPackError when the layout of this image does not allow a rebuilt
  // resource section (signature, overlay data, sections that cannot move).
  void CheckPackable() const;

  // Lays out a copy of the image with `resources` as its resource section
  // (after CheckPackable). The result refers to this image and to the tree.
  TPackedImage WithResources(const TResourceTree& resources) const;

private:
  struct TDirectory {
    uint32_t rva, size;
  };
  TDirectory Directory(size_t index) const;
  size_t DirectoryOffset(size_t index) const { return directories_ + 8 * index; }
  const TPeSection& ResourceSection() const;
  void CheckMovable(const TPeSection& resources) const;

  Bytes file_;
  bool pe32Plus_ = false;
  size_t optionalHeader_ = 0, directories_ = 0;
  uint32_t directoryCount_ = 0, sectionAlignment_ = 0, fileAlignment_ = 0, headersSize_ = 0;
  std::vector<TPeSection> sections_;
};

// A program file ready to be written, as a list of pieces in file order.
class TPackedImage {
public:
  std::vector<std::string_view> Pieces() const;
  uint64_t Size() const;
  Bytes ToBytes() const;
  void WriteTo(std::ostream& out) const;

private:
  friend class TPeImage;
  Bytes headers_;
  std::string_view beforeResources_;
  Bytes pageGap_;  // zeros up to the page where the resources start
  TResourceSection resources_;
  Bytes padding_;
  std::string_view afterResources_;
};

// The PE checksum of a file given in pieces: 16-bit words summed with the
// carries folded back, plus the file length. The checksum field itself must
// hold 0.
uint32_t PeChecksum(const std::vector<std::string_view>& pieces);
