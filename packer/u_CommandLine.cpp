#include "packer/u_CommandLine.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "packer/u_Files.h"
#include "packer/u_Harvest.h"
#include "packer/u_PackError.h"
#include "packer/u_Packer.h"
#include "packer/u_StarterScript.h"

namespace fs = std::filesystem;

namespace {

constexpr char kCodePageHelp[] =
    "  --codepage 1252|1251  the script's ANSI code page (default 1252, Western; 1251 Cyrillic)\n";
constexpr char kExitStatusHelp[] =
    "Exit status: 0 success; 1 wrong input (script, files, setup program) or a damaged installer;\n"
    "2 wrong command line. Warnings and errors go to standard error as FILE:LINE: warning|error: TEXT.\n";

struct TCommand {
  std::string_view name, synopsis, help;
  std::vector<std::string_view> options;  // each takes a value
  std::string_view operand, required;     // the one operand's name; the option it cannot do without
  std::vector<std::string_view> flags = {};  // options without a value
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
       "FOLDER",
       "--script"},
      {"harvest", "harvest FOLDER --script SETUP.INI [--codepage N]",
       "Writes a file group for every folder and a file entry for every file below FOLDER into the script, between\n"
       "two marker lines that it owns; the rest of the script stays as it was. Run it again after files changed.\n"
       "Numbering goes on after the script's own entries, and files those name are left to them.\n"
       "  --script SETUP.INI    the script to update\n",
       {"--script", "--codepage"},
       "FOLDER",
       "--script"},
      {"pack",
       "pack SCRIPT -o INSTALLER [--stub SETUP.EXE] [-D NAME=VALUE]... [--compression zlib|zstd] "
       "[--warnings-as-errors] [--codepage N]",
       "Packs the product that the script describes into a copy of the setup program.\n"
       "  -o INSTALLER          the installer to write\n"
       "  --stub SETUP.EXE      the setup program without payload (default: setup.exe beside velkpack,\n"
       "                        else ../share/velksetup/setup.exe relative to it)\n"
       "  -D, --define NAME=VALUE  sets the script variable <NAME> in the packed script only: the first\n"
       "                        <NAME>= line takes VALUE, or one is added under [SetupInfo]; repeatable\n"
       "  --compression zlib|zstd  how the product's files are packed: zlib (default), read by every\n"
       "                        setup program, or zstd, a smaller installer that setup programs of\n"
       "                        this version and later read\n"
       "  --warnings-as-errors  fails (exit status 1) when the script has warnings\n",
       {"--stub", "-o", "--codepage", "-D", "--define", "--compression"},
       "SCRIPT",
       "-o",
       {"--warnings-as-errors"}},
      {"inspect", "inspect INSTALLER [--codepage N]",
       "Lists the payload of an installer and the entries of its script.\n",
       {"--codepage"}, "INSTALLER", ""},
      {"verify", "verify INSTALLER [--codepage N]",
       "Checks an installer: every payload resource inflates, each file entry has its payload, the checksum holds.\n",
       {"--codepage"}, "INSTALLER", ""},
  };
  return commands;
}

std::string Usage() {
  std::string usage = "usage:";
  for (const auto& command : Commands()) usage.append(" velkpack ").append(command.synopsis).append("\n      ");
  return usage + " velkpack [COMMAND] --help\n       velkpack --version\n" + kExitStatusHelp;
}

std::string Help(const TCommand& command) {
  return "usage: velkpack " + std::string(command.synopsis) + "\n" + std::string(command.help) + kCodePageHelp +
         kExitStatusHelp;
}

const TCommand* FindCommand(std::string_view name) {
  const auto& commands = Commands();
  const auto command = std::find_if(commands.begin(), commands.end(), [&](const auto& c) { return c.name == name; });
  return command == commands.end() ? nullptr : &*command;
}

