// The animation's window procedure: set-up on creation, a step per 50 ms tick,
// tear-down on destruction; everything else goes on to ShellDefaultProc.
#pragma once

#include <windows.h>

// Called by the shell's frame procedure after a display change has given the
// window a new size or its screen a new scale: when the animation's size or
// scale no longer match, the animation starts over on the new ones (a new scene
// and new molecules on a black window; the settings, sounds and random source go
// on). Does nothing when they still match.
void FitAnimationToWindow(HWND window);

// Called by the shell's frame procedure with every message it does not consume.
LRESULT CALLBACK AnimationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
