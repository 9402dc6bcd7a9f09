// put-reference: the least a frame of the saver can cost on the screen. A full-screen
// window and an 8-bit DIB section; every 50 ms, 64 StretchDIBits of 68 x 68
// rectangles at moving places and nothing else. The tick count is kept in the
// window's user data, where the benchmark script reads it.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr int kRects = 64;
constexpr int kSide = 68;

struct Surface {
  BITMAPINFO* info = nullptr;
  void* bits = nullptr;
  int width = 0;
  int height = 0;
};

Surface gSurface;
LONG gTicks = 0;

void PutFrame(HWND window) {
  HDC dc = GetDC(window);
  for (int i = 0; i < kRects; ++i) {
    // Spread the rectangles over the screen and move them a little every tick.
    const int x = (i * 233 + gTicks * 3) % (gSurface.width - kSide);
    const int y = (i * 151 + gTicks * 2) % (gSurface.height - kSide);
    StretchDIBits(dc, x, y, kSide, kSide, x, gSurface.height - y - kSide, kSide, kSide,
                  gSurface.bits, gSurface.info, DIB_RGB_COLORS, SRCCOPY);
  }
  ReleaseDC(window, dc);
}

LRESULT CALLBACK ReferenceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      PutFrame(window);
      SetWindowLongPtrA(window, GWLP_USERDATA, ++gTicks);
      return 0;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool MakeSurface(int width, int height) {
  const size_t infoSize = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
  gSurface.info = static_cast<BITMAPINFO*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, infoSize));
  if (gSurface.info == nullptr) return false;
  BITMAPINFOHEADER& h = gSurface.info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 8;
  for (int i = 0; i < 256; ++i) {
    gSurface.info->bmiColors[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
  }
  HDC screen = GetDC(nullptr);
  HBITMAP section = CreateDIBSection(screen, gSurface.info, DIB_RGB_COLORS, &gSurface.bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (section == nullptr) return false;
  const int stride = (width + 3) & ~3;
  auto* pixels = static_cast<uint8_t*>(gSurface.bits);
  for (int row = 0; row < height; ++row) std::memset(pixels + row * stride, row & 0xFF, stride);
  gSurface.width = width;
  gSurface.height = height;
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (!MakeSurface(width, height)) return 1;

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ReferenceProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "PutReferenceClass";
  if (RegisterClassA(&windowClass) == 0) return 1;
  HWND window = CreateWindowExA(WS_EX_TOPMOST, "PutReferenceClass", "Put Reference",
                                WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                                instance, nullptr);
  if (window == nullptr) return 1;
  SetTimer(window, 1, 50, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
