// The saver's declaration of DPI awareness and the dots per inch of the screen it draws on.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shell/monitors.h"

// Called by RunSaverWindow once, before the saver window is made: declares the
// process DPI-aware, so that on a screen scaled to 150-200 % the system hands it
// the real pixels instead of enlarging a 96-DPI picture with a smoothing filter.
// Per-monitor where the system has it (the awareness contexts of Windows 10, then
// SHCORE.DLL of Windows 8.1), system-wide on Vista to 8, nothing before Vista.
// Every function is looked up at run time: Windows 95 has none of them.
void DeclareDpiAware();

// The dots per inch of the monitor `window` shows on, as this process sees them:
// the window's own where the system tells it (Windows 10), else its monitor's
// (Windows 8.1), else the screen's (the primary monitor's, the only one before
// 8.1). 96 on a system that knows nothing of DPI.
int32_t FindWindowDpi(HWND window);

// The dots per inch of the monitor whose top-left corner is `monitor`'s, as this
// process sees them (Windows 8.1 and later tell each monitor's own), else the
// screen's, as FindWindowDpi.
int32_t FindMonitorDpi(const ScreenRect& monitor);
