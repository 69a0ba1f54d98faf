#pragma once
// Calling code of a foreign library so that a fault inside it ends only the call.

#include <windows.h>

#include "actions/u_Result.h"

// Calls `entry`, a function without arguments that returns an HRESULT, and
// gives what it returned. Fails (ERROR_FUNCTION_FAILED, without item, told as
// "ended with a fault") when an exception that the library did not handle
// itself left it: a processor fault (access violation, illegal instruction,
// division by zero, stack overflow, ...) or any other Windows exception. C++
// exceptions of this program's runtime pass through to the caller; catch them
// there.
TOutcome<HRESULT> CallGuarded(FARPROC entry);
