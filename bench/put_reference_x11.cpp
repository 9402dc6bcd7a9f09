// put-reference-x11: the least a frame of brisel can cost on an X server. Every
// 50 ms the same animation as brisel -root -count 64 (the same seed gives the
// same molecules) steps, and the rectangles its frame presents are put on the
// root window through MIT-SHM in the same pieces, from the same ring of image
// rows with the same round trip when it is full, as brisel puts them. Nothing
// else: the image was filled once, no sprite is composed and no pixel converted.
// With -write, each piece's pixels are written before it is put (one value a
// frame, stored row by row as brisel's conversion stores them): the least a
// client that puts new pixels every frame can cost.
//   put-reference-x11 [-scale N] [-seed S] [-write]      (ends on SIGTERM)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "animation/animation.h"
#include "linux/clock.h"
#include "linux/window_x11.h"
#include "sprites/present_scale.h"

namespace {

constexpr int32_t kMolecules = 64;
constexpr int64_t kTickNanoseconds = 50'000'000;

struct Putter {
  Display* display = nullptr;
  Window root = 0;
  GC gc = nullptr;
  XImage* image = nullptr;
  int32_t scale = 1;
  int32_t nextRow = 0;
  bool write = false;
  uint32_t value = 0;  // what -write writes this frame
};

// brisel's pieces of `rect` (at most kScratchWidth x kCanvasRows back-buffer
// pixels each, stacked in the ring), put without their pixels being written.
void PutPieces(void* context, const DibImage& backBuffer, SceneRect rect) {
  auto& p = *static_cast<Putter*>(context);
  const SceneRect r = ClipRectToImage(rect, backBuffer);
  const int32_t n = p.scale;
  for (int32_t left = r.left; left < r.left + r.width; left += kScratchWidth) {
    const int32_t width = std::min(kScratchWidth, r.left + r.width - left);
    for (int32_t top = r.top; top < r.top + r.height;) {
      if (kScratchRows - p.nextRow < n) {
        XSync(p.display, False);
        p.nextRow = 0;
      }
      const int32_t height = std::min({r.top + r.height - top, (kScratchRows - p.nextRow) / n, kCanvasRows});
      for (int32_t y = 0; p.write && y < height * n; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(p.image->data + static_cast<size_t>(p.nextRow + y) *
                                                                    p.image->bytes_per_line);
        std::fill(row, row + width * n, p.value);
      }
      XShmPutImage(p.display, p.root, p.gc, p.image, 0, p.nextRow, left * n, top * n, width * n, height * n, False);
      p.nextRow += height * n;
      top += height;
    }
  }
}

void Flush(void* context) { XFlush(static_cast<Putter*>(context)->display); }

}  // namespace

int main(int argc, char** argv) {
  int32_t scale = 1;
  uint32_t seed = static_cast<uint32_t>(std::time(nullptr));
  bool write = false, good = true;
  for (int i = 1; good && i < argc; ++i) {
    if (std::strcmp(argv[i], "-write") == 0) {
      write = true;
    } else if (i + 1 < argc && std::strcmp(argv[i], "-scale") == 0) {
      scale = std::atoi(argv[++i]);
    } else if (i + 1 < argc && std::strcmp(argv[i], "-seed") == 0) {
      seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      good = false;
    }
  }
  if (!good || scale < kMinPresentScale || scale > kMaxPresentScale) {
    std::fputs("usage: put-reference-x11 [-scale 1..4] [-seed S] [-write]\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr || !XShmQueryExtension(display)) {
    std::fputs("put-reference-x11: no X display with MIT-SHM\n", stderr);
    return 1;
  }
  const int screen = DefaultScreen(display);
  Putter putter{display, RootWindow(display, screen), nullptr, nullptr, scale, 0, write};
  XShmSegmentInfo shm{};
  putter.image = XShmCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap,
                                 nullptr, &shm, kScratchWidth * scale, kScratchRows);
  if (putter.image == nullptr) return 1;
  XImage* image = putter.image;
  shm.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * image->height, IPC_CREAT | 0600);
  shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
  if (shm.shmid < 0 || image->data == reinterpret_cast<char*>(-1) || !XShmAttach(display, &shm)) return 1;
  XSync(display, False);
  shmctl(shm.shmid, IPC_RMID, nullptr);
  for (int y = 0; y < image->height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image->data + static_cast<size_t>(y) * image->bytes_per_line);
    for (int x = 0; x < image->width; ++x) row[x] = static_cast<uint32_t>(x * 0x010203 + y * 0x030201);
  }
  putter.gc = XCreateGC(display, putter.root, 0, nullptr);

  // The animation as brisel sets it up on the root window, without its sheet:
  // the molecules and the rectangles do not depend on the pictures.
  AnimationState state;
  SpriteScene scene;
  state.width = AnimationSide(DisplayWidth(display, screen), scale);
  state.height = AnimationSide(DisplayHeight(display, screen), scale);
  state.settings = {0, kMolecules, 2};
  SeedRandom(state.random, seed);
  SetUpAnimation(state, scene, ScenePlatform{});
  const PresentSink sink{&putter, nullptr, PutPieces, Flush};

  int64_t deadline = ReadMonotonicNanoseconds() + kTickNanoseconds;
  for (;;) {
    for (int64_t left = deadline - ReadMonotonicNanoseconds(); left > 0; left = deadline - ReadMonotonicNanoseconds()) {
      poll(nullptr, 0, static_cast<int>((left + 999'999) / 1'000'000));
    }
    putter.value += 0x010101;
    StepAnimation(state, scene, nullptr, nullptr);
    PresentScene(scene, sink);
    deadline += kTickNanoseconds;
  }
}
