#pragma once
// Move-only owners for Windows handles, keys, modules and the like (one template,
// one traits struct per kind of resource), and the scopes that hold a state of
// the process, a thread or a device context for one block.

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
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
  pointer operator->() const { return value_; }  // for the interfaces of COM objects
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

// The scopes: neither copied nor moved, they undo at the end of the block what
// they did at its start.
class TScope {
protected:
  TScope() = default;
  ~TScope() = default;

public:
  TScope(const TScope&) = delete;
  TScope& operator=(const TScope&) = delete;
};

// The device context of a window (of the screen for none), released at the end.
class TWindowDc : TScope {
public:
  explicit TWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  // With the clipping that GetDCEx's flags ask for, rather than the window's style.
  TWindowDc(HWND window, DWORD flags) : window_(window), dc_(GetDCEx(window, nullptr, flags)) {}
  ~TWindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

private:
  HWND window_;
  HDC dc_;
};

// A GDI object selected into a device context, the one it replaced selected back at the end.
class TSelection : TScope {
public:
  TSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc ? SelectObject(dc, object) : nullptr) {}
  ~TSelection() {
    if (old_) SelectObject(dc_, old_);
  }

private:
  HDC dc_;
  HGDIOBJ old_;
};

// OLE on the calling thread, shut down at the end when it was started.
class TOleSession : TScope {
public:
  TOleSession() : started_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~TOleSession() {
    if (started_) OleUninitialize();
  }

private:
  bool started_;
};

// COM in a single-threaded apartment on the calling thread, ended at the end when it was started.
class TComSession : TScope {
public:
  TComSession() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~TComSession() {
    if (started_) CoUninitialize();
  }

private:
  bool started_;
};

// The process's error mode for the block, the previous one restored at the end.
class TErrorMode : TScope {
public:
  explicit TErrorMode(UINT mode) : previous_(SetErrorMode(mode)) {}
  ~TErrorMode() { SetErrorMode(previous_); }

private:
  UINT previous_;
};

// A slim lock held exclusively for the block.
class TExclusiveLock : TScope {
public:
  explicit TExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~TExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }

private:
  SRWLOCK& lock_;
};

// A variable set to a value for the block, its previous value restored at the end.
template <typename Value>
class TScopedValue : TScope {
public:
  TScopedValue(Value& variable, Value value) : variable_(variable), previous_(std::exchange(variable, value)) {}
  ~TScopedValue() { variable_ = previous_; }

private:
  Value& variable_;
  Value previous_;
};
