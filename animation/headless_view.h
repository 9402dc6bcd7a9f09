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
  int32_t scale = 1;         // screen pixels per back-buffer pixel, across and down
  int32_t left = 0;          // where the back buffer's top-left pixel shows in the view
  int32_t top = 0;
  std::vector<uint8_t> rgb;  // red, green, blue per pixel; rows from the top
};

// Makes the view width x height screen pixels and black, as a new window is,
// showing each back-buffer pixel as `scale` x `scale` of them (the animation then
// runs on AnimationSide of each side). Negative sides count as 0; the scale is
// kept within 1 .. kMaxPresentScale.
void ResetHeadlessView(HeadlessView& view, int32_t width, int32_t height, int32_t scale = 1);

// The sink that TickAnimation / RenderScene present into: every rectangle is
// clipped to the back buffer and the view, and its pixels replace the view's.
// The view must outlive the sink's use.
PresentSink HeadlessSink(HeadlessView& view);
