// The saver window's default handling: input that ends the saver, the password question.
#pragma once

#include <windows.h>

#include <cstdint>

// The message AskToClose sends to the saver window to have the verifier asked.
constexpr UINT VerifyPasswordMessage = 0x8000;

// Called by AnimationWindowProc with every message it does not handle itself;
// ends in DefWindowProcA. Posts WM_CLOSE to the window on keys, clicks, loss of
// activation and mouse travel beyond MouseMoveThreshold (never in preview mode).
LRESULT ShellDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Decides whether the saver window may close, asking the password verifier when
// one is loaded. Called by ShellDefaultProc on WM_CLOSE on the Win9x platform
// while closing is not approved yet. Non-zero: close (also stored in the shell's
// closeApproved).
uint32_t AskToClose(HWND window);
