// velkpack: puts a product into an installer (a copy of the setup stub carrying
// the payload as resources), and lists or checks the payload of an installer.

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "packer/u_Packer.h"

namespace {

constexpr char kUsage[] =
    "usage: velkpack pack SCRIPT --stub SETUP.EXE -o INSTALLER [--codepage 1252|1251]\n"
    "       velkpack inspect INSTALLER [--codepage 1252|1251]\n"
    "       velkpack verify INSTALLER [--codepage 1252|1251]\n";

struct TArguments {
  std::string command;
  std::vector<std::string> positional;
  std::optional<std::string> stub, output;
  int codePage = kDefaultCodePage;
};

// nullopt (after a message) when the command line is malformed.
std::optional<TArguments> ParseArguments(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  TArguments args{argv[1], {}, {}, {}, kDefaultCodePage};
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool takesValue = arg == "--stub" || arg == "-o" || arg == "--codepage";
    if (takesValue && i + 1 >= argc) {
      std::cerr << "velkpack: " << arg << " needs a value\n";
      return std::nullopt;
    }
    if (arg == "--stub") args.stub = argv[++i];
    else if (arg == "-o") args.output = argv[++i];
    else if (arg == "--codepage") {
      args.codePage = std::atoi(argv[++i]);
      if (!IsSupportedCodePage(args.codePage)) {
        std::cerr << "velkpack: code page " << argv[i] << " is not supported (1252 or 1251)\n";
        return std::nullopt;
      }
    } else if (arg.starts_with("-")) {
      std::cerr << "velkpack: unknown option " << arg << '\n';
      return std::nullopt;
    } else {
      args.positional.emplace_back(arg);
    }
  }
  return args;
}

int Run(const TArguments& args) {
  if (args.command == "pack") {
    if (args.positional.size() != 1 || !args.stub || !args.output) return 2;
    PackInstaller({args.positional[0], *args.stub, *args.output, args.codePage, 0}, std::cout);
    return 0;
  }
  if ((args.command == "inspect" || args.command == "verify") && args.positional.size() == 1) {
    const bool verify = args.command == "verify";
    const size_t problems = ExamineInstaller(args.positional[0], args.codePage, !verify, std::cout);
    if (verify) {
      std::cout << args.positional[0] << ": ";
      if (problems) std::cout << "damaged, " << problems << " problem(s)\n";
      else std::cout << "OK\n";
    }
    return verify && problems ? 1 : 0;
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = ParseArguments(argc, argv);
  try {
    const int status = args ? Run(*args) : 2;
    if (status == 2) std::cerr << kUsage;
    return status;
  } catch (const std::exception& e) {  // TPackError, and std::bad_alloc for files beyond memory
    std::cout.flush();
    std::cerr << "velkpack: error: " << e.what() << '\n';
  }
  return 1;
}
