#pragma once
// The display scale of the program's windows on every Windows from 7 on. The
// calls that Windows 10 added are looked up in the user32 and comctl32 the
// program has already loaded; before Windows 10 the screen's DPI serves for
// every window.

#include <windows.h>

#include "actions/win_API.h"

// The DPI the system lays new windows out at.
int SystemDpi();
// The DPI of the monitor the window is on.
int WindowDpi(HWND window);
// The window size of a client area at `dpi`, frame and caption included.
SIZE WindowSizeFor(int clientWidth, int clientHeight, DWORD style, int dpi);
// A system metric (SM_CXICON, ...) at `dpi`.
int SystemMetric(int index, int dpi);
// An icon resource at `size` pixels square: the system scales a larger image
// down where the icon has one, and fits the nearest image otherwise.
unique_hicon LoadIconAt(HINSTANCE instance, const wchar_t* name, int size);
