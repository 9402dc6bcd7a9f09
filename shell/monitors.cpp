// Which monitors a full-screen window covers, from the monitors' rectangles.
#include "shell/monitors.h"

#include <algorithm>

namespace {

bool IsEmpty(const ScreenRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool IsInside(const ScreenRect& inner, const ScreenRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

std::vector<ScreenRect> ChooseBlankingRects(const std::vector<ScreenRect>& monitors, ScreenRect saverRect) {
  std::vector<ScreenRect> chosen;
  for (const ScreenRect& monitor : monitors) {
    if (IsEmpty(monitor) || IsInside(monitor, saverRect)) continue;
    if (std::find(chosen.begin(), chosen.end(), monitor) != chosen.end()) continue;
    chosen.push_back(monitor);
  }
  return chosen;
}

ScreenRect ChooseMonitorAt(const std::vector<ScreenRect>& monitors, int32_t x, int32_t y, ScreenRect whole) {
  for (const ScreenRect& m : monitors) {
    if (x >= m.left && x < m.right && y >= m.top && y < m.bottom) return m;
  }
  for (const ScreenRect& monitor : monitors) {
    if (!IsEmpty(monitor)) return monitor;
  }
  return whole;
}
