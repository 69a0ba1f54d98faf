#pragma once
// The setup actions on the Windows system: shell folders, folders, shortcuts,
// DLL server registration, program launch and whole-file writes. None keeps
// anything between calls; each releases what it acquires, also on error. An
// action that may fail in the course of a run returns a TResult; one whose
// failure ends the run throws ESetupError.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "actions/u_Result.h"
#include "actions/u_SetupFuncs.h"

// SHGetSpecialFolderPathA (never creating the folder) and GetWindowsDirectoryA.
class TWinShellFolders final : public IShellFolders {
public:
  std::string ShellFolder(int csidl) const override;
  std::string WindowsDir() const override;
};

// The platform's texts for error codes on the calling thread come in the
// wizard's language (kEnglishBase or kRussianBase) where the system has them.
void UseMessageLanguage(int languageBase);
// The platform's text for an error or result code, without its line end: in
// the thread's message language where the system has it and the ANSI code page
// holds it, else in the system's own.
std::string SystemMessage(HRESULT result);

// The failure `code` of `item`, told with the system's message for it.
TResult SystemFailure(DWORD code, const std::string& item);
// The failure of `item` that the thread's last error tells, read right after
// the call that failed; `fallback` where that call set none.
TResult LastErrorFailure(const std::string& item, DWORD fallback);
// The registry's status for `item` as a TResult.
TResult RegistryFailure(LSTATUS status, const std::string& item);
// A COM result for `item` as a TResult: success for any success code; a system
// error wrapped as a result is told as that error.
TResult HResultFailure(HRESULT result, const std::string& item);

// Whether a visible folder exists at Path: a drive root ("C:\") when the drive
// is present; any other path, with or without one trailing "\", when it names
// a directory that is neither hidden nor system. Wildcards never name a folder.
bool FolderExists(const std::string& path);

// The room the user may fill on the volume of the path: the free space seen
// from its nearest folder that exists; the system's failure, for the path,
// when no folder of it exists or the system cannot tell.
TOutcome<uint64_t> FreeSpaceFor(const std::string& path);

// Creates a folder with every missing parent. Succeeds when it exists
// afterwards (a path shorter than three characters counts as existing); throws
// ESetupError(TText::UnableToCreateDirectory) for an empty path.
TResult ForceDirectories(const std::string& path);

// Writes the shell link Folder\LinkName.lnk to TargetFile, with the target's
// folder part as working folder and Description, creating Folder when missing.
// An older link is replaced only by a complete new one: the link is saved
// beside it and renamed over it. Throws ESetupError when the shell link object
// is unavailable, Folder is empty, or Folder cannot be made or the link cannot
// be saved (TText::FailedToSaveShortcut with the reason). Needs COM
// initialised on the calling thread.
void CreateShortcut(const std::string& linkName, const std::string& folder, const std::string& targetFile,
                    const std::string& description);

// Loads the library and calls its DllRegisterServer / DllUnregisterServer.
// Succeeds when the call returned success; else the reason tells why not: the
// system's message when the library does not load, a missing export, a fault
// or exception that ended the call (see CallGuarded), or the failure code it
// returned, in hex.
TResult RegisterServer(const std::string& fileName);
TResult UnregisterServer(const std::string& fileName);

// Hands the file to the shell's default verb; nothing is waited for or reported.
void RunProgram(HWND ownerWindow, const std::string& fileName, const std::string& parameters,
                const std::string& directory, int showCmd);

// Writes a file's content into the open file: success, or why not, which
// WriteFileSafely tells of the file whatever item the writer named.
using TFileWriter = std::function<TResult(HANDLE file)>;

// Writes `data` whole at the file's position: success, or why not (without item).
TResult WriteAll(HANDLE file, std::string_view data);

// Writes the file's content with `write`: a name that is still free is created
// new (which no existing file or link satisfies) and deleted again unless the
// content is complete; an existing file is written whole under a fresh name
// beside it and renamed over it, so it stays intact until the new one is
// complete. A read-only file and a name of MAX_PATH or more are refused.
TResult WriteFileSafely(const std::string& fileName, const TFileWriter& write);

// The whole file; a failure when it cannot be opened, is empty, is larger than
// 4 GiB - 1 or reads short. The name is UTF-16: the file read is the running
// program, whose folder may lie outside the ANSI code page.
TOutcome<Bytes> ReadWholeFile(const std::wstring& fileName);

// Creates or replaces the file with Data (WriteFileSafely). Fails for empty
// Data (nothing is touched), when the file cannot be created, or when the write
// fails or is short.
TResult WriteWholeFile(const std::string& fileName, std::string_view data);
