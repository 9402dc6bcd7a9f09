// What the preview draws, read back in-process: a saver running across processes
// draws nowhere a screenshot can see under Wine, so the chain runs here instead.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "shell/shell_main_win32.h"
#include "shell/shell_state_win32.h"

namespace {

void PumpFor(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// The window's client area as 0x00RRGGBB pixels, top row first.
std::vector<uint32_t> ReadPixels(HWND window, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC source = GetDC(window);
  HDC memory = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* first = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> pixels(first, first + width * height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return pixels;
}

struct Census {
  int black = 0, red = 0, green = 0;
};

Census Count(const std::vector<uint32_t>& pixels) {
  Census census;
  for (uint32_t p : pixels) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (r + g + b < 24) ++census.black;
    if (r > 120 && g < r / 2 && b < r / 2) ++census.red;
    if (g > 100 && r < g * 3 / 4 && b < g * 3 / 4) ++census.green;
  }
  return census;
}

class PreviewDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    TheShellState() = ShellState{};
    TheShellState().instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "PreviewDrawingParent";
    RegisterClassA(&windowClass);
    parent = CreateWindowExA(WS_EX_TOPMOST, "PreviewDrawingParent", "", WS_POPUP | WS_VISIBLE, 20, 20, 152, 112,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    TheShellState().previewMode = true;
    saver = CreateSaverWindow(PreviewShape(parent));
  }
  void TearDown() override {
    DestroyWindow(parent);
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));
    UnregisterClassA("PreviewDrawingParent", GetModuleHandleA(nullptr));
    TheShellState() = ShellState{};
  }
  HWND parent = nullptr;
  HWND saver = nullptr;
};

}  // namespace

TEST_F(PreviewDrawing, ChildStartsBlack) {
  ASSERT_NE(nullptr, saver);
  PumpFor(30);
  const Census census = Count(ReadPixels(saver, 152, 112));
  EXPECT_GT(census.black, 152 * 112 / 2) << "the preview is not black where nothing is drawn";
}

TEST_F(PreviewDrawing, MoleculesAppearAndMoveInThePreview) {
  ASSERT_NE(nullptr, saver);
  PumpFor(400);
  const std::vector<uint32_t> first = ReadPixels(saver, 152, 112);
  PumpFor(200);
  const std::vector<uint32_t> second = ReadPixels(saver, 152, 112);
  const Census census = Count(first);
  EXPECT_GT(census.red, 20) << "no red atoms in the preview";
  EXPECT_GT(census.green, 20) << "no green atoms in the preview";
  EXPECT_GT(census.black, 152 * 112 / 4) << "the preview's background is not black";
  EXPECT_NE(first, second) << "the molecules do not move";
}
