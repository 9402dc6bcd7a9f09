// Tests of the sprite scene on a real window under the platform: what appears
// where and in which colours, the DIB section, the palette and the bitmap search.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <vector>

#include "sprites/blits.h"
#include "sprites/dib_image_win32.h"
#include "sprites/palette_win32.h"
#include "sprites/sprite_scene_win32.h"
#include "tests/support/pixels_win32.h"
#include "tests/unit/sprites_test_images.h"

using namespace sprites_test;

namespace {

constexpr int32_t kWidth = 240, kHeight = 160;

// Frame k of the test sheet: a disc of radius 24 - 2k around (32, 32 + 64k) in
// colours 11.., a ring of index 0, transparent elsewhere.
uint8_t SheetPixel(int32_t x, int32_t y) {
  const int32_t k = y / 64, dx = x - 32, dy = y % 64 - 32, r = 24 - 2 * k;
  const int32_t d = dx * dx + dy * dy;
  if (d > r * r) return TRANSPARENT_INDEX;
  if (d > (r - 2) * (r - 2)) return 0;
  return static_cast<uint8_t>(11 + (3 * x + y) % 230);
}

// One window for the tests of the suite, made and destroyed by the fixture: a
// destroyed top-level window costs seconds under Wine without a window manager.
HWND sharedWindow = nullptr;

// The shared window, starting from a black client area.
struct TestWindow {
  HWND window = nullptr;

  TestWindow() {
    window = sharedWindow;
    const HDC dc = GetDC(window);
    const RECT all{0, 0, kWidth, kHeight};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(window, dc);
  }
  static HWND Create() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "SpritesTestWindow";
    RegisterClassA(&wc);
    const HWND window = CreateWindowExA(WS_EX_TOPMOST, "SpritesTestWindow", "sprites", WS_POPUP | WS_VISIBLE, 0, 0,
                                        kWidth, kHeight, nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(window);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return window;
  }
  // The client area as 0x00RRGGBB values, row by row from the top.
  std::vector<uint32_t> Read() const { return test_support::ReadPixels(window, kWidth, kHeight); }
};

// A scene on the test window with the real section, palette and presentation,
// its sheet taken from memory.
struct WindowScene {
  TestWindow window;
  FakeBitmaps bitmaps;
  SpriteScene scene;

  // With `realSheet`, exactly as the animation makes it: the sheet by its name
  // from a file or the program's resources, 32 frames.
  explicit WindowScene(int32_t count, bool realSheet = false) {
    const int32_t frames = realSheet ? 32 : 4;
    if (realSheet) {
      CreateScene(scene, window.window, count, frames, 1, kWidth, kHeight);
    } else {
      bitmaps.builtIn = MakeEngineDib(64, 64 * frames, SheetPixel);
      ScenePlatform platform = Win32ScenePlatform(window.window);
      platform.bitmaps = bitmaps.Source();
      CreateScene(scene, platform, count, frames, 1, kWidth, kHeight);
    }
    for (int32_t i = 0; i < count; ++i) SetSpriteSize(scene, i, 64, 64);
    for (int32_t k = 0; k < frames; ++k) DefinePattern(scene, k, 0, 32, 32 + 64 * k);
  }
  ~WindowScene() { ReleaseScene(scene); }

  void Show(int32_t i, int32_t frame, int32_t x, int32_t y) {
    SetSpritePattern(scene, i, frame);
    SetSpriteCentre(scene, i, x, y);
    SetSpriteVisible(scene, i, 1);
  }

  uint32_t ColourOf(uint8_t index) const {
    const uint8_t* q = scene.backBuffer.header + kInfoHeaderSize + index * 4;
    return uint32_t{q[2]} << 16 | uint32_t{q[1]} << 8 | q[0];
  }

