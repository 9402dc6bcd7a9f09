// The enlargement of the picture on high-DPI screens: every back-buffer pixel
// shown as scale x scale screen pixels, while the animation runs, unchanged, on
// the window's size divided by the scale.
#pragma once

#include <algorithm>
#include <cstdint>

constexpr int32_t kMinPresentScale = 1;
constexpr int32_t kMaxPresentScale = 4;
constexpr int32_t kStandardDpi = 96;  // the dots per inch of a screen at 100 %

// The scale for a screen of `dotsPerInch`: dpi / 96 rounded to the nearest whole
// number (so 1 below 144 DPI), from 1 to 4. A DPI of 0 or less (unknown) is 1.
constexpr int32_t ScaleForDpi(int32_t dotsPerInch) {
  if (dotsPerInch <= 0) return kMinPresentScale;
  const int64_t rounded = (int64_t{dotsPerInch} + kStandardDpi / 2) / kStandardDpi;
  return static_cast<int32_t>(std::clamp<int64_t>(rounded, kMinPresentScale, kMaxPresentScale));
}

// The dots per inch of a screen `pixels` wide that measures `millimetres` across
// (an X screen's size as its server reports it), rounded to the nearest whole
// number; 0 (unknown) when the size is not positive.
constexpr int32_t DpiFromScreenSize(int32_t pixels, int32_t millimetres) {
  if (pixels <= 0 || millimetres <= 0) return 0;
  return static_cast<int32_t>((int64_t{pixels} * 254 + int64_t{millimetres} * 5) / (int64_t{millimetres} * 10));
}

// The animation's side for a window side of `windowSide` pixels at `scale`: the
// whole back-buffer pixels that fit, at least one while the window has any. The
// few screen pixels left over at the right or bottom edge stay black.
constexpr int32_t AnimationSide(int32_t windowSide, int32_t scale) {
  if (windowSide <= 0) return 0;
  return std::max(windowSide / std::max(scale, int32_t{1}), int32_t{1});
}
