// Black windows over the monitors that the full-screen saver window does not cover.
#include "shell/blanking_win32.h"

#include <vector>

#include "shell/monitors.h"
#include "shell/monitors_win32.h"
#include "shell/shell_default_win32.h"
#include "shell/shell_state_win32.h"

namespace {

bool RegisterBlankingClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  if (GetClassInfoA(instance, kBlankingClassName, &windowClass)) return true;
  windowClass.lpfnWndProc = BlankingWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = nullptr;  // no cursor, as over the saver window
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kBlankingClassName;
  return RegisterClassA(&windowClass) != 0;
}

void RemoveBlankingWindows(HWND saverWindow) {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, kBlankingClassName, nullptr)) != nullptr) {
    if (GetWindow(window, GW_OWNER) != saverWindow) continue;
    DestroyWindow(window);
    window = nullptr;  // the search starts again: a destroyed window marks no place
  }
}

}  // namespace

void BlankOtherMonitors(HWND saverWindow) {
  RemoveBlankingWindows(saverWindow);
  RECT saver{};
  GetWindowRect(saverWindow, &saver);
  const std::vector<ScreenRect> rects =
      ChooseBlankingRects(FindMonitorRects(), {saver.left, saver.top, saver.right, saver.bottom});
  const HINSTANCE instance = TheShellState().instance;
  if (rects.empty() || !RegisterBlankingClass(instance)) return;
  for (const ScreenRect& r : rects) {
    // Created hidden and shown with SWP_NOACTIVATE: the saver window keeps the
    // activation, whose loss closes the saver. The tool-window style keeps them
    // off the task bar.
    const HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kBlankingClassName, "", WS_POPUP,
                                        r.left, r.top, r.right - r.left, r.bottom - r.top, saverWindow, nullptr,
                                        instance, nullptr);
    if (window != nullptr) {
      SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
  }
}

LRESULT CALLBACK BlankingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR) {
    SetCursor(nullptr);
    return TRUE;
  }
  // A click here must not take activation from the saver window.
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  // The saver window's chain measures movement from its remembered cursor
  // position (screen coordinates, not these) and asks the password on the
  // Win9x platform, exactly as for input on itself.
  if (const HWND saver = GetWindow(window, GW_OWNER); IsSaverInput(message) && saver != nullptr) {
    return SendMessageA(saver, message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
