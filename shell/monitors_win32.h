// The monitors of the desktop as the system reports them.
#pragma once

#include <vector>

#include "shell/monitors.h"

// Every monitor's rectangle in virtual-screen pixels, the primary first, the
// others in the system's order. Empty on systems without the monitor functions
// of USER32 (Windows 95, NT 4: looked up at run time), where the screen is the
// one monitor.
std::vector<ScreenRect> FindMonitorRects();

// FindMonitorRects, or the screen (SM_CXSCREEN x SM_CYSCREEN at the origin)
// when the system lists none.
std::vector<ScreenRect> FindMonitorRectsOrScreen();
