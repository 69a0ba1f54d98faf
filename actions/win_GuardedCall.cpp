#include "actions/win_GuardedCall.h"

// mingw has no __try, so the guard is a small frame with a language handler of
// its own in its unwind data: the system calls the handler for an exception
// that no frame of the library claimed, and the handler unwinds the library's
// frames back to the guard, which then returns 0 instead of 1. The entry's
// result goes where the second argument points, kept in the frame's own slot
// above the callee's home area across the call.
extern "C" {
int GuardedCallFrame(FARPROC entry, HRESULT* result);
extern const char GuardedCallResume[];
EXCEPTION_DISPOSITION GuardedCallHandler(EXCEPTION_RECORD* record, void* establisherFrame, CONTEXT*,
                                         DISPATCHER_CONTEXT* dispatch);
}

asm(R"(
    .text
    .globl GuardedCallFrame
    .def GuardedCallFrame; .scl 2; .type 32; .endef
    .seh_proc GuardedCallFrame
GuardedCallFrame:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler GuardedCallHandler, @except
    movq %rdx, 32(%rsp)
    callq *%rcx
    movq 32(%rsp), %rdx
    movl %eax, (%rdx)
    movl $1, %eax
    .globl GuardedCallResume
GuardedCallResume:
    addq $40, %rsp
    retq
    .seh_endproc
)");

namespace {

// What the C++ runtime raises for its own exceptions and their unwinding.
bool IsCppRuntimeException(DWORD code) { return (code & ~0x03000000u) == 0x20474343u; }

}  // namespace

EXCEPTION_DISPOSITION GuardedCallHandler(EXCEPTION_RECORD* record, void* establisherFrame, CONTEXT*,
                                         DISPATCHER_CONTEXT* dispatch) {
  if (IS_UNWINDING(record->ExceptionFlags) || IsCppRuntimeException(record->ExceptionCode))
    return ExceptionContinueSearch;
  RtlUnwindEx(establisherFrame, const_cast<char*>(GuardedCallResume), record, nullptr /* result 0 */,
              dispatch->ContextRecord, dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind resumes in the guard
}

TOutcome<HRESULT> CallGuarded(FARPROC entry) {
  HRESULT result = S_OK;
  if (!GuardedCallFrame(entry, &result)) return TResult(ERROR_FUNCTION_FAILED, {}, "ended with a fault");
  return result;
}
