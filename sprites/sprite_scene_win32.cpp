// The sprite scene on a Win32 window: its back buffer as a DIB section, its
// identity palette, and each frame's rectangles put on the window.
#include "sprites/sprite_scene_win32.h"

#include "sprites/dib_image_win32.h"
#include "sprites/palette_win32.h"

namespace {

void ReadStatics(void*, StaticColours& colours) {
  FlushSystemPalette();
  colours = ReadSystemStaticColours();
}

void MakeSection(void* context, SpriteScene& scene, int32_t width, int32_t height) {
  const HWND window = static_cast<HWND>(context);
  const HDC windowDc = GetDC(window);
  const HDC memoryDc = CreateCompatibleDC(windowDc);
  ReleaseDC(window, windowDc);
  scene.memoryDc = memoryDc;
  const HBITMAP section = CreateSection(scene.backBuffer, width, height);
  scene.backBitmap = section;
  if (memoryDc == nullptr || section == nullptr) return;
  scene.previousBitmap = SelectObject(memoryDc, section);
  PatBlt(memoryDc, 0, 0, width, height, BLACKNESS);
  // The engine writes the section's memory directly from here on.
  GdiFlush();
}

void MakePalette(void*, SpriteScene& scene) { CreateIdentityPalette(scene.backBuffer); }

void BeginPresent(void* context, const PicturePlace& place) {
  auto* target = static_cast<WindowTarget*>(context);
  target->dc = GetDC(target->window);
  SelectImagePalette(place.scene->backBuffer, target->dc);
  RealizePalette(target->dc);
  // Enlarged pixels are repeated, never blended with their neighbours.
  SetStretchBltMode(target->dc, COLORONCOLOR);
}

void PutRect(void* context, const PicturePlace& place, SceneRect rect) {
  auto* target = static_cast<WindowTarget*>(context);
  const DibImage& backBuffer = place.scene->backBuffer;
  if (target->dc == nullptr || backBuffer.bits == nullptr) return;
  // Only the part inside the back buffer exists; the window is that size times
  // the scale (and fewer than `scale` pixels more, which stay black), so nothing
  // visible is lost.
  const SceneRect r = ClipRectToImage(rect, backBuffer);
  if (r.width <= 0 || r.height <= 0) return;
  const int32_t n = place.scale;
  // The source y counts from the bottom: the rows are stored bottom-up.
  StretchDIBits(target->dc, place.left + r.left * n, place.top + r.top * n, r.width * n, r.height * n, r.left,
                backBuffer.height - r.top - r.height, r.width, r.height, backBuffer.bits,
                reinterpret_cast<const BITMAPINFO*>(backBuffer.info), DIB_RGB_COLORS, SRCCOPY);
}

void EndPresent(void* context) {
  auto* target = static_cast<WindowTarget*>(context);
  // The scene's palette stays selected in the window's context.
  if (target->dc != nullptr) ReleaseDC(target->window, target->dc);
  target->dc = nullptr;
}

}  // namespace

ScenePlatform Win32ScenePlatform(HWND window) {
  ScenePlatform platform;
  platform.context = window;
  platform.bitmaps = Win32BitmapSource();
  platform.readStaticColours = &ReadStatics;
  platform.makeBackBuffer = &MakeSection;
  platform.makePalette = &MakePalette;
  return platform;
}

void CreateScene(SpriteScene& scene, HWND window, int32_t spriteCount, int32_t patternCount,
                 int32_t patternImageCount, int32_t width, int32_t height) {
  CreateScene(scene, Win32ScenePlatform(window), spriteCount, patternCount, patternImageCount, width, height);
}

DesktopSink MakeWindowSink(WindowTarget& target, int32_t originX, int32_t originY) {
  DesktopSink sink;
  sink.context = &target;
  sink.originX = originX;
  sink.originY = originY;
  sink.begin = &BeginPresent;
  sink.put = &PutRect;
  sink.end = &EndPresent;
  return sink;
}

void RenderScene(SpriteScene& scene, HWND window) {
  WindowTarget target{window, nullptr};
  PresentPicture(scene, 0, 0, 1, MakeWindowSink(target, 0, 0));
}

void ReleaseScene(SpriteScene& scene) {
  const HDC memoryDc = static_cast<HDC>(scene.memoryDc);
  if (memoryDc != nullptr && scene.previousBitmap != nullptr) {
    SelectObject(memoryDc, static_cast<HGDIOBJ>(scene.previousBitmap));
  }
  if (scene.backBitmap != nullptr) DeleteObject(static_cast<HGDIOBJ>(scene.backBitmap));
  if (memoryDc != nullptr) DeleteDC(memoryDc);
  if (scene.backBuffer.palette != nullptr) DeleteObject(static_cast<HGDIOBJ>(scene.backBuffer.palette));
  scene = SpriteScene();
}
