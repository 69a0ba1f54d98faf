#pragma once
// The command line of velkpack, apart from the program's entry so that tests
// run it in-process: its commands and options, its messages and its exit
// status, which build tools read.

#include <filesystem>
#include <iosfwd>
#include <vector>

enum TExitStatus : int {
  kExitSuccess = 0,
  kExitWrongInput = 1,    // a script, file, setup program or installer that cannot be used
  kExitWrongCommand = 2,  // a command line that is not one of the usages
};

// Runs velkpack with `args` (without the program's name). `packer` is the
// packer's own file, beside which pack looks for its setup program. Output
// goes to `out`; warnings, errors and usage texts to `err`.
int RunVelkpack(const std::vector<std::filesystem::path>& args, const std::filesystem::path& packer, std::ostream& out,
                std::ostream& err);

// Where pack looks for the setup program without --stub, in order: setup.exe
// beside the packer, then ../share/velksetup/setup.exe relative to it.
std::vector<std::filesystem::path> DefaultStubPlaces(const std::filesystem::path& packer);
