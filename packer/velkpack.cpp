// velkpack: puts a product into an installer (a copy of the setup stub carrying
// the payload as resources), lists or checks the payload of an installer, and
// writes the file entries of a product folder into a setup script.

#include <filesystem>
#include <iostream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "packer/u_CommandLine.h"

namespace fs = std::filesystem;

#ifdef _WIN32
// Arguments arrive as UTF-16, so any file name works; messages go out as UTF-8.
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::wstring self(MAX_PATH, L'\0');
  DWORD length;
  while ((length = GetModuleFileNameW(nullptr, self.data(), DWORD(self.size()))) == self.size())
    self.resize(self.size() * 2);  // a path beyond MAX_PATH
  self.resize(length);
  return RunVelkpack({argv + 1, argv + argc}, self, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return RunVelkpack({argv + 1, argv + argc}, error ? fs::path(argv[0]) : self, std::cout, std::cerr);
}
#endif
