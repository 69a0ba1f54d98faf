// resedit: changes one resource of a packed installer in place, so that the
// end-to-end tests can start installers with damaged or missing payload.
//
//   resedit INSTALLER get [--bitmap] NAME          raw bytes to standard output
//   resedit INSTALLER set [--bitmap] NAME FILE     replace (or add) with FILE's bytes
//   resedit INSTALLER remove [--bitmap] NAME

#include <iostream>
#include <string>
#include <vector>

#include "packer/u_Files.h"
#include "packer/u_PackError.h"
#include "tests/packer/u_ResourceEdit.h"

namespace {

constexpr char kUsage[] =
    "usage: resedit INSTALLER get|remove [--bitmap] NAME\n"
    "       resedit INSTALLER set [--bitmap] NAME FILE\n";

int Run(std::vector<std::string> args) {
  if (args.size() < 3) return 2;
  const std::string installer = args[0], command = args[1];
  args.erase(args.begin(), args.begin() + 2);
  const bool bitmap = args[0] == "--bitmap";
  if (bitmap) args.erase(args.begin());
  const size_t operands = command == "set" ? 2 : 1;
  if (args.size() != operands) return 2;

  const Bytes file = ReadWholeFile(installer);
  if (command == "get") {
    std::cout << ExtractResource(file, bitmap, args[0]) << std::flush;
    return 0;
  }
  TResourceEdit edit{bitmap, args[0], {}};
  if (command == "set") edit.data = ReadWholeFile(args[1]);
  else if (command != "remove") return 2;
  const Bytes edited = ApplyResourceEdit(file, edit);
  WriteFileAtomically(installer, [&](std::ostream& out) { out << edited; });
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const int status = Run({argv + 1, argv + argc});
    if (status == 2) std::cerr << kUsage;
    return status;
  } catch (const TPackError& e) {
    std::cerr << "resedit: " << e.what() << '\n';
    return 1;
  }
}
