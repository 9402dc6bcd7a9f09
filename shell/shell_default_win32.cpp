// The saver window's default handling (placeholder: platform default only).
#include "shell/shell_default_win32.h"

LRESULT ShellDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
