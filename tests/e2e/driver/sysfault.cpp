// Puts the system into a state the installer must cope with, for the
// end-to-end tests (console, runs under Wine):
//
//   sysfault.exe lock FILE      opens FILE without sharing, prints "locked" and
//                               holds it until standard input ends
//   sysfault.exe deny-key KEY   creates HKCU\... or HKLM\... KEY and lets every
//                               user only read it
//
// Exit code 0: done; 1: the system call failed (its error on standard error);
// 2: usage error.

#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "actions/win_API.h"

namespace {

int Failed(const std::string& what) {
  std::cerr << "sysfault: " << what << " failed (error " << GetLastError() << ")\n";
  return 1;
}

int Lock(const char* path) {
  const unique_file file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return Failed(std::string("opening ") + path);
  std::cout << "locked" << std::endl;
  char buffer[64];
  DWORD read = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read) {
  }
  return 0;
}

// A security descriptor whose only entry grants Everyone read access.
class TReadOnlyForEveryone {
public:
  bool Build() {
    DWORD sidSize = sizeof sid_;
    return CreateWellKnownSid(WinWorldSid, nullptr, sid_, &sidSize) &&
           InitializeAcl(reinterpret_cast<PACL>(acl_), sizeof acl_, ACL_REVISION) &&
           AddAccessAllowedAce(reinterpret_cast<PACL>(acl_), ACL_REVISION, KEY_READ, sid_) &&
           InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(acl_), FALSE);
  }
  PSECURITY_DESCRIPTOR Get() { return &descriptor_; }

private:
  alignas(DWORD) BYTE sid_[SECURITY_MAX_SID_SIZE];
  alignas(DWORD) BYTE acl_[256];
  SECURITY_DESCRIPTOR descriptor_;
};

int DenyKey(const std::string& key) {
  const size_t slash = key.find('\\');
  const std::string root = key.substr(0, slash);
  HKEY rootKey = root == "HKCU" ? HKEY_CURRENT_USER : root == "HKLM" ? HKEY_LOCAL_MACHINE : nullptr;
  if (!rootKey || slash == std::string::npos) return 2;
  unique_hkey opened;
  LSTATUS status = RegCreateKeyExA(rootKey, key.c_str() + slash + 1, 0, nullptr, 0, KEY_READ | WRITE_DAC, nullptr,
                                   opened.put(), nullptr);
  if (status != ERROR_SUCCESS) return SetLastError(status), Failed("creating " + key);
  TReadOnlyForEveryone security;
  if (!security.Build()) return Failed("building the security descriptor");
  status = RegSetKeySecurity(opened.get(), DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                             security.Get());
  if (status != ERROR_SUCCESS) return SetLastError(status), Failed("setting the security of " + key);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc == 3 ? argv[1] : "";
  if (command == "lock") return Lock(argv[2]);
  if (command == "deny-key") return DenyKey(argv[2]);
  std::cerr << "usage: sysfault.exe lock FILE | deny-key HKCU\\KEY|HKLM\\KEY\n";
  return 2;
}
