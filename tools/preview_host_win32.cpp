// preview-host SAVER | --in-process: shows a window with a 152 x 112 client area,
// like the desktop's preview monitor, and runs the saver's preview inside it:
// "SAVER /p <window>" in its own process, or the saver's own preview code in this
// process. Wine draws no child window that belongs to another process, so only
// the second shows the preview's pixels there. Closing the window destroys the
// preview; the host ends when the saver has ended.
#include <windows.h>

#include <cstdio>
#include <string>

#include "shell/shell_main_win32.h"
#include "shell/shell_state_win32.h"

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: preview-host SAVER | --in-process\n", stderr);
    return 2;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = HostProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  windowClass.lpszClassName = "PreviewHostClass";
  RegisterClassA(&windowClass);
  RECT frame{0, 0, 152, 112};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  AdjustWindowRect(&frame, style, FALSE);
  HWND host = CreateWindowExA(0, "PreviewHostClass", "Preview host", style, 40, 40,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr,
                              nullptr, instance, nullptr);
  if (host == nullptr) return 1;

  if (std::string(argv[1]) == "--in-process") {
    TheShellState().instance = instance;
    return RunSaverWindow(host);
  }

  std::string command = "\"";
  command.append(argv[1]).append("\" /p ").append(std::to_string(reinterpret_cast<UINT_PTR>(host)));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 1;
  }
  CloseHandle(process.hThread);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  WaitForSingleObject(process.hProcess, 5000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
