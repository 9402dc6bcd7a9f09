// Which monitors a full-screen window covers, from the monitors' rectangles.
#include "shell/monitors.h"

#include <algorithm>

namespace {

int64_t CountSharedPixels(const ScreenRect& a, const ScreenRect& b) {
  const int64_t width = int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
  const int64_t height = int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

// The saver window's monitor; null when it shares no pixel with any.
const ScreenRect* FindOwnMonitor(const std::vector<ScreenRect>& monitors, const ScreenRect& saverRect) {
  const ScreenRect* own = nullptr;
  int64_t largest = 0;
  for (const ScreenRect& monitor : monitors) {
    const int64_t shared = CountSharedPixels(monitor, saverRect);
    if (shared > largest) largest = shared, own = &monitor;
  }
  return own;
}

}  // namespace

std::vector<ScreenRect> ChooseBlankingRects(const std::vector<ScreenRect>& monitors, ScreenRect saverRect) {
  const ScreenRect* own = FindOwnMonitor(monitors, saverRect);
  std::vector<ScreenRect> chosen;
  for (const ScreenRect& monitor : monitors) {
    if (IsEmpty(monitor) || IsInside(monitor, saverRect) || (own != nullptr && monitor == *own)) continue;
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
