// The helpers the window, its monitors and its stacking share across their
// files; each is described where it is defined.
#pragma once

#include <X11/Xlib.h>

#include "linux/window_x11.h"

// window_x11.cpp
void TrapErrors(Display* display);
bool UntrapErrors(Display* display);

// monitors_x11.cpp
void ReadMonitors(WindowView& view, int screen);
bool IsWindowManagerRunning(Display* display, Window root);
bool IsHintSupported(Display* display, Window root, const char* name);

// stacking_x11.cpp
bool ClaimFullScreen(WindowView& view);
