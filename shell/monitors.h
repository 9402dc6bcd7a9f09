// Which monitors a full-screen window covers, from the monitors' rectangles.
#pragma once

#include <cstdint>
#include <vector>

#include "animation/screen_rect.h"

// The rectangles that need a blanking window, in the order of `monitors`: every
// monitor except the saver's own (the first of those sharing the largest area
// with `saverRect`, as the system picks a window's monitor) and its mirrors,
// those lying wholly inside `saverRect`, empty rectangles and repeats of an
// earlier one (mirrored monitors share one window). A blanking window stays above
// the saver window, so one on the saver's own monitor would hide the animation,
// even when the saver window is smaller than its monitor. Called by the
// full-screen start and after a display change, once the saver window covers
// `saverRect`.
std::vector<ScreenRect> ChooseBlankingRects(const std::vector<ScreenRect>& monitors, ScreenRect saverRect);

// The monitor a full-screen window of its own covers: the first of `monitors`
// that holds the point (x, y) (the pointer, where the user looks), else the
// first that is not empty, else `whole` (the screen, when there is no list).
ScreenRect ChooseMonitorAt(const std::vector<ScreenRect>& monitors, int32_t x, int32_t y, ScreenRect whole);
