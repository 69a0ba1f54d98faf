// Parts of the C++ runtime that the setup program replaces to stay small.
//
// The runtime's default terminate handler pulls in the demangler, and its
// throwers for failed checks (string too long, index out of range and the like)
// build exception objects around a second string implementation: together more
// than 60 KB. A setup program only needs to end on terminate. A size beyond what
// a container can hold is a failed allocation, std::bad_alloc; every other
// failed check is a fault of the program, a plain std::exception, which the
// program tells as the unexpected error rather than as a lack of memory.
//
// The runtime also keeps each thread's record of the exceptions it is handling
// in emulated thread-local storage, which links the whole POSIX thread library
// (about 24 KB). A fibre-local slot of the system holds that record as well.
//
// zlib's inflate links its table-driven CRC-32 (13 KB of tables) for gzip
// streams. The payload is never gzip, so a bitwise CRC-32 stands in for it.

#include <windows.h>
#include <zlib.h>

#include <cstdlib>
#include <new>

namespace {

// The record is a pointer and a count; the block leaves room to spare.
constexpr SIZE_T kExceptionRecordSize = 4 * sizeof(void*);

void WINAPI FreeExceptionRecord(void* record) { HeapFree(GetProcessHeap(), 0, record); }

DWORD recordSlot = FLS_OUT_OF_INDEXES;

BOOL CALLBACK AllocateRecordSlot(PINIT_ONCE, PVOID, PVOID*) {
  recordSlot = FlsAlloc(FreeExceptionRecord);
  return recordSlot != FLS_OUT_OF_INDEXES;
}

// Run once, by whichever thread first needs the slot; the others wait for it.
DWORD ExceptionRecordSlot() {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  if (!InitOnceExecuteOnce(&once, AllocateRecordSlot, nullptr, nullptr)) std::abort();
  return recordSlot;
}

}  // namespace

// The exception machinery cannot throw from here, so running out ends the
// program, as in the runtime. The thread's last error is kept: a handler may
// still be about to read it.
extern "C" void* __cxa_get_globals() noexcept {
  const DWORD lastError = GetLastError();
  const DWORD slot = ExceptionRecordSlot();
  void* record = FlsGetValue(slot);
  if (!record) {
    record = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kExceptionRecordSize);
    if (!record || !FlsSetValue(slot, record)) std::abort();
  }
  SetLastError(lastError);
  return record;
}

extern "C" void* __cxa_get_globals_fast() noexcept { return __cxa_get_globals(); }

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_alloc(); }
[[noreturn]] void __throw_length_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_bad_cast() { throw exception(); }
[[noreturn]] void __throw_bad_typeid() { throw exception(); }
[[noreturn]] void __throw_bad_exception() { throw exception(); }
[[noreturn]] void __throw_logic_error(const char*) { throw exception(); }
[[noreturn]] void __throw_domain_error(const char*) { throw exception(); }
[[noreturn]] void __throw_invalid_argument(const char*) { throw exception(); }
[[noreturn]] void __throw_out_of_range(const char*) { throw exception(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { throw exception(); }
[[noreturn]] void __throw_runtime_error(const char*) { throw exception(); }
[[noreturn]] void __throw_range_error(const char*) { throw exception(); }
[[noreturn]] void __throw_overflow_error(const char*) { throw exception(); }
[[noreturn]] void __throw_underflow_error(const char*) { throw exception(); }
}  // namespace std

extern "C" uLong crc32(uLong crc, const Bytef* buf, uInt len) {
  if (!buf) return 0;
  crc = ~crc & 0xFFFFFFFFu;
  while (len--) {
    crc ^= *buf++;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc & 0xFFFFFFFFu;
}
