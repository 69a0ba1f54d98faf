#include "package/win_Resources.h"

#include <new>
#include <span>
#include <string>

#include "actions/win_SetupFuncs.h"

namespace {

// A resource's name as a failure tells it: its own, or "#" and its number.
std::string ResourceItem(const char* name) {
  return IS_INTRESOURCE(name) ? "#" + std::to_string(uintptr_t(name)) : std::string(name);
}

}  // namespace

TOutcome<std::string_view> ViewResource(HMODULE module, const char* name, const char* type) {
  DWORD missing = ERROR_RESOURCE_NAME_NOT_FOUND;  // what the last error does not tell
  if (HRSRC info = FindResourceA(module, name, type)) {
    missing = ERROR_RESOURCE_DATA_NOT_FOUND;
    if (const unique_resource loaded(LoadResource(module, info)); loaded) {
      const void* bytes = LockResource(loaded.get());
      const DWORD size = SizeofResource(module, info);
      if (bytes || !size) return std::string_view(static_cast<const char*>(bytes), size);
    }
  }
  return LastErrorFailure(ResourceItem(name), missing);
}

TOutcome<Bytes> ReadResource(HMODULE module, const char* name, const char* type) {
  const TOutcome<std::string_view> view = ViewResource(module, name, type);
  if (!view) return view.Failure();
  try {
    return Bytes(*view);
  } catch (const std::bad_alloc&) {
    return SystemFailure(ERROR_NOT_ENOUGH_MEMORY, ResourceItem(name));
  }
}

std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), DWORD(path.size()));
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
}

TModuleFile::TModuleFile(HMODULE module, const std::wstring& path)
    // The loader marks a data file's handle with its low bit, an image resource's with the next.
    : base_(reinterpret_cast<const char*>(uintptr_t(module) & ~uintptr_t(3))),
      mappedFlat_(uintptr_t(module) & 1),
      file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}

TRawResource TModuleFile::Resource(std::string_view view) {
  const std::optional<uint64_t> start = file_ ? FileOffset(view) : std::nullopt;
  if (!start) return view;
  return {view.size(), [this, start = *start](size_t offset, size_t length) { return ReadAt(start + offset, length); }};
}

// A data file is mapped as it lies on disk; an image's sections lie at their
// virtual addresses, so the offset comes from the section that holds the view.
std::optional<uint64_t> TModuleFile::FileOffset(std::string_view view) const {
  if (view.data() < base_) return std::nullopt;
  const uintptr_t start = uintptr_t(view.data() - base_);
  if (mappedFlat_) return start;
  const auto& dos = *reinterpret_cast<const IMAGE_DOS_HEADER*>(base_);
  const auto& headers = *reinterpret_cast<const IMAGE_NT_HEADERS*>(base_ + dos.e_lfanew);
  for (const IMAGE_SECTION_HEADER& section :
       std::span(IMAGE_FIRST_SECTION(&headers), headers.FileHeader.NumberOfSections)) {
    if (start >= section.VirtualAddress && start - section.VirtualAddress + view.size() <= section.SizeOfRawData)
      return section.PointerToRawData + (start - section.VirtualAddress);
  }
  return std::nullopt;
}

// A file that ends before the view does is damaged; a read that the system
// refuses otherwise (a share gone, a medium removed) fails with its reason.
TOutcome<std::string_view> TModuleFile::ReadAt(uint64_t offset, size_t length) {
  if (length > MAXDWORD) return DamagedPayload();
  buffer_.resize(length);
  OVERLAPPED at{};
  at.Offset = DWORD(offset);
  at.OffsetHigh = DWORD(offset >> 32);
  DWORD read = 0;
  const bool done = ReadFile(file_.get(), buffer_.data(), DWORD(length), &read, &at);
  if (!done && GetLastError() != ERROR_HANDLE_EOF) return LastErrorFailure({}, ERROR_READ_FAULT);
  if (!done || read != length) return DamagedPayload();
  return std::string_view(buffer_.data(), length);
}

TResult UnpackResourceToFile(const std::string& fileName, const TRawResource& payload, const TPayloadCodec& codec) {
  if (const TOutcome<int32_t> size = ReadDeclaredSize(payload); !size) return size.Failure().Of(fileName);
  return WriteFileSafely(fileName, [&](HANDLE file) {
    return InflateResource(payload, [&](std::string_view piece) { return WriteAll(file, piece); }, codec);
  });
}
