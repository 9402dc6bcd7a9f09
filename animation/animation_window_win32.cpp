// The animation's window procedure (placeholder until the animation is wired in:
// it only ends the message loop on destruction).
#include "animation/animation_window_win32.h"

#include "shell/shell_default_win32.h"

LRESULT CALLBACK AnimationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return ShellDefaultProc(window, message, wParam, lParam);
  }
}
