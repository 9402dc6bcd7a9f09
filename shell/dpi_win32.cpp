// The saver's declaration of DPI awareness and the dots per inch of the screen it draws on.
#include "shell/dpi_win32.h"

#include "shell/find_procedure_win32.h"
#include "sprites/present_scale.h"

namespace {

// The awareness contexts are small negative handles, the same on every system that has them.
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-3));
constexpr int kProcessPerMonitorDpiAware = 2;  // PROCESS_PER_MONITOR_DPI_AWARE of SHCORE.DLL
constexpr int kEffectiveDpi = 0;               // MDT_EFFECTIVE_DPI

using SetAwarenessContextFn = BOOL(WINAPI*)(HANDLE context);      // Windows 10 1703
using SetProcessDpiAwareFn = BOOL(WINAPI*)();                      // Vista
using SetProcessDpiAwarenessFn = HRESULT(WINAPI*)(int awareness);  // 8.1, SHCORE.DLL
using GetDpiForWindowFn = UINT(WINAPI*)(HWND window);              // Windows 10 1607
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR monitor, int kind, UINT* x, UINT* y);  // 8.1, SHCORE.DLL
using MonitorFromWindowFn = HMONITOR(WINAPI*)(HWND window, DWORD flags);                   // 98
using MonitorFromPointFn = HMONITOR(WINAPI*)(POINT point, DWORD flags);                     // 98

HMODULE User() { return GetModuleHandleA("USER32.DLL"); }

// SHCORE.DLL (Windows 8.1), loaded on first use: on Windows 10 the awareness is
// declared without it, so nothing else may have loaded it when a monitor's DPI
// is asked. Before Vista (no SetProcessDPIAware) there is none to look for.
bool shcoreTried = false;
HMODULE shcore = nullptr;
GetDpiForMonitorFn getDpiForMonitor = nullptr;

HMODULE Shcore() {
  if (!shcoreTried && FindProcedure<SetProcessDpiAwareFn>(User(), "SetProcessDPIAware") != nullptr) {
    shcore = LoadLibraryA("SHCORE.DLL");
    getDpiForMonitor = FindProcedure<GetDpiForMonitorFn>(shcore, "GetDpiForMonitor");
  }
  shcoreTried = true;
  return shcore;
}

// The effective DPI of `monitor` as SHCORE tells it; 0 where it cannot.
int32_t AskMonitorDpi(HMONITOR monitor) {
  Shcore();
  const GetDpiForMonitorFn forMonitor = getDpiForMonitor;
  UINT x = 0, y = 0;
  if (forMonitor == nullptr || monitor == nullptr || forMonitor(monitor, kEffectiveDpi, &x, &y) != S_OK) return 0;
  return static_cast<int32_t>(x);
}

// The screen's dots per inch: the primary monitor's, the only one before 8.1.
int32_t FindScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kStandardDpi;
}

}  // namespace

void DeclareDpiAware() {
  const auto setContext = FindProcedure<SetAwarenessContextFn>(User(), "SetProcessDpiAwarenessContext");
  if (setContext != nullptr && (setContext(kPerMonitorAwareV2) || setContext(kPerMonitorAware))) return;
  // Before Vista there is nothing to declare, and no SHCORE.DLL to look for.
  const auto setSystemAware = FindProcedure<SetProcessDpiAwareFn>(User(), "SetProcessDPIAware");
  if (setSystemAware == nullptr) return;
  const auto setAwareness = FindProcedure<SetProcessDpiAwarenessFn>(Shcore(), "SetProcessDpiAwareness");
  if (setAwareness != nullptr && setAwareness(kProcessPerMonitorDpiAware) == S_OK) return;
  setSystemAware();
}

int32_t FindWindowDpi(HWND window) {
  if (const auto forWindow = FindProcedure<GetDpiForWindowFn>(User(), "GetDpiForWindow"); forWindow != nullptr) {
    if (const UINT dpi = forWindow(window); dpi != 0) return static_cast<int32_t>(dpi);
  }
  if (const auto fromWindow = FindProcedure<MonitorFromWindowFn>(User(), "MonitorFromWindow"); fromWindow != nullptr) {
    if (const int32_t dpi = AskMonitorDpi(fromWindow(window, MONITOR_DEFAULTTOPRIMARY)); dpi != 0) return dpi;
  }
  return FindScreenDpi();
}

int32_t FindMonitorDpi(const ScreenRect& monitor) {
  if (const auto fromPoint = FindProcedure<MonitorFromPointFn>(User(), "MonitorFromPoint"); fromPoint != nullptr) {
    if (const int32_t dpi = AskMonitorDpi(fromPoint({monitor.left, monitor.top}, MONITOR_DEFAULTTOPRIMARY)); dpi != 0) {
      return dpi;
    }
  }
  return FindScreenDpi();
}
