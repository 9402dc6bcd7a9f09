// The saver window's default handling: input that ends the saver, the password question.
#pragma once

#include <windows.h>

// Called by AnimationWindowProc with every message it does not handle itself;
// ends in DefWindowProcA.
LRESULT ShellDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
