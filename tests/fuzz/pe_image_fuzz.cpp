// The packer's reading of program files from arbitrary bytes: the PE headers,
// the resource tree, the rebuild of the resource section, and the inspect and
// verify examinations of an installer.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "packer/c_PeImage.h"
#include "packer/u_PackError.h"
#include "packer/u_Packer.h"

namespace {

// The examinations read a file: the input goes to one of this process.
class TScratchFile {
public:
  TScratchFile()
      : path_(std::filesystem::temp_directory_path() / ("pe_image_fuzz." + std::to_string(getpid()) + ".exe")) {}
  ~TScratchFile() { std::filesystem::remove(path_); }
  const std::filesystem::path& Write(const uint8_t* data, size_t size) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path_;
  }

private:
  std::filesystem::path path_;
};

bool SameResources(const TResourceTree& a, const TResourceTree& b) {
  const auto leaves = [](const TResourceTree& tree) {
    std::vector<std::tuple<TResourceId, TResourceId, TResourceId, Bytes, uint32_t>> list;
    for (const auto& [type, names] : tree.Types())
      for (const auto& [name, languages] : names)
        for (const auto& [language, data] : languages) list.emplace_back(type, name, language, data.bytes, data.codePage);
    return list;
  };
  return leaves(a) == leaves(b);
}

// A rebuilt image must read back with the same resources.
void RebuildResources(const TPeImage& image, const TResourceTree& resources) {
  try {
    image.CheckPackable();
  } catch (const TPackError&) {
    return;
  }
  const TPeImage rebuilt(image.WithResources(resources).ToBytes());
  if (!SameResources(rebuilt.Resources(), resources)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const TPeImage image(Bytes(reinterpret_cast<const char*>(data), size));
    image.ComputedCheckSum();
    RebuildResources(image, image.Resources());
  } catch (const TPackError&) {
  }

  static TScratchFile scratch;
  const auto& path = scratch.Write(data, size);
  for (const bool listAll : {true, false}) {
    std::ostringstream out;
    try {
      ExamineInstaller(path, 1252, listAll, {out, out});
    } catch (const TPackError&) {
    }
  }
  return 0;
}