bool Contains(const std::vector<std::string_view>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

struct TArguments {
  const TCommand* command = nullptr;
  std::vector<fs::path> positional, defines;
  std::map<std::string, fs::path> options;
  std::vector<std::string> flags;
  int codePage = kDefaultCodePage;
  TPayloadFormat compression = TPayloadFormat::Zlib;
  bool help = false, version = false;

  std::optional<fs::path> Option(const std::string& name) const {
    const auto found = options.find(name);
    return found == options.end() ? std::nullopt : std::optional(found->second);
  }
  bool Flag(std::string_view name) const { return std::find(flags.begin(), flags.end(), name) != flags.end(); }
};

class TCommandLine {
public:
  TCommandLine(const fs::path& packer, std::ostream& out, std::ostream& err) : packer_(packer), out_(out), err_(err) {}

  int Run(const std::vector<fs::path>& argv) {
    const TOutcome<TArguments> args = Parse(argv);
    if (!args) return WrongCommand(args.Failure());
    if (args->version) {
      out_ << "velkpack " << VELKSETUP_VERSION << '\n';
      return kExitSuccess;
    }
    if (args->help) {
      out_ << (args->command ? Help(*args->command) : Usage());
      return kExitSuccess;
    }
    try {
      return Execute(*args);
    } catch (const TPackError& e) {
      return Failed(e.Where().empty() ? "velkpack" : e.Where(), e.what());
    } catch (const std::exception& e) {  // std::bad_alloc for files beyond memory
      return Failed("velkpack", e.what());
    }
  }

private:
  int Failed(const std::string& where, const std::string& text) {
    out_.flush();
    err_ << where << ": error: " << text << '\n';
    return kExitWrongInput;
  }

  // Tells what is wrong with the command line, then how to write it.
  int WrongCommand(const TResult& failure) {
    if (!failure.Reason().empty()) err_ << "velkpack: " << failure.Reason() << '\n';
    const TCommand* command = FindCommand(failure.Item());
    err_ << (command ? Help(*command) : Usage());
    return kExitWrongCommand;
  }

  // The arguments, or the failure of a malformed command line (see Wrong).
  static TOutcome<TArguments> Parse(const std::vector<fs::path>& argv) {
    TArguments args;
    if (argv.empty()) return Wrong(nullptr, "");
    const std::string name = DisplayPath(argv[0]);
    if (name == "--version" && argv.size() == 1) {
      args.version = true;
      return args;
    }
    if (name == "--help" || name == "-h" || name == "help") {
      args.help = true;
      if (argv.size() == 1) return args;
    }
    const std::string commandName = args.help ? DisplayPath(argv[1]) : name;
    const TCommand* command = FindCommand(commandName);
    if (!command) return Wrong(nullptr, "unknown command " + commandName);
    args.command = command;
    for (size_t i = args.help ? 2 : 1; i < argv.size(); ++i) {
      std::string arg = DisplayPath(argv[i]);
      fs::path value;
      if (arg.size() > 2 && arg.starts_with("-D") && Contains(command->options, "-D")) {  // -DNAME=VALUE
        value = argv[i].u8string().substr(2);
        arg = "-D";
      } else if (Contains(command->options, arg)) {
        if (i + 1 >= argv.size()) return Wrong(command, arg + " needs a value");
        value = argv[++i];
      }
      if (arg == "--help" || arg == "-h") {
        args.help = true;
      } else if (Contains(command->flags, arg)) {
        args.flags.push_back(arg);
      } else if (arg == "-D" || arg == "--define") {
        if (const TResult defined = CheckDefinition(DisplayPath(value)); !defined)
          return Wrong(command, arg + " " + defined.Item() + ": " + defined.Reason());
        args.defines.push_back(value);
      } else if (Contains(command->options, arg)) {
        args.options[arg] = value;
      } else if (arg.starts_with("-")) {
        return Wrong(command, std::string(command->name) + " has no option " + arg);
      } else {
        args.positional.push_back(argv[i]);
      }
    }
    if (args.help) return args;
    if (args.positional.size() != 1)
      return Wrong(command, std::string(command->name) + " takes one " + std::string(command->operand));
    if (!command->required.empty() && !args.Option(std::string(command->required)))
      return Wrong(command, std::string(command->name) + " needs " + std::string(command->required));
    if (const auto codePage = args.Option("--codepage")) {
      args.codePage = std::atoi(DisplayPath(*codePage).c_str());
      if (!IsSupportedCodePage(args.codePage))
        return Wrong(command, "code page " + DisplayPath(*codePage) + " is not supported (1252 or 1251)");
    }
    if (const auto compression = args.Option("--compression")) {
      const std::string name = DisplayPath(*compression);
      if (name != "zlib" && name != "zstd")
        return Wrong(command, "compression " + name + " is not known (zlib or zstd)");
      args.compression = name == "zstd" ? TPayloadFormat::Zstd : TPayloadFormat::Zlib;
    }
    return args;
  }

  // A malformed command line: the reason (none where the usage says it all)
  // and, as its item, the command whose help follows it (none: the usage).
  static TResult Wrong(const TCommand* command, std::string reason) {
    return {kErrorInvalidParameter, command ? std::string(command->name) : "", std::move(reason)};
  }

  int Execute(const TArguments& args) {
    const std::string_view command = args.command->name;
    const fs::path& first = args.positional[0];
    const TPackLog log{out_, err_};
    const auto script = args.Option("--script");
    if (command == "new") {
      const TStarterRequest request{first, *script, ScriptText(args, "--company", "My Company"),
                                    ScriptText(args, "--product", FolderName(first, args.codePage)),
                                    ScriptText(args, "--version", "1.0.0.0"), args.codePage};
      WriteStarterScript(request, log);
      return kExitSuccess;
    }
    if (command == "harvest") {
      HarvestFolder({first, *script, args.codePage}, log);
      return kExitSuccess;
    }
    if (command == "pack") {
      const auto stub = args.Option("--stub");
      PackInstaller({first, stub ? *stub : DefaultStub(), *args.Option("-o"), args.codePage, 0, Defines(args),
                     args.Flag("--warnings-as-errors"), args.compression},
                    log);
      return kExitSuccess;
    }
    const bool verify = command == "verify";  // else inspect
    const size_t problems = ExamineInstaller(first, args.codePage, !verify, log);
    if (verify && !problems) out_ << DisplayPath(first) << ": OK\n";
    if (verify && problems) err_ << DisplayPath(first) << ": error: damaged, " << problems << " problem(s)\n";
    return verify && problems ? kExitWrongInput : kExitSuccess;
  }

  // A text of the command line in the script's code page.
  static std::string InCodePage(const TArguments& args, const std::string& what, const fs::path& value) {
    const auto text = Utf16ToAnsi(value.u16string(), args.codePage);
    if (!text)
      throw TPackError(what + " " + DisplayPath(value) + ": code page " + std::to_string(args.codePage) +
                       " cannot hold it");
    return *text;
  }

  static std::string ScriptText(const TArguments& args, const std::string& option, const std::string& fallback) {
    const auto value = args.Option(option);
    return value ? InCodePage(args, option, *value) : fallback;
  }

  static std::vector<TScriptDefine> Defines(const TArguments& args) {
    std::vector<TScriptDefine> defines;
    for (const auto& definition : args.defines) {
      const std::string text = InCodePage(args, "-D", definition);
      const size_t eq = text.find('=');
      defines.push_back({text.substr(0, eq), text.substr(eq + 1)});
    }
    return defines;
  }

  static std::string FolderName(const fs::path& folder, int codePage) {
    const auto name = Utf16ToAnsi(NormalPath(folder).filename().u16string(), codePage);
    return name && !name->empty() ? *name : "My Product";
  }

  fs::path DefaultStub() const {
    const auto places = DefaultStubPlaces(packer_);
    std::error_code error;
    for (const auto& place : places)
      if (fs::is_regular_file(place, error)) return place;
    throw TPackError("no setup program to pack into: neither '" + DisplayPath(places[0]) + "' nor '" +
                     DisplayPath(places[1]) + "' exists; name one with --stub");
  }

  const fs::path& packer_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace

std::vector<fs::path> DefaultStubPlaces(const fs::path& packer) {
  const fs::path folder = NormalPath(packer).parent_path();
  return {folder / "setup.exe", (folder / ".." / "share" / "velksetup" / "setup.exe").lexically_normal()};
}

int RunVelkpack(const std::vector<fs::path>& args, const fs::path& packer, std::ostream& out, std::ostream& err) {
  return TCommandLine(packer, out, err).Run(args);
}