  // What the window should show: its black background where no sprite is, the
  // visible sprites painted from the last to the first.
  std::vector<uint32_t> Expected() const {
    std::vector<uint32_t> window(kWidth * kHeight, ColourOf(0));
    for (int32_t i = scene.spriteCount - 1; i >= 0; --i) {
      const Sprite& s = scene.sprites[i];
      if (!s.visible) continue;
      for (int32_t j = 0; j < 64; ++j) {
        for (int32_t k = 0; k < 64; ++k) {
          const int32_t x = s.left + k, y = s.top + j;
          const uint8_t v = *PixelAt(*s.pattern->image, s.pattern->hotspotX - 32 + k, s.pattern->hotspotY - 32 + j);
          if (x >= 0 && y >= 0 && x < kWidth && y < kHeight && v != TRANSPARENT_INDEX) window[x + kWidth * y] = ColourOf(v);
        }
      }
    }
    return window;
  }
};

class SpritesOnWindow : public testing::Test {
 protected:
  static void SetUpTestSuite() { sharedWindow = TestWindow::Create(); }
  static void TearDownTestSuite() {
    DestroyWindow(sharedWindow);
    sharedWindow = nullptr;
  }
};

void ExpectSamePicture(const std::vector<uint32_t>& expected, const std::vector<uint32_t>& actual) {
  int wrong = 0;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const uint32_t e = expected[x + kWidth * y], a = actual[x + kWidth * y];
      if (e != a && ++wrong <= 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << "): expected " << std::hex << e << ", window shows " << a;
      }
    }
  }
  EXPECT_EQ(0, wrong) << "pixels that differ";
}

std::string TempName(const char* stem) {
  char name[64];
  std::snprintf(name, sizeof name, "%s_%lu", stem, GetCurrentProcessId());
  return name;
}

}  // namespace

TEST_F(SpritesOnWindow, ShowsTheSpritesInTheirColours) {
  WindowScene s(3);
  ASSERT_NE(nullptr, s.scene.backBuffer.bits);
  EXPECT_EQ(80u, s.ColourOf(11) >> 16) << "red of entry 11 is the sheet's";
  s.Show(0, 0, 100, 80);   // on top
  s.Show(1, 1, 120, 90);   // overlapped by sprite 0
  s.Show(2, 2, 10, 5);     // standing out of the top-left corner
  RenderScene(s.scene, s.window.window);
  ExpectSamePicture(s.Expected(), s.window.Read());

  // A jump: the old place is black again, the new one shows the sprite; a hidden
  // sprite disappears.
  SetSpriteCentre(s.scene, 0, 200, 130);
  SetSpriteVisible(s.scene, 2, 0);
  RenderScene(s.scene, s.window.window);
  ExpectSamePicture(s.Expected(), s.window.Read());

  // The back buffer is black again between frames.
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) ASSERT_EQ(0, *PixelAt(s.scene.backBuffer, x, y)) << x << ", " << y;
  }
}

TEST_F(SpritesOnWindow, SmallMovesRepaintTheUnion) {
  WindowScene s(1);
  s.Show(0, 3, 60, 60);
  for (int step = 0; step < 12; ++step) {
    SetSpriteCentre(s.scene, 0, 60 + 4 * step, 60 + 3 * step);
    SetSpritePattern(s.scene, 0, step % 4);
    RenderScene(s.scene, s.window.window);
  }
  ExpectSamePicture(s.Expected(), s.window.Read());
}

TEST_F(SpritesOnWindow, TheBuiltInSheetThroughTheWindowsCreateScene) {
  ASSERT_NE(nullptr, FindResourceA(GetModuleHandleA(nullptr), "SPPAT_R0", RT_BITMAP)) << "no sprite sheet resource";
  WindowScene s(4, true);
  ASSERT_EQ(64, s.scene.patternImages[0].width);
  for (int32_t i = 0; i < 4; ++i) s.Show(i, 7 * i + 3, 40 + 50 * i, 50 + 20 * i);
  RenderScene(s.scene, s.window.window);
  ExpectSamePicture(s.Expected(), s.window.Read());
}

