// The monitors of the desktop as the system reports them.
#include "shell/monitors_win32.h"

#include <windows.h>

#include "shell/find_procedure_win32.h"

namespace {

// Windows 95 and NT 4 lack these.
using EnumDisplayMonitorsFn = BOOL(WINAPI*)(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);
using GetMonitorInfoFn = BOOL(WINAPI*)(HMONITOR monitor, LPMONITORINFO info);

struct MonitorSearch {
  GetMonitorInfoFn getMonitorInfo;
  std::vector<ScreenRect> rects;
};

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* search = reinterpret_cast<MonitorSearch*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (search->getMonitorInfo(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    const ScreenRect rect{r.left, r.top, r.right, r.bottom};
    if (info.dwFlags & MONITORINFOF_PRIMARY) {
      search->rects.insert(search->rects.begin(), rect);
    } else {
      search->rects.push_back(rect);
    }
  }
  return TRUE;
}

}  // namespace

std::vector<ScreenRect> FindMonitorRects() {
  const HMODULE user = GetModuleHandleA("USER32.DLL");
  const auto enumDisplayMonitors = FindProcedure<EnumDisplayMonitorsFn>(user, "EnumDisplayMonitors");
  MonitorSearch search{FindProcedure<GetMonitorInfoFn>(user, "GetMonitorInfoA"), {}};
  if (enumDisplayMonitors == nullptr || search.getMonitorInfo == nullptr) return {};
  enumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&search));
  return search.rects;
}

std::vector<ScreenRect> FindMonitorRectsOrScreen() {
  std::vector<ScreenRect> rects = FindMonitorRects();
  if (rects.empty()) rects.push_back({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  return rects;
}
