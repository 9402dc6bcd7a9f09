// The saver window's registered procedure: the first of the chain ShellFrameProc ->
// AnimationWindowProc -> ShellDefaultProc -> DefWindowProcA.
#pragma once

#include <windows.h>

// The window procedure of the class "WindowsScreenSaverClass". Takes the input
// method away from the window and hides the cursor at creation, gives the input
// method back and posts the quit message at destruction, keeps the title fixed,
// swallows task-switching commands in full screen, hands help requests of the
// preview to its parent, and stops the animation's ticks once closing is approved.
// The whole chain runs inside the fault guard: a fault that the guard recovers
// from ends the program with kSaverFailed (-1).
LRESULT CALLBACK ShellFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
