// A stand-in for the saver window where there is none: presented rectangles
// painted into an RGB picture through the back buffer's colour table.
#include "animation/headless_view.h"

#include <algorithm>

#include "sprites/dib_image.h"
#include "sprites/present_scale.h"

namespace {

void PutRect(void* context, const DibImage& backBuffer, SceneRect rect) {
  HeadlessView& view = *static_cast<HeadlessView*>(context);
  const SceneRect r = ClipRectToImage(rect, backBuffer);
  if (r.width <= 0 || backBuffer.header == nullptr) return;
  const uint8_t* table = backBuffer.header + LoadInfoHeader(backBuffer.header).biSize;
  const int32_t n = view.scale;
  // Screen pixels of the view, clipped to it; sx and sy count from the back buffer's corner.
  const int32_t left = std::max(r.left * n, -view.left);
  const int32_t right = std::min((r.left + r.width) * n, view.width - view.left);
  const int32_t top = std::max(r.top * n, -view.top);
  const int32_t bottom = std::min((r.top + r.height) * n, view.height - view.top);
  for (int32_t sy = top; sy < bottom; ++sy) {
    const uint8_t* source = PixelAt(backBuffer, r.left, sy / n);
    if (source == nullptr) return;
    uint8_t* out = view.rgb.data() + (static_cast<size_t>(sy + view.top) * view.width + left + view.left) * 3;
    for (int32_t sx = left; sx < right; ++sx, out += 3) {
      const uint8_t* entry = table + 4 * source[sx / n - r.left];  // blue, green, red, reserved
      out[0] = entry[2];
      out[1] = entry[1];
      out[2] = entry[0];
    }
  }
}

}  // namespace

void ResetHeadlessView(HeadlessView& view, int32_t width, int32_t height, int32_t scale) {
  view.width = std::max(width, 0);
  view.height = std::max(height, 0);
  view.scale = std::clamp(scale, kMinPresentScale, kMaxPresentScale);
  view.left = view.top = 0;
  view.rgb.assign(static_cast<size_t>(view.width) * view.height * 3, 0);
}

PresentSink HeadlessSink(HeadlessView& view) {
  PresentSink sink;
  sink.context = &view;
  sink.put = PutRect;
  return sink;
}