TEST_F(SpritesOnWindow, BackBufferIsAClearedSectionWithTheSystemColours) {
  WindowScene s(0);
  const SpriteScene& scene = s.scene;
  ASSERT_NE(nullptr, scene.backBitmap);
  ASSERT_NE(nullptr, scene.memoryDc);
  DIBSECTION section{};
  ASSERT_EQ(static_cast<int>(sizeof section), GetObjectA(static_cast<HBITMAP>(scene.backBitmap), sizeof section, &section));
  EXPECT_EQ(kWidth, section.dsBm.bmWidth);
  EXPECT_EQ(kHeight, section.dsBm.bmHeight);
  EXPECT_EQ(8, section.dsBm.bmBitsPixel);
  EXPECT_EQ(scene.backBuffer.bits, section.dsBm.bmBits);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) ASSERT_EQ(0, *PixelAt(scene.backBuffer, x, y));
  }

  PALETTEENTRY system[256]{};
  const HDC screen = GetDC(nullptr);
  GetSystemPaletteEntries(screen, 0, 10, system);
  GetSystemPaletteEntries(screen, 246, 10, system + 246);
  ReleaseDC(nullptr, screen);
  PALETTEENTRY logical[256]{};
  ASSERT_EQ(256u, GetPaletteEntries(static_cast<HPALETTE>(scene.backBuffer.palette), 0, 256, logical));
  for (int32_t i = 0; i < 256; ++i) {
    const bool isStatic = i < 10 || i >= 246;
    const uint32_t tableColour = s.ColourOf(static_cast<uint8_t>(i));
    const uint32_t wanted = isStatic ? uint32_t{system[i].peRed} << 16 | system[i].peGreen << 8 | system[i].peBlue
                                     : uint32_t{TestRed(i)} << 16 | TestGreen(i) << 8 | TestBlue(i);
    EXPECT_EQ(wanted, tableColour) << "colour table entry " << i;
    EXPECT_EQ(wanted, uint32_t{logical[i].peRed} << 16 | logical[i].peGreen << 8 | logical[i].peBlue)
        << "palette entry " << i;
    EXPECT_EQ(isStatic ? 0 : PC_NOCOLLAPSE, logical[i].peFlags) << "palette entry " << i;
  }
}

TEST(BitmapSearch, AFileOfTheNameIsFoundAndABrokenOneIsRefused) {
  const std::string name = TempName("SPTEST");
  BmpForm form;
  form.fileHeader = true;
  form.headerSize = 12;
  form.width = 9;
  form.height = 5;
  std::vector<uint8_t> bytes = MakeBmp(form);
  FILE* file = std::fopen(name.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  LoadedBitmap loaded = LoadBitmapByName(name.c_str());
  ASSERT_NE(nullptr, loaded.header);
  DibImage image;
  LoadNamed(image, name.c_str(), Win32BitmapSource());
  ASSERT_EQ(9, image.width);
  EXPECT_EQ(TestPixel(8, 4), *PixelAt(image, 8, 4));

  // Cut inside the header: refused, and with no resource of that name, nothing.
  file = std::fopen(name.c_str(), "wb");
  std::fwrite(bytes.data(), 1, 30, file);
  std::fclose(file);
  EXPECT_EQ(nullptr, LoadBitmapByName(name.c_str()).header);
  DeleteFileA(name.c_str());
  EXPECT_EQ(nullptr, LoadBitmapByName(name.c_str()).header);
}

TEST(BitmapSearch, TheSheetResourceIsUsedInPlace) {
  ASSERT_NE(nullptr, FindResourceA(GetModuleHandleA(nullptr), "SPPAT_R0", RT_BITMAP)) << "no sprite sheet resource";
  LoadedBitmap loaded = LoadBitmapByName("SPPAT_R0");
  ASSERT_NE(nullptr, loaded.header);
  EXPECT_EQ(nullptr, loaded.owned) << "the resource is in the engine's form";
  const DibInfoHeader h = LoadInfoHeader(loaded.header);
  EXPECT_EQ(64, h.biWidth);
  EXPECT_EQ(2048, h.biHeight);
}
