// velkpack: puts a product into an installer (a copy of the setup stub carrying
// the payload as resources), lists or checks the payload of an installer, and
// writes the file entries of a product folder into a setup script.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "packer/u_Files.h"
#include "packer/u_Harvest.h"
#include "packer/u_PackError.h"
#include "packer/u_Packer.h"
#include "packer/u_StarterScript.h"

namespace fs = std::filesystem;

namespace {

constexpr char kCodePageHelp[] =
    "  --codepage 1252|1251  the script's ANSI code page (default 1252, Western; 1251 Cyrillic)\n";

struct TCommand {
  std::string_view name, synopsis, help;
  std::vector<std::string_view> options;  // each takes a value
  size_t positional;
};

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> commands = {
      {"new", "new FOLDER --script SETUP.INI [--product NAME] [--company NAME] [--version TEXT] [--codepage N]",
       "Writes a starter setup script for the product in FOLDER: the product keys, the installed-version marker,\n"
       "the uninstall entry of the Windows list of programs, shortcuts to the first program, and every file below\n"
       "FOLDER harvested into it. The script must not exist yet.\n"
       "  --script SETUP.INI    the script to write\n"
       "  --product NAME        the product's name (default: the folder's name)\n"
       "  --company NAME        the maker's name (default: My Company)\n"
       "  --version TEXT        the product's version (default: 1.0.0.0)\n",
       {"--script", "--product", "--company", "--version", "--codepage"},
       1},
      {"harvest", "harvest FOLDER --script SETUP.INI [--codepage N]",
       "Writes a file group for every folder and a file entry for every file below FOLDER into the script, between\n"
       "two marker lines that it owns; the rest of the script stays as it was. Run it again after files changed.\n"
       "Numbering goes on after the script's own entries, and files those name are left to them.\n"
       "  --script SETUP.INI    the script to update\n",
       {"--script", "--codepage"},
       1},
      {"pack", "pack SCRIPT --stub SETUP.EXE -o INSTALLER [--codepage N]",
       "Packs the product that the script describes into a copy of the setup program.\n"
       "  --stub SETUP.EXE      the setup program without payload\n"
       "  -o INSTALLER          the installer to write\n",
       {"--stub", "-o", "--codepage"},
       1},
      {"inspect", "inspect INSTALLER [--codepage N]", "Lists the payload of an installer and the entries of its script.\n",
       {"--codepage"}, 1},
      {"verify", "verify INSTALLER [--codepage N]",
       "Checks an installer: every payload resource inflates, each file entry has its payload, the checksum holds.\n",
       {"--codepage"}, 1},
  };
  return commands;
}

std::string Usage() {
  std::string usage = "usage:";
  for (const auto& command : Commands()) usage.append(" velkpack ").append(command.synopsis).append("\n      ");
  return usage + " velkpack [COMMAND] --help\n";
}

std::string Help(const TCommand& command) {
  return "usage: velkpack " + std::string(command.synopsis) + "\n" + std::string(command.help) + kCodePageHelp;
}

struct TArguments {
  const TCommand* command = nullptr;
  std::vector<fs::path> positional;
  std::map<std::string, fs::path> options;
  int codePage = kDefaultCodePage;
  bool help = false;

  std::optional<fs::path> Option(const std::string& name) const {
    const auto found = options.find(name);
    return found == options.end() ? std::nullopt : std::optional(found->second);
  }
};

