// Helpers of the Windows test suites: waiting with messages handled, reading a
// window's or the screen's pixels back, and counting the molecule's colours.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace test_support {

// Dispatches the calling thread's messages (windows of the test must answer their
// children's notifications) for about `milliseconds`.
inline void PumpFor(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now < 20 ? end - now : 20, QS_ALLINPUT);
  }
}

// The width x height pixels from left, top of `window`'s client area (of the
// screen when `window` is null, where a monitor left of or above the primary has
// negative coordinates) as 0x00RRGGBB values, top row first, read with BitBlt.
inline std::vector<uint32_t> ReadPixels(HWND window, int width, int height, int left = 0, int top = 0) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HDC source = GetDC(window);
  const HDC memory = CreateCompatibleDC(source);
  const HBITMAP copy = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY);
  GdiFlush();
  const auto* first = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> pixels(first, first + static_cast<size_t>(width) * height);
  SelectObject(memory, previous);
  DeleteObject(copy);
  DeleteDC(memory);
  ReleaseDC(window, source);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

// How many pixels are black, the large atom's red and the small atoms' green.
struct ColourCensus {
  int black = 0, red = 0, green = 0;
};

inline ColourCensus CountColours(const std::vector<uint32_t>& pixels) {
  ColourCensus census;
  for (uint32_t p : pixels) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (r + g + b < 24) ++census.black;
    if (r > 120 && g < r / 2 && b < r / 2) ++census.red;
    if (g > 100 && r < g * 3 / 4 && b < g * 3 / 4) ++census.green;
  }
  return census;
}

}  // namespace test_support
