#pragma once
// Move-only owners for Windows handles, keys, modules and the like: one template,
// one traits struct per kind of resource.

#include <windows.h>
#include <objbase.h>
#include <shtypes.h>

#include <string>
#include <utility>

template <typename Traits>
class unique_any {
public:
  using pointer = typename Traits::pointer;

  unique_any() = default;
  explicit unique_any(pointer value) : value_(value) {}
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    reset(other.release());
    return *this;
  }
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  ~unique_any() { reset(); }

  pointer get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::invalid(); }

  pointer release() { return std::exchange(value_, Traits::invalid()); }
  void reset(pointer value = Traits::invalid()) {
    if (*this) Traits::close(value_);
    value_ = value;
  }
  // For out-parameters: releases the current value first.
  pointer* put() {
    reset();
    return &value_;
  }

private:
  pointer value_ = Traits::invalid();
};

struct ModuleTraits {
  using pointer = HMODULE;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) { FreeLibrary(p); }
};
struct ResourceTraits {
  using pointer = HGLOBAL;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) { FreeResource(p); }
};
struct FileTraits {
  using pointer = HANDLE;
  static pointer invalid() { return INVALID_HANDLE_VALUE; }
  static void close(pointer p) { CloseHandle(p); }
};
struct HandleTraits {
  using pointer = HANDLE;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) { CloseHandle(p); }
};
struct RegKeyTraits {
  using pointer = HKEY;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) { RegCloseKey(p); }
};

struct FindTraits {
  using pointer = HANDLE;
  static pointer invalid() { return INVALID_HANDLE_VALUE; }
  static void close(pointer p) { FindClose(p); }
};
// A COM interface pointer, released once.
template <typename Interface>
struct ComTraits {
  using pointer = Interface*;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) { p->Release(); }
};

// A GDI object of one kind (font, bitmap, brush), deleted once.
template <typename Object>
struct GdiTraits {
  using pointer = Object;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) { DeleteObject(p); }
};
struct IconTraits {
  using pointer = HICON;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) { DestroyIcon(p); }
};
struct MemoryDcTraits {
  using pointer = HDC;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) { DeleteDC(p); }
};
// A shell item id list, freed with the shell's task allocator.
struct ItemIdTraits {
  using pointer = LPITEMIDLIST;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) { CoTaskMemFree(p); }
};
// A window this program created, destroyed once unless its parent took it along.
struct WindowTraits {
  using pointer = HWND;
  static pointer invalid() { return nullptr; }
  static void close(pointer p) {
    if (IsWindow(p)) DestroyWindow(p);
  }
};

using unique_module = unique_any<ModuleTraits>;
using unique_resource = unique_any<ResourceTraits>;
using unique_file = unique_any<FileTraits>;
using unique_handle = unique_any<HandleTraits>;
using unique_hkey = unique_any<RegKeyTraits>;
using unique_find = unique_any<FindTraits>;
using unique_hfont = unique_any<GdiTraits<HFONT>>;
using unique_hbitmap = unique_any<GdiTraits<HBITMAP>>;
using unique_hicon = unique_any<IconTraits>;
using unique_memory_dc = unique_any<MemoryDcTraits>;
using unique_item_id = unique_any<ItemIdTraits>;
using unique_window = unique_any<WindowTraits>;
template <typename Interface>
using unique_com = unique_any<ComTraits<Interface>>;

// Text in the ANSI code page, as script values and paths are, and the UTF-16
// text of the wide-character calls.
inline std::wstring AnsiToWide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), length);
  return wide;
}

inline std::string WideToAnsi(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string ansi(size_t(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), ansi.data(), length, nullptr, nullptr);
  return ansi;
}
