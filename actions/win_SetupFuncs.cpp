#include "actions/win_SetupFuncs.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <functional>
#include <new>

#include "actions/u_SimpleFuncs1.h"
#include "actions/win_API.h"
#include "actions/win_GuardedCall.h"
#include "actions/win_Text.h"

namespace {

bool IsDriveRoot(const std::string& path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; }

bool DriveExists(char letter) {
  const int drive = (letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter) - 'A';
  return drive >= 0 && drive < 32 && (GetLogicalDrives() >> drive & 1);
}

constexpr DWORD kVolumeLabel = 0x8;
constexpr DWORD kPassedOver = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | kVolumeLabel;

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

unique_com<IShellLinkA> CreateShellLink() {
  unique_com<IUnknown> object;
  const HRESULT created = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                           IID_IUnknown, reinterpret_cast<void**>(object.put()));
  if (FAILED(created)) throw ESetupError(TText::SystemReason, {SystemMessage(created)});
  unique_com<IShellLinkA> link;
  if (FAILED(object->QueryInterface(IID_IShellLinkA, reinterpret_cast<void**>(link.put()))))
    throw ESetupError(TText::InterfaceNotSupported);
  return link;
}

// The thread's last error, or `fallback` where a call failed without setting one.
DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : fallback;
}

// The system's text for a result code in `language`, without its line end; ""
// when the system has none in that language.
std::wstring FormattedMessage(HRESULT result, LANGID language) {
  wchar_t text[512] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, DWORD(result),
                                language, text, ARRAYSIZE(text), nullptr);
  while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) --length;
  return std::wstring(text, length);
}

// A result code as "0x80004005".
std::string HexCode(HRESULT result) {
  char code[16];
  wsprintfA(code, "0x%08lX", static_cast<unsigned long>(result));
  return code;
}

