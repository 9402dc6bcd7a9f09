// The animation's window procedure: set-up on creation, a step per 50 ms tick,
// tear-down on destruction; everything else goes on to ShellDefaultProc.
#pragma once

#include <windows.h>

// Called by the shell's frame procedure with every message it does not consume.
LRESULT CALLBACK AnimationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
