// A stand-in for the saver window where there is none: presented rectangles
// painted into an RGB picture through the back buffer's colour table.
#include "animation/headless_view.h"

#include <algorithm>

#include "sprites/dib_image.h"

namespace {

void PutRect(void* context, const PicturePlace& place, SceneRect rect) {
  HeadlessView& view = *static_cast<HeadlessView*>(context);
  const DibImage& backBuffer = place.scene->backBuffer;
  const SceneRect r = ClipRectToImage(rect, backBuffer);
  if (r.width <= 0 || backBuffer.header == nullptr) return;
  const uint8_t* table = backBuffer.header + LoadInfoHeader(backBuffer.header).biSize;
  const int32_t n = place.scale;
  // Screen pixels of the view, clipped to it; sx and sy count from the back buffer's corner.
  const int32_t left = std::max(r.left * n, -place.left);
  const int32_t right = std::min((r.left + r.width) * n, view.width - place.left);
  const int32_t top = std::max(r.top * n, -place.top);
  const int32_t bottom = std::min((r.top + r.height) * n, view.height - place.top);
  for (int32_t sy = top; sy < bottom; ++sy) {
    const uint8_t* source = PixelAt(backBuffer, r.left, sy / n);
    if (source == nullptr) return;
    uint8_t* out = view.rgb.data() + (static_cast<size_t>(sy + place.top) * view.width + left + place.left) * 3;
    for (int32_t sx = left; sx < right; ++sx, out += 3) {
      const uint8_t* entry = table + 4 * source[sx / n - r.left];  // blue, green, red, reserved
      out[0] = entry[2];
      out[1] = entry[1];
      out[2] = entry[0];
    }
  }
}

}  // namespace

void ResetHeadlessView(HeadlessView& view, int32_t width, int32_t height) {
  view.width = std::max(width, 0);
  view.height = std::max(height, 0);
  view.rgb.assign(static_cast<size_t>(view.width) * view.height * 3, 0);
}

DesktopSink HeadlessSink(HeadlessView& view, int32_t originX, int32_t originY) {
  DesktopSink sink;
  sink.context = &view;
  sink.originX = originX;
  sink.originY = originY;
  sink.put = PutRect;
  return sink;
}
