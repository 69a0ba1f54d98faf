#include "actions/win_Dpi.h"

namespace {

// An export of a system library the program has loaded; null on a Windows without it.
template <typename Function>
Function* Export(const wchar_t* library, const char* name) {
  const HMODULE module = GetModuleHandleW(library);
  return module ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// The exports of Windows 10 and later, looked up as the program starts rather
// than in function-local statics, whose thread-safe guards would link a
// threads library into the setup program.
const auto getDpiForSystem = Export<UINT WINAPI()>(L"user32.dll", "GetDpiForSystem");
const auto getDpiForWindow = Export<UINT WINAPI(HWND)>(L"user32.dll", "GetDpiForWindow");
const auto adjustForDpi =
    Export<BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT)>(L"user32.dll", "AdjustWindowRectExForDpi");
const auto metricForDpi = Export<int WINAPI(int, UINT)>(L"user32.dll", "GetSystemMetricsForDpi");

int ScreenDpi() {
  const TWindowDc screen(nullptr);
  return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

int SystemDpi() {
  return getDpiForSystem ? int(getDpiForSystem()) : ScreenDpi();
}

int WindowDpi(HWND window) {
  const int dpi = getDpiForWindow ? int(getDpiForWindow(window)) : 0;
  return dpi > 0 ? dpi : ScreenDpi();
}

SIZE WindowSizeFor(int clientWidth, int clientHeight, DWORD style, int dpi) {
  RECT frame{0, 0, clientWidth, clientHeight};
  if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, 0, UINT(dpi))) AdjustWindowRectEx(&frame, style, FALSE, 0);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

int SystemMetric(int index, int dpi) {
  return metricForDpi ? metricForDpi(index, UINT(dpi)) : GetSystemMetrics(index);
}

unique_hicon LoadIconAt(HINSTANCE instance, const wchar_t* name, int size) {
  // The common controls are loaded after the program starts, so their export
  // is looked up at the call.
  const auto loadScaledDown =
      Export<HRESULT WINAPI(HINSTANCE, PCWSTR, int, int, HICON*)>(L"comctl32.dll", "LoadIconWithScaleDown");
  unique_hicon icon;
  if (loadScaledDown && SUCCEEDED(loadScaledDown(instance, name, size, size, icon.put()))) return icon;
  icon.reset(HICON(LoadImageW(instance, name, IMAGE_ICON, size, size, 0)));
  return icon;
}
