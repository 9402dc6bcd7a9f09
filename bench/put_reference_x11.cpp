// put-reference-x11: the least a frame of brisel can cost on an X server. Every
// 50 ms, 64 rectangles of 68 x 68 pixels (68 * scale on a side at -scale N) at
// moving places of the root window, put through MIT-SHM from one image that was
// filled once, and nothing else: no animation, no conversion, no round trip.
//   put-reference-x11 [-scale N]      (ends on SIGTERM)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int kRects = 64;
constexpr int kSide = 68;  // a sprite's side and its move in one tick
constexpr int64_t kTickNanoseconds = 50'000'000;

int64_t ReadClockNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
  const int scale = argc == 3 && std::strcmp(argv[1], "-scale") == 0 ? std::atoi(argv[2]) : 1;
  if (scale < 1 || scale > 4 || (argc != 1 && argc != 3)) {
    std::fputs("usage: put-reference-x11 [-scale 1..4]\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr || !XShmQueryExtension(display)) {
    std::fputs("put-reference-x11: no X display with MIT-SHM\n", stderr);
    return 1;
  }
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
  const int side = kSide * scale;
  // The rectangles lie one below the other, as brisel's converted pieces do.
  XShmSegmentInfo shm{};
  XImage* image = XShmCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap,
                                  nullptr, &shm, side, side * kRects);
  if (image == nullptr) return 1;
  shm.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * image->height, IPC_CREAT | 0600);
  shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
  if (shm.shmid < 0 || image->data == reinterpret_cast<char*>(-1) || !XShmAttach(display, &shm)) return 1;
  XSync(display, False);
  shmctl(shm.shmid, IPC_RMID, nullptr);
  for (int y = 0; y < image->height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image->data + static_cast<size_t>(y) * image->bytes_per_line);
    for (int x = 0; x < side; ++x) row[x] = static_cast<uint32_t>(x * 0x010203 + y * 0x030201);
  }
  const GC gc = XCreateGC(display, root, 0, nullptr);
  int64_t deadline = ReadClockNanoseconds() + kTickNanoseconds;
  for (int64_t tick = 0;; ++tick) {
    for (int64_t left = deadline - ReadClockNanoseconds(); left > 0; left = deadline - ReadClockNanoseconds()) {
      poll(nullptr, 0, static_cast<int>((left + 999'999) / 1'000'000));
    }
    for (int i = 0; i < kRects; ++i) {
      const int x = static_cast<int>((i * 233 + tick * 3) % (width - side));
      const int y = static_cast<int>((i * 151 + tick * 2) % (height - side));
      XShmPutImage(display, root, gc, image, 0, i * side, x, y, side, side, False);
    }
    XFlush(display);
    deadline += kTickNanoseconds;
  }
}
