// A stand-in for the saver window where there is none: an RGB picture into which
// each presented rectangle is painted through the back buffer's colour table,
// exactly as the window would show it.
#pragma once

#include <cstdint>
#include <vector>

#include "sprites/sprite_scene.h"

struct HeadlessView {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // red, green, blue per pixel; rows from the top
};

// Makes the view width x height screen pixels and black, as a new window is.
// Negative sides count as 0.
void ResetHeadlessView(HeadlessView& view, int32_t width, int32_t height);

// The sink a desktop presents into (PresentDesktop), the view's top-left pixel
// at (originX, originY) of the desktop: every rectangle is clipped to its back
// buffer and to the view, and its pixels, each as the place's scale x scale,
// replace the view's. The view must outlive the sink's use.
DesktopSink HeadlessSink(HeadlessView& view, int32_t originX = 0, int32_t originY = 0);