// nullopt (after a message) when the command line is malformed.
std::optional<TArguments> ParseArguments(const std::vector<fs::path>& argv) {
  TArguments args;
  if (argv.empty()) return std::nullopt;
  const std::string name = DisplayPath(argv[0]);
  if (name == "--help" || name == "-h" || name == "help") {
    args.help = true;
    if (argv.size() == 1) return args;
  }
  const std::string commandName = args.help ? DisplayPath(argv[1]) : name;
  const auto& commands = Commands();
  const auto command = std::find_if(commands.begin(), commands.end(), [&](const auto& c) { return c.name == commandName; });
  if (command == commands.end()) {
    std::cerr << "velkpack: unknown command " << commandName << '\n';
    return std::nullopt;
  }
  args.command = &*command;
  for (size_t i = args.help ? 2 : 1; i < argv.size(); ++i) {
    const std::string arg = DisplayPath(argv[i]);
    if (arg == "--help" || arg == "-h") {
      args.help = true;
    } else if (std::find(command->options.begin(), command->options.end(), arg) != command->options.end()) {
      if (i + 1 >= argv.size()) {
        std::cerr << "velkpack: " << arg << " needs a value\n";
        return std::nullopt;
      }
      args.options[arg] = argv[++i];
    } else if (arg.starts_with("-")) {
      std::cerr << "velkpack: " << command->name << " has no option " << arg << '\n';
      return std::nullopt;
    } else {
      args.positional.push_back(argv[i]);
    }
  }
  if (const auto codePage = args.Option("--codepage")) {
    args.codePage = std::atoi(DisplayPath(*codePage).c_str());
    if (!IsSupportedCodePage(args.codePage)) {
      std::cerr << "velkpack: code page " << DisplayPath(*codePage) << " is not supported (1252 or 1251)\n";
      return std::nullopt;
    }
  }
  return args;
}

// An option's text in the script's code page.
std::string ScriptText(const TArguments& args, const std::string& option, const std::string& fallback) {
  const auto value = args.Option(option);
  if (!value) return fallback;
  const auto text = Utf16ToAnsi(value->u16string(), args.codePage);
  if (!text)
    throw TPackError(option + " " + DisplayPath(*value) + ": code page " + std::to_string(args.codePage) +
                     " cannot hold it");
  return *text;
}

std::string FolderName(const fs::path& folder, int codePage) {
  const auto name = Utf16ToAnsi(NormalPath(folder).filename().u16string(), codePage);
  return name && !name->empty() ? *name : "My Product";
}

int Run(const TArguments& args) {
  const std::string_view command = args.command->name;
  if (args.positional.size() != args.command->positional) return 2;
  const fs::path& first = args.positional[0];
  const auto script = args.Option("--script");
  if (command == "new" && script) {
    const TStarterRequest request{first, *script, ScriptText(args, "--company", "My Company"),
                                  ScriptText(args, "--product", FolderName(first, args.codePage)),
                                  ScriptText(args, "--version", "1.0.0.0"), args.codePage};
    WriteStarterScript(request, std::cout);
    return 0;
  }
  if (command == "harvest" && script) {
    HarvestFolder({first, *script, args.codePage}, std::cout);
    return 0;
  }
  const auto stub = args.Option("--stub"), output = args.Option("-o");
  if (command == "pack" && stub && output) {
    PackInstaller({first, *stub, *output, args.codePage, 0}, std::cout);
    return 0;
  }
  if (command == "inspect" || command == "verify") {
    const bool verify = command == "verify";
    const size_t problems = ExamineInstaller(first, args.codePage, !verify, std::cout);
    if (verify) {
      std::cout << DisplayPath(first) << ": ";
      if (problems) std::cout << "damaged, " << problems << " problem(s)\n";
      else std::cout << "OK\n";
    }
    return verify && problems ? 1 : 0;
  }
  return 2;
}

int Main(const std::vector<fs::path>& argv) {
  const auto args = ParseArguments(argv);
  try {
    if (args && args->help) {
      std::cout << (args->command ? Help(*args->command) : Usage());
      return 0;
    }
    const int status = args ? Run(*args) : 2;
    if (status == 2) std::cerr << (args ? Help(*args->command) : Usage());
    return status;
  } catch (const std::exception& e) {  // TPackError, and std::bad_alloc for files beyond memory
    std::cout.flush();
    std::cerr << "velkpack: error: " << e.what() << '\n';
  }
  return 1;
}

}  // namespace

#ifdef _WIN32
// Arguments arrive as UTF-16, so any file name works; messages go out as UTF-8.
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  return Main({argv + 1, argv + argc});
}
#else
int main(int argc, char** argv) { return Main({argv + 1, argv + argc}); }
#endif