TResult CallServerExport(const std::string& fileName, const std::string& exportName) {
  // By its full path only; the libraries it imports come from its own folder or
  // the system folder, never from the installer's folder.
  const unique_module library(
      LoadLibraryExA(fileName.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library) return LastErrorFailure(fileName, ERROR_MOD_NOT_FOUND);
  const FARPROC entry = GetProcAddress(library.get(), exportName.c_str());
  if (!entry) return {ERROR_PROC_NOT_FOUND, fileName, "the library has no " + exportName};
  // Caught while the library is still loaded: its exception objects refer to its code.
  try {
    const TOutcome<HRESULT> result = CallGuarded(entry);
    if (!result) return {result.Failure().Code(), fileName, exportName + " " + result.Failure().Reason()};
    if (SUCCEEDED(*result)) return {};
    return {DWORD(*result), fileName, exportName + " returned " + HexCode(*result)};
  } catch (...) {
    return {ERROR_FUNCTION_FAILED, fileName, exportName + " ended with an exception"};
  }
}

// Runs `write` on the open file of `fileName`; running out of memory fails the write.
TResult WriteContent(HANDLE file, const std::string& fileName, const TFileWriter& write) {
  try {
    return write(file).Of(fileName);
  } catch (const std::bad_alloc&) {
    return SystemFailure(ERROR_NOT_ENOUGH_MEMORY, fileName);
  }
}

// Why the rename over an existing file failed. Windows reports a target that
// another program holds open, a running program among them, as access denied;
// opening the target for writing tells such a file from one the user may not write.
TResult WhyNotReplaced(const std::string& fileName) {
  const DWORD error = LastErrorOr(ERROR_ACCESS_DENIED);
  if (error != ERROR_ACCESS_DENIED) return SystemFailure(error, fileName);
  const unique_file target(CreateFileA(fileName.c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  const bool held = !target && GetLastError() == ERROR_SHARING_VIOLATION;
  return SystemFailure(held ? ERROR_SHARING_VIOLATION : error, fileName);
}

// A new file beside the one it is to replace, open for writing.
struct TPartFile {
  unique_file file;
  std::string name;
};

// A new part file "~vsXXXX.tmp" in the folder. The system's own temporary
// names refuse a folder of more than 245 characters, where a folder may have
// 247 and a file in it a name of up to 259.
TOutcome<TPartFile> CreatePartFile(const std::string& folder) {
  const DWORD first = GetTickCount();
  for (DWORD n = 0; n <= 0xFFFF; ++n) {
    char name[16];
    wsprintfA(name, "~vs%04X.tmp", unsigned((first + n) & 0xFFFF));
    std::string partName = folder + name;
    unique_file part(
        CreateFileA(partName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (part) return TPartFile{std::move(part), std::move(partName)};
    if (GetLastError() != ERROR_FILE_EXISTS) return LastErrorFailure(partName, ERROR_CANNOT_MAKE);
  }
  return SystemFailure(ERROR_FILE_EXISTS, folder);  // every name is taken
}

// A file that exists is replaced: the new one is written whole under a fresh
// name beside the target and then renamed over it, so the old file stays intact
// until the new one is complete, and a link at the target's name is replaced,
// never written through.
TResult WriteReplacement(const std::string& fileName, const TFileWriter& write) {
  // A read-only file stays as it is, also where the system would let the rename
  // replace it (Wine does, unlike Windows).
  const DWORD attributes = GetFileAttributesA(fileName.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    return SystemFailure(ERROR_ACCESS_DENIED, fileName);
  TOutcome<TPartFile> part = CreatePartFile(ExtractFilePath(fileName));
  if (!part) return part.Failure().Of(fileName);
  TResult written = WriteContent(part->file.get(), fileName, write);
  part->file.reset();
  if (written && !MoveFileExA(part->name.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING))
    written = WhyNotReplaced(fileName);
  if (!written) DeleteFileA(part->name.c_str());
  return written;
}

// Saves the link under a fresh name beside its file and renames it over the
// file, so that an older shortcut stays until the new one is complete.
TResult SaveShortcut(IShellLinkA& link, const std::string& fileName) {
  unique_com<IPersistFile> persist;
  if (FAILED(link.QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.put()))))
    throw ESetupError(TText::InterfaceNotSupported);
  TOutcome<TPartFile> part = CreatePartFile(ExtractFilePath(fileName));
  if (!part) return part.Failure().Of(fileName);
  part->file.reset();  // the link is saved into it by name
  TResult saved = HResultFailure(persist->Save(AnsiToWide(part->name).c_str(), FALSE), fileName);
  if (saved && !MoveFileExA(part->name.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING))
    saved = LastErrorFailure(fileName, ERROR_ACCESS_DENIED);
  if (!saved) DeleteFileA(part->name.c_str());
  return saved;
}

}  // namespace

void UseMessageLanguage(int languageBase) {
  SetThreadUILanguage(languageBase == kRussianBase ? MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA)
                                                   : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
}

std::string SystemMessage(HRESULT result) {
  // A text in the wizard's language that the ANSI code page cannot hold would
  // be read as question marks.
  if (const auto text = ToExactAnsi(FormattedMessage(result, GetThreadUILanguage())); text && !text->empty())
    return *text;
  if (const std::wstring text = FormattedMessage(result, LANG_NEUTRAL); !text.empty()) return WideToAnsi(text);
  return "Error " + HexCode(result);
}

static_assert(kErrorSharingViolation == ERROR_SHARING_VIOLATION && kErrorLockViolation == ERROR_LOCK_VIOLATION &&
                  kErrorInvalidName == ERROR_INVALID_NAME && kErrorInvalidParameter == ERROR_INVALID_PARAMETER,
              "the codes the portable code tells apart or gives are the system's");

TResult SystemFailure(DWORD code, const std::string& item) {
  if (code == ERROR_SUCCESS) return {};
  return {code, item, SystemMessage(HRESULT(code))};
}

TResult LastErrorFailure(const std::string& item, DWORD fallback) { return SystemFailure(LastErrorOr(fallback), item); }

TResult RegistryFailure(LSTATUS status, const std::string& item) { return SystemFailure(DWORD(status), item); }

TResult HResultFailure(HRESULT result, const std::string& item) {
  if (SUCCEEDED(result)) return {};
  // A system error in the form of a result is told as that error, so InUse() knows it.
  return SystemFailure(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : DWORD(result), item);
}

std::string TWinShellFolders::ShellFolder(int csidl) const {
  char path[MAX_PATH + 1] = {};
  return SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? path : "";
}

std::string TWinShellFolders::WindowsDir() const {
  char path[MAX_PATH + 1] = {};
  const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : "";
}

bool FolderExists(const std::string& path) {
  const TErrorMode quiet(SEM_FAILCRITICALERRORS);  // no "insert a disk" box for an empty drive
  if (IsDriveRoot(path)) return DriveExists(path[0]);
  if (path.find_first_of("*?") != std::string::npos) return false;

  // Without wildcards the search finds the one entry the path names.
  WIN32_FIND_DATAA found;
  const unique_find search(FindFirstFileA(DelBackslash(path).c_str(), &found));
  return search && !(found.dwFileAttributes & kPassedOver) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

TOutcome<uint64_t> FreeSpaceFor(const std::string& path) {
  const TErrorMode quiet(SEM_FAILCRITICALERRORS);  // no "insert a disk" box for an empty drive
  for (std::string folder = AddBackslash(path);;) {
    ULARGE_INTEGER available;
    if (GetDiskFreeSpaceExW(AnsiToWide(folder).c_str(), &available, nullptr, nullptr))
      return uint64_t(available.QuadPart);
    const DWORD error = LastErrorOr(ERROR_PATH_NOT_FOUND);
    const std::string parent = ExtractFilePath(DelBackslash(folder));
    if (parent.empty() || parent == folder) return SystemFailure(error, path);
    folder = parent;
  }
}

TResult ForceDirectories(const std::string& path) {
  if (path.empty()) throw ESetupError(TText::UnableToCreateDirectory);
  const std::string folder = DelBackslash(path);
  const std::string parent = ExtractFilePath(folder);
  if (folder.size() < 3 || DirectoryExists(folder) || parent == folder) return {};
  if (!parent.empty())
    if (TResult made = ForceDirectories(parent); !made) return made;
  if (!CreateDirectoryA(folder.c_str(), nullptr)) return LastErrorFailure(folder, ERROR_CANNOT_MAKE);
  return {};
}

void CreateShortcut(const std::string& linkName, const std::string& folder, const std::string& targetFile,
                    const std::string& description) {
  const unique_com<IShellLinkA> link = CreateShellLink();
  link->SetPath(targetFile.c_str());
  link->SetWorkingDirectory(ExtractFilePath(targetFile).c_str());
  link->SetDescription(description.c_str());

  const std::string fileName = ShortcutFileName(folder, linkName);
  TResult saved = ForceDirectories(folder);
  if (saved) saved = SaveShortcut(*link.get(), fileName);
  if (!saved) throw ESetupError(TText::FailedToSaveShortcut, {fileName, saved.Reason()});
}

TResult RegisterServer(const std::string& fileName) { return CallServerExport(fileName, "DllRegisterServer"); }

TResult UnregisterServer(const std::string& fileName) {
  return CallServerExport(fileName, "DllUnregisterServer");
}

void RunProgram(HWND ownerWindow, const std::string& fileName, const std::string& parameters,
                const std::string& directory, int showCmd) {
  ShellExecuteA(ownerWindow, nullptr, fileName.c_str(), parameters.c_str(), directory.c_str(), showCmd);
}

TOutcome<Bytes> ReadWholeFile(const std::wstring& fileName) {
  const std::string item = WideToAnsi(fileName);
  const unique_file file(CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !GetFileSizeEx(file.get(), &size)) return LastErrorFailure(item, ERROR_OPEN_FAILED);
  if (size.QuadPart <= 0) return SystemFailure(ERROR_HANDLE_EOF, item);
  if (size.QuadPart > MAXDWORD) return SystemFailure(ERROR_FILE_TOO_LARGE, item);
  try {
    Bytes buffer(size_t(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer.data(), DWORD(buffer.size()), &read, nullptr))
      return LastErrorFailure(item, ERROR_READ_FAULT);
    if (read != buffer.size()) return SystemFailure(ERROR_HANDLE_EOF, item);
    return buffer;
  } catch (const std::bad_alloc&) {
    return SystemFailure(ERROR_NOT_ENOUGH_MEMORY, item);
  }
}

// A name that is still free is written in place: created new, which no existing
// file or link satisfies, and deleted again unless its content is complete. This
// spares a fresh install the part file and the rename of every file.
TResult WriteFileSafely(const std::string& fileName, const TFileWriter& write) {
  // The replacement's rename would take longer names than the system's file
  // functions; both paths refuse them, so a name fares the same whether or
  // not a file of that name exists.
  if (fileName.size() >= MAX_PATH) return SystemFailure(ERROR_FILENAME_EXCED_RANGE, fileName);
  unique_file created(
      CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!created) {
    const DWORD error = LastErrorOr(ERROR_OPEN_FAILED);
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return WriteReplacement(fileName, write);
    return SystemFailure(error, fileName);
  }
  const TResult written = WriteContent(created.get(), fileName, write);
  created.reset();
  if (!written) DeleteFileA(fileName.c_str());
  return written;
}

TResult WriteAll(HANDLE file, std::string_view data) {
  DWORD written = 0;
  if (data.size() > MAXDWORD) return SystemFailure(ERROR_FILE_TOO_LARGE, {});
  if (!WriteFile(file, data.data(), DWORD(data.size()), &written, nullptr)) return LastErrorFailure({}, ERROR_WRITE_FAULT);
  return SystemFailure(written == data.size() ? ERROR_SUCCESS : ERROR_DISK_FULL, {});
}

TResult WriteWholeFile(const std::string& fileName, std::string_view data) {
  if (data.empty()) return SystemFailure(ERROR_NO_DATA, fileName);
  return WriteFileSafely(fileName, [&](HANDLE file) { return WriteAll(file, data); });
}
