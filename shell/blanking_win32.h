// Black windows over the monitors that the full-screen saver window does not cover.
#pragma once

#include <windows.h>

// The blanking windows' class; not the saver's, so that looking for a running
// saver by class and title finds only the saver window.
constexpr char kBlankingClassName[] = "BriselBlankingClass";

// Called by RunSaverWindow once the full-screen saver window exists: covers each
// monitor that lies outside it with a black, topmost window owned by it (so that
// they go when it goes), shown without taking activation from it. Input on them
// goes to the saver window. Does nothing on a one-monitor desktop and on systems
// without the monitor functions of USER32 (looked up at run time).
// Called again by the saver window's procedure when the monitor layout changes
// (WM_DISPLAYCHANGE): the system has then moved windows off monitors that went
// away onto the others, so the blanking windows it made before go and new ones
// cover the monitors as they are now.
void BlankOtherMonitors(HWND saverWindow);

// The blanking windows' procedure: hides the cursor, never takes activation, and
// hands keys, clicks and mouse movement to the owning saver window, whose
// handling decides about closing.
LRESULT CALLBACK BlankingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
