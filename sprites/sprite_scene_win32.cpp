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

struct WindowPresent {
  HWND window;
  HDC dc;
};

void BeginPresent(void* context, const DibImage& backBuffer) {
  auto* present = static_cast<WindowPresent*>(context);
  present->dc = GetDC(present->window);
  SelectImagePalette(backBuffer, present->dc);
  RealizePalette(present->dc);
}

void PutRect(void* context, const DibImage& backBuffer, SceneRect rect) {
  auto* present = static_cast<WindowPresent*>(context);
  if (present->dc == nullptr || backBuffer.bits == nullptr) return;
  // Only the part inside the back buffer exists; the window is the same size, so
  // nothing visible is lost.
  const SceneRect r = ClipRectToImage(rect, backBuffer);
  if (r.width <= 0 || r.height <= 0) return;
  // The source y counts from the bottom: the rows are stored bottom-up.
  StretchDIBits(present->dc, r.left, r.top, r.width, r.height, r.left, backBuffer.height - r.top - r.height,
                r.width, r.height, backBuffer.bits, reinterpret_cast<const BITMAPINFO*>(backBuffer.info),
                DIB_RGB_COLORS, SRCCOPY);
}

void EndPresent(void* context) {
  auto* present = static_cast<WindowPresent*>(context);
  // The scene's palette stays selected in the window's context.
  if (present->dc != nullptr) ReleaseDC(present->window, present->dc);
  present->dc = nullptr;
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

void RenderScene(SpriteScene& scene, HWND window) {
  WindowPresent present{window, nullptr};
  RenderScene(scene, PresentSink{&present, &BeginPresent, &PutRect, &EndPresent});
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
