// The saver window's default handling: input that ends the saver, the password question.
#pragma once

#include <windows.h>

#include <cstdint>

// The message AskToClose sends to the saver window to have the verifier asked.
constexpr UINT VerifyPasswordMessage = 0x8000;

// Whether `message` is the input that the saver window watches to close: a key,
// a click or mouse movement. The frame procedure lets it through once closing is
// approved; the blanking windows over other monitors hand it to the saver window.
inline bool IsSaverInput(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

// Called by AnimationWindowProc with every message it does not handle itself;
// ends in DefWindowProcA. Posts WM_CLOSE to the window on keys, clicks, loss of
// activation and mouse travel beyond MouseMoveThreshold (never in preview mode).
LRESULT ShellDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Decides whether the saver window may close, asking the password verifier when
// one is loaded. Called by ShellDefaultProc on WM_CLOSE on the Win9x platform
// while closing is not approved yet. Non-zero: close (also stored in the shell's
// closeApproved).
uint32_t AskToClose(HWND window);
