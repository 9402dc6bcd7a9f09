// A rectangle of the desktop in pixels: monitors, windows, the regions molecules keep to.
#pragma once

#include <cstdint>

// Left and top inside, right and bottom outside. Monitors left of or above the
// primary have negative coordinates.
struct ScreenRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;

  bool operator==(const ScreenRect&) const = default;
};

// True when the rectangle holds no pixel.
constexpr bool IsEmpty(const ScreenRect& r) { return r.right <= r.left || r.bottom <= r.top; }

// True when every pixel of `inner` lies in `outer`.
constexpr bool IsInside(const ScreenRect& inner, const ScreenRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}
