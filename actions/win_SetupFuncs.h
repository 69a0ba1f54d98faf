#pragma once
// The setup actions on the Windows system: shell folders, folders, shortcuts,
// DLL server registration, program launch and whole-file writes. None keeps
// anything between calls; each releases what it acquires, also on error.

#include <windows.h>

#include <string>
#include <string_view>

#include "actions/u_SetupFuncs.h"
#include "package/u_Payload.h"

// SHGetSpecialFolderPathA (never creating the folder) and GetWindowsDirectoryA.
class TWinShellFolders final : public IShellFolders {
public:
  std::string ShellFolder(int csidl) const override;
  std::string WindowsDir() const override;
};

// The platform's text for an error or result code, without its line end.
std::string SystemMessage(HRESULT result);

// Creates a folder with every missing parent. True when it exists afterwards (a
// path shorter than three characters counts as existing); throws
// ESetupError("Unable to create directory") for an empty path. On false the
// thread's last error tells why.
bool ForceDirectories(const std::string& path);

// Writes the shell link Folder\LinkName.lnk to TargetFile, with the target's
// folder part as working folder and Description, replacing an older one and
// creating Folder when missing. Throws ESetupError when the shell link object
// is unavailable or Folder is empty; every later failure is silent. Needs COM
// initialised on the calling thread.
void CreateShortcut(const std::string& linkName, const std::string& folder, const std::string& targetFile,
                    const std::string& description);

// Loads the library and calls its DllRegisterServer / DllUnregisterServer when
// it has one (the call's own result is not looked at). False only when the
// file cannot be loaded or the call raised; see CallGuarded for what is caught.
bool RegisterServer(const std::string& fileName);
bool UnregisterServer(const std::string& fileName);

// Hands the file to the shell's default verb; nothing is waited for or reported.
void RunProgram(HWND ownerWindow, const std::string& fileName, const std::string& parameters,
                const std::string& directory, int showCmd);

// How UnpackResourceToFile ended.
struct TUnpackResult {
  bool damagedPayload = false;  // the payload cannot be read, does not inflate or inflates to nothing
  DWORD error = ERROR_SUCCESS;  // else why the system refused the file
  bool Written() const { return !damagedPayload && error == ERROR_SUCCESS; }
};

// Inflates a payload resource and writes it as the whole file; on failure the
// file is untouched.
TUnpackResult UnpackResourceToFile(const std::string& fileName, const TRawResource& payload);

// The whole file; false, with Data empty, when it cannot be opened, is empty,
// is larger than 4 GiB - 1 or reads short. The name is UTF-16: the file read
// is the running program, whose folder may lie outside the ANSI code page.
bool ReadWholeFile(const std::wstring& fileName, Bytes& data);

// Creates or replaces the file with Data. False for empty Data (nothing is
// touched), when the file cannot be created, or when the write fails or is
// short; a file left half-written is deleted.
bool WriteWholeFile(const std::string& fileName, std::string_view data);
