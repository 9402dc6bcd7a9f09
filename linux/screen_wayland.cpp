// The Wayland compositor the program shows on: outputs, surfaces, buffers, input, idleness.
#include "linux/screen_wayland.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/input-event-codes.h>

#include "animation/animation.h"
#include "ext-idle-notify-v1-client-protocol.h"
#include "fractional-scale-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include "linux/clock.h"
#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

// A rectangle of an output's buffer, in buffer pixels.
struct BufferRect {
  int32_t left, top, right, bottom;
};

// A rectangle of a picture's back buffer (inside it) to be drawn on an output.
struct PendingRect {
  PicturePlace picture;
  SceneRect rect;
};

// More changed rectangles than this are taken as the whole buffer: far more
// than the frames a buffer can miss bring (64 molecules give about 130 a frame).
constexpr size_t kMaxListedRects = 4096;

// Where a buffer is behind the one committed last: the pictures' rectangles
// presented since it was, or all of it.
struct ChangeList {
  std::vector<PendingRect> rects;
  bool whole = false;

  void Add(const PendingRect& r) {
    if (whole) return;
    if (rects.size() >= kMaxListedRects) {
      whole = true;
      rects.clear();
    } else {
      rects.push_back(r);
    }
  }
  void Clear() {
    rects.clear();
    whole = false;
  }
};

struct ShmBuffer {
  wl_buffer* buffer = nullptr;
  uint32_t* data = nullptr;
  size_t bytes = 0;
  bool busy = false;   // the compositor may still read it
  ChangeList stale;    // where it is behind the buffer committed last
};

struct WaylandOutput {
  WaylandScreen* screen = nullptr;
  uint32_t name = 0;       // the registry's
  wl_output* output = nullptr;
  uint32_t version = 0;
  zxdg_output_v1* xdgOutput = nullptr;
  int32_t scale = 1;       // buffer pixels per logical pixel
  ScreenRect logical{};    // in the desktop's logical pixels
  ScreenRect geometry{};   // wl_output's own idea, when there is no xdg-output
  uint32_t preferredScale = 0;  // in 120ths, as the compositor last preferred for its surface; 0 before
  bool outputDone = false;
  bool xdgDone = false;
  // The show on this output.
  wl_surface* surface = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  wp_viewport* viewport = nullptr;             // at a fractional scale: the buffer shown at the logical size
  wp_fractional_scale_v1* fractional = nullptr;
  bool configured = false;
  wl_callback* frame = nullptr;  // the frame callback asked for with the last commit
  int32_t width = 0;             // buffer pixels
  int32_t height = 0;
  int32_t surfaceScale = 1;      // the scale the surface was made for
  ShmBuffer buffers[2];
  ShmBuffer* current = nullptr;  // the buffer committed last: what the output shows
  // Drawn at the next commit, composed from the scenes as they are then.
  std::vector<PendingRect> pending;  // presented since the last commit: its damage
  bool repaint = false;              // the whole output, instead of `pending`

  bool Ready() const { return outputDone && (screen->outputManager == nullptr || xdgDone); }
};

struct WaylandSeat {
  WaylandScreen* screen = nullptr;
  uint32_t name = 0;
  wl_seat* seat = nullptr;
  wl_pointer* pointer = nullptr;
  wl_keyboard* keyboard = nullptr;
  wl_surface* over = nullptr;  // the surface the pointer entered last
};

WaylandScreen::WaylandScreen() = default;
WaylandScreen::~WaylandScreen() = default;

namespace {

constexpr int32_t kMaxOutputScale = 4;

void Fail(WaylandScreen& screen, const std::string& reason) {
  if (screen.end != WaylandEnd::Failed) screen.error = reason;
  screen.end = WaylandEnd::Failed;
}

void EndByInput(WaylandScreen& screen) {
  if (screen.showing && screen.end == WaylandEnd::None) screen.end = WaylandEnd::Input;
}

WaylandOutput* FindOutput(WaylandScreen& screen, wl_surface* surface) {
  for (auto& o : screen.outputs) {
    if (o->surface != nullptr && o->surface == surface) return o.get();
  }
  return nullptr;
}

// ---- buffers

void FreeBuffer(ShmBuffer& b) {
  if (b.buffer != nullptr) wl_buffer_destroy(b.buffer);
  if (b.data != nullptr) munmap(b.data, b.bytes);
  b = ShmBuffer{};
}

void NoteBufferReleased(void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->busy = false; }
const wl_buffer_listener kBufferListener = {NoteBufferReleased};

// An XRGB8888 buffer of the output's size in a memory file shared with the compositor.
bool MakeBuffer(WaylandScreen& screen, WaylandOutput& o, ShmBuffer& b) {
  const size_t stride = static_cast<size_t>(o.width) * 4;
  b.bytes = stride * static_cast<size_t>(o.height);
  const int fd = memfd_create("brisel-buffer", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(b.bytes)) != 0) {
    const std::string reason = std::strerror(errno);
    if (fd >= 0) close(fd);
    Fail(screen, "cannot make a " + std::to_string(o.width) + " x " + std::to_string(o.height) +
                     " buffer: " + reason);
    return false;
  }
  void* memory = mmap(nullptr, b.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    const std::string reason = std::strerror(errno);
    close(fd);
    Fail(screen, "cannot map a " + std::to_string(o.width) + " x " + std::to_string(o.height) +
                     " buffer: " + reason);
    b.data = nullptr;
    return false;
  }
  b.data = static_cast<uint32_t*>(memory);
  wl_shm_pool* pool = wl_shm_create_pool(screen.shm, fd, static_cast<int32_t>(b.bytes));
  b.buffer = wl_shm_pool_create_buffer(pool, 0, o.width, o.height, static_cast<int32_t>(stride),
                                       WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_buffer_add_listener(b.buffer, &kBufferListener, &b);
  b.stale.whole = true;
  return true;
}

// ---- scale: buffer and drawing sizes

// Where the compositor offers both, every surface takes the scale the
// compositor prefers for it, in 120ths, through a viewport of the output's
// logical size; else a whole buffer scale, wl_output's.
bool UsesViewport(const WaylandScreen& screen) {
  return screen.viewporter != nullptr && screen.fractionalScale != nullptr;
}

uint32_t ScaleIn120ths(const WaylandOutput& o) {
  return o.preferredScale != 0 ? o.preferredScale : static_cast<uint32_t>(o.scale) * 120;
}

// The output's buffer size for its logical size: at a fractional scale
// rounded half away from zero, as the protocol asks of a toplevel.
void MeasureBuffer(const WaylandOutput& o, int32_t& width, int32_t& height) {
  const int32_t w = o.logical.right - o.logical.left, h = o.logical.bottom - o.logical.top;
  if (!UsesViewport(*o.screen)) {
    width = w * o.scale;
    height = h * o.scale;
    return;
  }
  const int64_t scale = ScaleIn120ths(o);
  width = static_cast<int32_t>((w * scale + 60) / 120);
  height = static_cast<int32_t>((h * scale + 60) / 120);
}

// Buffer pixels across one pixel of a picture whose pixels are `n` logical
// pixels: n times the output's scale, at a fractional one the nearest whole
// number (halves up, as the DPI rule rounds), so that pixels stay crisp squares.
int32_t DrawScale(const WaylandOutput& o, int32_t n) {
  if (!UsesViewport(*o.screen)) return n * o.scale;
  return std::max<int32_t>(1, static_cast<int32_t>((n * ScaleIn120ths(o) + 60) / 120));
}

// The output's rectangle in the desktop the animations are planned on: its
// logical one; at a fractional scale, from its top-left corner, the whole
// picture pixels its buffer holds (the buffer's rest stays black).
ScreenRect OutputArea(const WaylandOutput& o, int32_t n) {
  if (!UsesViewport(*o.screen)) return o.logical;
  int32_t width = 0, height = 0;
  MeasureBuffer(o, width, height);
  const int32_t m = DrawScale(o, n);
  return {o.logical.left, o.logical.top, o.logical.left + width / m * n, o.logical.top + height / m * n};
}

int32_t DivideDown(int32_t a, int32_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int32_t DivideUp(int32_t a, int32_t b) { return -DivideDown(-a, b); }

// Where back-buffer rectangle `from` of a picture lands on an output.
struct Placement {
  SceneRect from;  // the part of the rectangle that shows on the output
  int32_t bx, by;  // the buffer pixel its top-left pixel's block starts at
  int32_t m;       // buffer pixels a back-buffer pixel is across
  BufferRect to;   // the buffer pixels covered, clipped to the buffer
  bool Whole() const {
    return to.left == bx && to.top == by && to.right - bx == from.width * m &&
           to.bottom - by == from.height * m;
  }
};

// False when no pixel of `piece` (inside the back buffer) shows on the output.
bool PlaceOnOutput(const WaylandOutput& o, const PicturePlace& picture, SceneRect piece,
                   Placement& p) {
  const int32_t n = picture.scale;
  const int32_t m = DrawScale(o, n);
  const ScreenRect area = OutputArea(o, n);
  // The piece's back-buffer pixels that show on this output.
  const int32_t x0 = std::max(piece.left, DivideDown(o.logical.left - picture.left, n));
  const int32_t x1 = std::min(piece.left + piece.width, DivideUp(area.right - picture.left, n));
  const int32_t y0 = std::max(piece.top, DivideDown(o.logical.top - picture.top, n));
  const int32_t y1 = std::min(piece.top + piece.height, DivideUp(area.bottom - picture.top, n));
  if (x1 <= x0 || y1 <= y0) return false;
  // Where the first pixel's block lands in the buffer, then clipped to it.
  const int32_t bx = (picture.left - o.logical.left + x0 * n) * m / n;
  const int32_t by = (picture.top - o.logical.top + y0 * n) * m / n;
  p = {{x0, y0, x1 - x0, y1 - y0},
       bx,
       by,
       m,
       {std::max(bx, 0), std::max(by, 0), std::min(bx + (x1 - x0) * m, o.width),
        std::min(by + (y1 - y0) * m, o.height)}};
  return p.to.right > p.to.left && p.to.bottom > p.to.top;
}

// Joins rectangles of one picture that overlap into the box around both where
// that box holds no more pixels than the two: a buffer brought up to date and
// given the new frame at once then draws where a molecule was and is once.
void JoinOverlapping(std::vector<PendingRect>& rects) {
  std::sort(rects.begin(), rects.end(),
            [](const PendingRect& a, const PendingRect& b) { return a.rect.left < b.rect.left; });
  const auto area = [](const SceneRect& r) { return int64_t{r.width} * r.height; };
  // Rectangles further left than this are not looked at (a molecule's is about 70 wide).
  constexpr int32_t kReach = 256;
  size_t kept = 0;
  for (const PendingRect& r : rects) {
    bool joined = false;
    // The kept ones stay ordered by their left edges: a join keeps the left one's.
    for (size_t k = kept; k-- > 0 && rects[k].rect.left + kReach >= r.rect.left;) {
      SceneRect& a = rects[k].rect;
      if (rects[k].picture.scene != r.picture.scene || a.left + a.width < r.rect.left) continue;
      const int32_t left = a.left, top = std::min(a.top, r.rect.top);
      const SceneRect box{left, top, std::max(a.left + a.width, r.rect.left + r.rect.width) - left,
                          std::max(a.top + a.height, r.rect.top + r.rect.height) - top};
      if (area(box) <= area(a) + area(r.rect)) {
        a = box;
        joined = true;
        break;
      }
    }
    if (!joined) rects[kept++] = r;
  }
  rects.resize(kept);
}

void DrawPictureRect(WaylandScreen& screen, WaylandOutput& o, ShmBuffer& target, const PicturePlace& picture,
                     SceneRect rect, bool composed);

// Draws what changed since the last commit into a free buffer and commits it,
// if the compositor asked for a frame. The sprites are composed as they stand
// now, so rectangles of frames that waited for a buffer show the latest one.
void CommitOutput(WaylandScreen& screen, WaylandOutput& o) {
  if (!o.configured || o.frame != nullptr || (o.pending.empty() && !o.repaint)) return;
  // The buffer shown last when the compositor gave it back (compositors that
  // copy a buffer at once do so before the next frame): it is up to date, and
  // only this frame is drawn into it. Else the other (sway reads the buffer
  // shown until the next commit), which is also drawn where it is behind.
  ShmBuffer* b = nullptr;
  for (ShmBuffer& candidate : o.buffers) {
    if (candidate.buffer == nullptr && !MakeBuffer(screen, o, candidate)) return;
    if (!candidate.busy && (b == nullptr || &candidate == o.current)) b = &candidate;
  }
  if (b == nullptr) return;  // both still read: its release brings the commit
  if (o.current == nullptr) o.repaint = true;
  wl_surface_attach(o.surface, b->buffer, 0, 0);
  if (o.repaint) {
    std::fill(b->data, b->data + b->bytes / 4, screen.pixels[0]);
    for (ShmBuffer& other : o.buffers) other.stale.whole = &other != b;
    for (const PicturePlace& picture : screen.pictures) {
      // Before the first frame the sprites are not shown yet: the background.
      DrawPictureRect(screen, o, *b, picture, {0, 0, picture.scene->backBuffer.width, picture.scene->backBuffer.height},
                      screen.presented);
    }
    wl_surface_damage_buffer(o.surface, 0, 0, o.width, o.height);
  } else {
    // Composed, not copied from the buffer shown: where it is behind mostly
    // overlaps where the molecules are now, and is drawn with it once.
    std::vector<PendingRect>& draw = screen.drawing;
    draw.assign(o.pending.begin(), o.pending.end());
    if (b != o.current && b->stale.whole) {
      std::memcpy(b->data, o.current->data, b->bytes);
    } else if (b != o.current) {
      draw.insert(draw.end(), b->stale.rects.begin(), b->stale.rects.end());
    }
    JoinOverlapping(draw);
    for (const PendingRect& p : draw) DrawPictureRect(screen, o, *b, p.picture, p.rect, true);
    // Only what changed since the last commit is damage; the other buffer is
    // behind there.
    for (const PendingRect& p : o.pending) {
      Placement place;
      if (PlaceOnOutput(o, p.picture, p.rect, place)) {
        wl_surface_damage_buffer(o.surface, place.to.left, place.to.top,
                                 place.to.right - place.to.left, place.to.bottom - place.to.top);
      }
      for (ShmBuffer& other : o.buffers) {
        if (&other != b) other.stale.Add(p);
      }
    }
  }
  b->stale.Clear();
  o.pending.clear();
  o.repaint = false;
  o.current = b;
  static const wl_callback_listener kFrameListener = {[](void* data, wl_callback* callback, uint32_t) {
    auto& output = *static_cast<WaylandOutput*>(data);
    wl_callback_destroy(callback);
    output.frame = nullptr;
    CommitOutput(*output.screen, output);
  }};
  o.frame = wl_surface_frame(o.surface);
  wl_callback_add_listener(o.frame, &kFrameListener, &o);
  wl_surface_commit(o.surface);
  b->busy = true;
}

// More rectangles waiting than this (an output whose compositor asks for no
// frames, say) are dropped for a whole repaint.
constexpr size_t kMaxPendingRects = 4096;

void NoteRepaint(WaylandOutput& o) {
  o.repaint = true;
  o.pending.clear();
}

// ---- fractional scale: the compositor's answers

// A new preferred scale: buffers of the new size, and (as layoutChanged) the
// animations started over on it.
void NotePreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
  auto& o = *static_cast<WaylandOutput*>(data);
  // Below 1 the buffer would be coarser than the logical pixels: kept at 1.
  scale = std::clamp<uint32_t>(scale, 120, kMaxOutputScale * 120);
  if (scale == o.preferredScale) return;
  o.preferredScale = scale;
  int32_t width = 0, height = 0;
  MeasureBuffer(o, width, height);
  if (width == o.width && height == o.height) return;
  for (ShmBuffer& b : o.buffers) FreeBuffer(b);
  o.current = nullptr;
  o.width = width;
  o.height = height;
  NoteRepaint(o);
  o.screen->layoutChanged = true;
}
const wp_fractional_scale_v1_listener kFractionalListener = {NotePreferredScale};

void AddViewport(WaylandScreen& screen, WaylandOutput& o) {
  o.viewport = wp_viewporter_get_viewport(screen.viewporter, o.surface);
  wp_viewport_set_destination(o.viewport, o.logical.right - o.logical.left, o.logical.bottom - o.logical.top);
  o.fractional = wp_fractional_scale_manager_v1_get_fractional_scale(screen.fractionalScale, o.surface);
  wp_fractional_scale_v1_add_listener(o.fractional, &kFractionalListener, &o);
}

void DropViewport(WaylandOutput& o) {
  if (o.fractional != nullptr) wp_fractional_scale_v1_destroy(o.fractional);
  if (o.viewport != nullptr) wp_viewport_destroy(o.viewport);
  o.fractional = nullptr;
  o.viewport = nullptr;
}

// ---- drawing

// Draws `piece` of `source` (a back buffer, or the canvas with the piece at its
// top-left when `canvasLeft`/`canvasTop` say where it lies in the back buffer)
// into `target`, where it lies on the output.
void DrawPiece(WaylandScreen& screen, WaylandOutput& o, ShmBuffer& target, const PicturePlace& picture,
               const DibImage& source, SceneRect piece, int32_t canvasLeft, int32_t canvasTop) {
  Placement p;
  if (!PlaceOnOutput(o, picture, piece, p)) return;
  const SceneRect from{p.from.left - canvasLeft, p.from.top - canvasTop, p.from.width,
                       p.from.height};
  if (p.Whole()) {
    // Wholly on the output: converted straight into the buffer.
    ConvertBackBufferRect(source, from, screen.pixels,
                          target.data + static_cast<size_t>(p.by) * o.width + p.bx, o.width, p.m);
    return;
  }
  const size_t rowPixels = static_cast<size_t>(p.from.width) * p.m;
  if (screen.scratch.size() < rowPixels * p.from.height * p.m)
    screen.scratch.resize(rowPixels * p.from.height * p.m);
  ConvertBackBufferRect(source, from, screen.pixels, screen.scratch.data(),
                        static_cast<int32_t>(rowPixels), p.m);
  for (int32_t y = p.to.top; y < p.to.bottom; ++y) {
    std::memcpy(
        target.data + static_cast<size_t>(y) * o.width + p.to.left,
        screen.scratch.data() + static_cast<size_t>(y - p.by) * rowPixels + (p.to.left - p.bx),
        sizeof(uint32_t) * (p.to.right - p.to.left));
  }
}

// Draws `rect` of a picture into `target`, with the sprites composed over the
// background or the back buffer as it is (the background alone). One to one
// and wholly on the output, composed straight into the buffer's pixels; else
// in pieces the size of the canvas, converted and enlarged.
void DrawPictureRect(WaylandScreen& screen, WaylandOutput& o, ShmBuffer& target, const PicturePlace& picture,
                     SceneRect rect, bool composed) {
  const SceneRect r = ClipRectToImage(rect, picture.scene->backBuffer);
  Placement p;
  if (composed && PlaceOnOutput(o, picture, r, p) && p.m == 1 && p.Whole()) {
    for (size_t k = 0; k < screen.pictures.size() && k < screen.patterns.size(); ++k) {
      if (screen.pictures[k].scene != picture.scene) continue;
      ComposeSceneRectPixels(*picture.scene, screen.patterns[k], p.from,
                             target.data + static_cast<size_t>(p.by) * o.width + p.bx, o.width);
      return;
    }
  }
  const int32_t pieceWidth = screen.canvas.width, pieceRows = screen.canvas.height;
  for (int32_t left = r.left; left < r.left + r.width; left += pieceWidth) {
    const int32_t width = std::min(pieceWidth, r.left + r.width - left);
    for (int32_t top = r.top; top < r.top + r.height; top += pieceRows) {
      const SceneRect piece{left, top, width, std::min(pieceRows, r.top + r.height - top)};
      if (composed) {
        ComposeSceneRect(*picture.scene, piece, screen.canvas);
        DrawPiece(screen, o, target, picture, screen.canvas, piece, left, top);
      } else {
        DrawPiece(screen, o, target, picture, picture.scene->backBuffer, piece, 0, 0);
      }
    }
  }
}

// Notes `rect` of the picture being presented on every output it lies on.
void PutFrameRect(void* context, const PicturePlace& picture, SceneRect rect) {
  auto& screen = *static_cast<WaylandScreen*>(context);
  screen.presented = true;
  rect = ClipRectToImage(rect, picture.scene->backBuffer);
  if (rect.width <= 0 || rect.height <= 0) return;
  const int32_t n = picture.scale;
  const ScreenRect area{picture.left + rect.left * n, picture.top + rect.top * n,
                        picture.left + (rect.left + rect.width) * n, picture.top + (rect.top + rect.height) * n};
  for (auto& o : screen.outputs) {
    const ScreenRect on = OutputArea(*o, n);
    if (o->surface == nullptr || o->repaint || area.right <= on.left || area.left >= on.right ||
        area.bottom <= on.top || area.top >= on.bottom) {
      continue;
    }
    if (o->pending.size() >= kMaxPendingRects) {
      NoteRepaint(*o);
    } else {
      o->pending.push_back({picture, rect});
    }
  }
}

// ---- surfaces

void DestroySurface(WaylandOutput& o) {
  if (o.frame != nullptr) wl_callback_destroy(o.frame);
  o.frame = nullptr;
  for (ShmBuffer& b : o.buffers) FreeBuffer(b);
  DropViewport(o);
  if (o.toplevel != nullptr) xdg_toplevel_destroy(o.toplevel);
  if (o.xdgSurface != nullptr) xdg_surface_destroy(o.xdgSurface);
  if (o.surface != nullptr) wl_surface_destroy(o.surface);
  o.toplevel = nullptr;
  o.xdgSurface = nullptr;
  o.surface = nullptr;
  o.configured = false;
  o.current = nullptr;
  o.pending.clear();
  o.repaint = false;
}

void ConfigureSurface(void* data, xdg_surface* surface, uint32_t serial) {
  auto& o = *static_cast<WaylandOutput*>(data);
  xdg_surface_ack_configure(surface, serial);
  if (!o.configured) {
    o.configured = true;
    NoteRepaint(o);
    CommitOutput(*o.screen, o);
  }
}
const xdg_surface_listener kXdgSurfaceListener = {ConfigureSurface};

void ConfigureToplevel(void*, xdg_toplevel*, int32_t, int32_t, wl_array*) {}
void CloseToplevel(void* data, xdg_toplevel*) { EndByInput(*static_cast<WaylandOutput*>(data)->screen); }
const xdg_toplevel_listener kToplevelListener = {ConfigureToplevel, CloseToplevel, nullptr, nullptr};  // bound at version 1

void CreateSurface(WaylandScreen& screen, WaylandOutput& o) {
  o.surfaceScale = o.scale;
  MeasureBuffer(o, o.width, o.height);
  if (o.width <= 0 || o.height <= 0) return;
  o.surface = wl_compositor_create_surface(screen.compositor);
  if (UsesViewport(screen)) {
    AddViewport(screen, o);
  } else {
    wl_surface_set_buffer_scale(o.surface, o.scale);
  }
  o.xdgSurface = xdg_wm_base_get_xdg_surface(screen.wmBase, o.surface);
  xdg_surface_add_listener(o.xdgSurface, &kXdgSurfaceListener, &o);
  o.toplevel = xdg_surface_get_toplevel(o.xdgSurface);
  xdg_toplevel_add_listener(o.toplevel, &kToplevelListener, &o);
  xdg_toplevel_set_title(o.toplevel, "Brisel");
  xdg_toplevel_set_app_id(o.toplevel, "brisel");
  xdg_toplevel_set_fullscreen(o.toplevel, o.output);
  wl_surface_commit(o.surface);  // no buffer yet: asks for the first configure
}

// ---- outputs

void OutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*,
                    const char*, int32_t) {
  auto& o = *static_cast<WaylandOutput*>(data);
  o.geometry.right += x - o.geometry.left;
  o.geometry.bottom += y - o.geometry.top;
  o.geometry.left = x;
  o.geometry.top = y;
}
void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  auto& o = *static_cast<WaylandOutput*>(data);
  if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
    o.geometry.right = o.geometry.left + width;
    o.geometry.bottom = o.geometry.top + height;
  }
}
void OutputDone(void* data, wl_output*) {
  auto& o = *static_cast<WaylandOutput*>(data);
  o.outputDone = true;
  if (o.screen->started) o.screen->layoutChanged = true;
}
void OutputScale(void* data, wl_output*, int32_t factor) {
  static_cast<WaylandOutput*>(data)->scale = std::clamp(factor, 1, kMaxOutputScale);
}
const wl_output_listener kOutputListener = {OutputGeometry, OutputMode, OutputDone, OutputScale, nullptr,
                                            nullptr};  // bound at version 3 at most

void XdgPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
  auto& o = *static_cast<WaylandOutput*>(data);
  o.logical.right += x - o.logical.left;
  o.logical.bottom += y - o.logical.top;
  o.logical.left = x;
  o.logical.top = y;
}
void XdgSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
  auto& o = *static_cast<WaylandOutput*>(data);
  o.logical.right = o.logical.left + width;
  o.logical.bottom = o.logical.top + height;
}
void XdgDone(void* data, zxdg_output_v1*) {
  auto& o = *static_cast<WaylandOutput*>(data);
  o.xdgDone = true;
  if (o.screen->started) o.screen->layoutChanged = true;
}
void XdgName(void*, zxdg_output_v1*, const char*) {}
void XdgDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutputListener = {XdgPosition, XdgSize, XdgDone, XdgName, XdgDescription};

void WatchOutput(WaylandScreen& screen, WaylandOutput& o) {
  if (screen.outputManager != nullptr && o.xdgOutput == nullptr) {
    o.xdgOutput = zxdg_output_manager_v1_get_xdg_output(screen.outputManager, o.output);
    zxdg_output_v1_add_listener(o.xdgOutput, &kXdgOutputListener, &o);
  }
}

void DropOutput(WaylandOutput& o) {
  DestroySurface(o);
  if (o.xdgOutput != nullptr) zxdg_output_v1_destroy(o.xdgOutput);
  if (o.output != nullptr) {
    if (o.version >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
      wl_output_release(o.output);
    } else {
      wl_output_destroy(o.output);
    }
  }
  o.xdgOutput = nullptr;
  o.output = nullptr;
}

// ---- input

void PointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t, wl_fixed_t) {
  // The pointer is hidden over every surface of the show.
  auto& seat = *static_cast<WaylandSeat*>(data);
  seat.over = surface;
  if (FindOutput(*seat.screen, surface) != nullptr) wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
}
void PointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) { static_cast<WaylandSeat*>(data)->over = nullptr; }
void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  // Surface coordinates, made desktop ones by the place of the output entered.
  auto& seat = *static_cast<WaylandSeat*>(data);
  WaylandScreen& screen = *seat.screen;
  const WaylandOutput* output = FindOutput(screen, seat.over);
  if (!screen.showing || output == nullptr) return;
  const ScreenPoint at{output->logical.left + wl_fixed_to_int(x), output->logical.top + wl_fixed_to_int(y)};
  // The first move is the start: the surfaces appearing under the pointer, or
  // its place on entering, is no move of the user's.
  if (!screen.pointerSeen) {
    screen.pointerSeen = true;
    screen.pointer = at;
  } else if (MovedBeyondThreshold(screen.pointer, at)) {
    EndByInput(screen);
  }
}
void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_POINTER_BUTTON_STATE_PRESSED) EndByInput(*static_cast<WaylandSeat*>(data)->screen);
}
void PointerAxis(void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {
  EndByInput(*static_cast<WaylandSeat*>(data)->screen);
}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener kPointerListener = {PointerEnter, PointerLeave,      PointerMotion,   PointerButton,
                                              PointerAxis,  PointerFrame,      PointerAxisSource, PointerAxisStop,
                                              PointerAxisDiscrete, nullptr};  // seats bound at version 5 at most

void KeyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void KeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
  WaylandScreen& screen = *static_cast<WaylandSeat*>(data)->screen;
  if (FindOutput(screen, surface) == nullptr) return;
  ++screen.keyboardFoci;
  screen.hadKeyboard = true;
  screen.keyboardLostAt = -1;
}
void KeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface* surface) {
  WaylandScreen& screen = *static_cast<WaylandSeat*>(data)->screen;
  if (FindOutput(screen, surface) == nullptr || screen.keyboardFoci == 0) return;
  if (--screen.keyboardFoci == 0) screen.keyboardLostAt = ReadMonotonicNanoseconds();
}
void KeyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_KEYBOARD_KEY_STATE_PRESSED) EndByInput(*static_cast<WaylandSeat*>(data)->screen);
}
void KeyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {KeyboardKeymap, KeyboardEnter, KeyboardLeave,
                                                KeyboardKey,    KeyboardModifiers, KeyboardRepeat};

void SeatCapabilities(void* data, wl_seat* wlSeat, uint32_t capabilities) {
  auto& seat = *static_cast<WaylandSeat*>(data);
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (pointer && seat.pointer == nullptr) {
    seat.pointer = wl_seat_get_pointer(wlSeat);
    wl_pointer_add_listener(seat.pointer, &kPointerListener, &seat);
  } else if (!pointer && seat.pointer != nullptr) {
    wl_pointer_destroy(seat.pointer);
    seat.pointer = nullptr;
  }
  if (keyboard && seat.keyboard == nullptr) {
    seat.keyboard = wl_seat_get_keyboard(wlSeat);
    wl_keyboard_add_listener(seat.keyboard, &kKeyboardListener, &seat);
  } else if (!keyboard && seat.keyboard != nullptr) {
    wl_keyboard_destroy(seat.keyboard);
    seat.keyboard = nullptr;
  }
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {SeatCapabilities, SeatName};

void DropSeat(WaylandSeat& seat) {
  if (seat.pointer != nullptr) wl_pointer_destroy(seat.pointer);
  if (seat.keyboard != nullptr) wl_keyboard_destroy(seat.keyboard);
  if (seat.seat != nullptr) wl_seat_destroy(seat.seat);
  seat = WaylandSeat{};
}

// ---- idleness

void NoteIdled(WaylandScreen& screen) { screen.idle = true; }
void NoteResumed(WaylandScreen& screen) {
  screen.idle = false;
  screen.resumed = true;
}
const ext_idle_notification_v1_listener kIdleListener = {
    [](void* data, ext_idle_notification_v1*) { NoteIdled(*static_cast<WaylandScreen*>(data)); },
    [](void* data, ext_idle_notification_v1*) { NoteResumed(*static_cast<WaylandScreen*>(data)); }};
const org_kde_kwin_idle_timeout_listener kKdeIdleListener = {
    [](void* data, org_kde_kwin_idle_timeout*) { NoteIdled(*static_cast<WaylandScreen*>(data)); },
    [](void* data, org_kde_kwin_idle_timeout*) { NoteResumed(*static_cast<WaylandScreen*>(data)); }};

// ---- registry

void WmPing(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener kWmBaseListener = {WmPing};

void AddGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto& screen = *static_cast<WaylandScreen*>(data);
  const auto bind = [&](const wl_interface* wanted, uint32_t most) {
    return wl_registry_bind(registry, name, wanted, std::min(version, most));
  };
  if (std::strcmp(interface, wl_compositor_interface.name) == 0 && version >= 4) {
    screen.compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    screen.shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
  } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
    screen.wmBase = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(screen.wmBase, &kWmBaseListener, nullptr);
  } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 && version >= 2) {
    screen.outputManager = static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 2));
    for (auto& o : screen.outputs) WatchOutput(screen, *o);
  } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
    screen.viewporter = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
  } else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0) {
    screen.fractionalScale =
        static_cast<wp_fractional_scale_manager_v1*>(bind(&wp_fractional_scale_manager_v1_interface, 1));
  } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
    screen.idleNotifier = static_cast<ext_idle_notifier_v1*>(bind(&ext_idle_notifier_v1_interface, 1));
  } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
    screen.kdeIdle = static_cast<org_kde_kwin_idle*>(bind(&org_kde_kwin_idle_interface, 1));
  } else if (std::strcmp(interface, wl_seat_interface.name) == 0) {
    auto seat = std::make_unique<WaylandSeat>();
    seat->screen = &screen;
    seat->name = name;
    seat->seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
    wl_seat_add_listener(seat->seat, &kSeatListener, seat.get());
    screen.seats.push_back(std::move(seat));
  } else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 2) {
    auto o = std::make_unique<WaylandOutput>();
    o->screen = &screen;
    o->name = name;
    o->version = std::min(version, 3u);
    o->output = static_cast<wl_output*>(bind(&wl_output_interface, 3));
    wl_output_add_listener(o->output, &kOutputListener, o.get());
    WatchOutput(screen, *o);
    screen.outputs.push_back(std::move(o));
  }
}

void RemoveGlobal(void* data, wl_registry*, uint32_t name) {
  auto& screen = *static_cast<WaylandScreen*>(data);
  for (auto it = screen.outputs.begin(); it != screen.outputs.end(); ++it) {
    if ((*it)->name == name) {
      DropOutput(**it);
      screen.outputs.erase(it);
      screen.layoutChanged = true;
      return;
    }
  }
  for (auto it = screen.seats.begin(); it != screen.seats.end(); ++it) {
    if ((*it)->name == name) {
      DropSeat(**it);
      screen.seats.erase(it);
      return;
    }
  }
}
const wl_registry_listener kRegistryListener = {AddGlobal, RemoveGlobal};

std::string DescribeConnectionError(wl_display* display) {
  const int code = wl_display_get_error(display);
  if (code == EPROTO) {
    const wl_interface* interface = nullptr;
    uint32_t id = 0;
    const uint32_t protocolCode = wl_display_get_protocol_error(display, &interface, &id);
    return "the compositor ended the connection: protocol error " + std::to_string(protocolCode) + " on " +
           (interface != nullptr ? interface->name : "an object");
  }
  return std::string("the connection to the compositor broke: ") + std::strerror(code != 0 ? code : EPIPE);
}

}  // namespace

bool OpenWaylandScreen(WaylandScreen& screen, wl_display* display, std::string& error) {
  screen.display = display;
  screen.registry = wl_display_get_registry(display);
  wl_registry_add_listener(screen.registry, &kRegistryListener, &screen);
  // The globals, then the outputs' and seats' first events (xdg-output's after
  // them, as they are asked for in the second).
  for (int i = 0; i < 3; ++i) {
    if (wl_display_roundtrip(display) < 0) {
      error = DescribeConnectionError(display);
      return false;
    }
  }
  const char* missing = screen.compositor == nullptr ? "wl_compositor (version 4)"
                        : screen.shm == nullptr      ? "wl_shm"
                        : screen.wmBase == nullptr   ? "xdg_wm_base"
                                                     : nullptr;
  if (missing != nullptr) {
    error = std::string("the Wayland compositor offers no ") + missing + "; brisel cannot show on it";
    return false;
  }
  if (CreateBlank(screen.canvas, kSpriteSide + 8, kSpriteSide + 8) == nullptr) {
    error = "out of memory";
    return false;
  }
  screen.started = true;
  return true;
}

std::vector<ScreenRect> ListWaylandMonitors(WaylandScreen& screen, int32_t pictureScale) {
  screen.layoutChanged = false;
  std::vector<ScreenRect> monitors;
  for (auto& o : screen.outputs) {
    if (!o->Ready()) continue;
    // Without xdg-output the mode's size divided by the scale, at wl_output's place.
    if (screen.outputManager == nullptr) {
      o->logical = {o->geometry.left, o->geometry.top,
                    o->geometry.left + (o->geometry.right - o->geometry.left) / o->scale,
                    o->geometry.top + (o->geometry.bottom - o->geometry.top) / o->scale};
    }
    monitors.push_back(OutputArea(*o, pictureScale));
  }
  return monitors;
}

void ShowWaylandScreen(WaylandScreen& screen) {
  if (!screen.showing) {
    screen.pointerSeen = false;
    screen.hadKeyboard = false;
    screen.keyboardLostAt = -1;
    screen.end = WaylandEnd::None;
  }
  screen.showing = true;
  for (auto& o : screen.outputs) {
    // An output whose size or scale changed gets a surface and buffers anew.
    int32_t width = 0, height = 0;
    MeasureBuffer(*o, width, height);
    if (o->surface != nullptr && (o->surfaceScale != o->scale ||
                                  o->width != width || o->height != height)) {
      DestroySurface(*o);
    }
    if (o->Ready() && o->surface == nullptr) {
      CreateSurface(screen, *o);
    } else if (o->toplevel != nullptr) {
      // After an output came or went the compositor may have moved a desktop
      // onto this one (sway shows an unplugged output's workspace on another):
      // full screen is asked for again, on the output's own workspace shown.
      xdg_toplevel_set_fullscreen(o->toplevel, o->output);
    }
  }
}

void HideWaylandScreen(WaylandScreen& screen) {
  for (auto& o : screen.outputs) DestroySurface(*o);
  screen.showing = false;
  screen.keyboardFoci = 0;
  screen.pictures.clear();
  wl_display_flush(screen.display);
}

bool SetWaylandPictures(WaylandScreen& screen, std::vector<PicturePlace> pictures) {
  screen.pictures = std::move(pictures);
  screen.presented = false;
  if (screen.pictures.empty()) return true;
  const DibImage& backBuffer = screen.pictures.front().scene->backBuffer;
  if (backBuffer.header == nullptr) return false;
  // XRGB8888 as a 32-bit value: red in bits 16-23, green 8-15, blue 0-7.
  PixelLayout layout;
  layout.redMask = 0xFF0000;
  layout.greenMask = 0xFF00;
  layout.blueMask = 0xFF;
  const uint8_t* colourTable = backBuffer.header + LoadInfoHeader(backBuffer.header).biSize;
  if (!BuildPixelTable(colourTable, layout, false, screen.pixels)) return false;
  screen.patterns.resize(screen.pictures.size());
  for (size_t k = 0; k < screen.pictures.size(); ++k) {
    MakePatternPixels(*screen.pictures[k].scene, screen.pixels, screen.patterns[k]);
  }
  // Outputs whose surfaces were made before the table are repainted here too.
  for (auto& o : screen.outputs) NoteRepaint(*o);
  return true;
}

DesktopSink MakeWaylandSink(WaylandScreen& screen) {
  DesktopSink sink;
  sink.context = &screen;
  sink.composes = true;
  sink.put = PutFrameRect;
  return sink;
}

void CommitWaylandFrames(WaylandScreen& screen) {
  for (auto& o : screen.outputs) CommitOutput(screen, *o);
}

int PumpWayland(WaylandScreen& screen, int timeoutMs, int signalFd, int otherFd) {
  wl_display* display = screen.display;
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) break;
  }
  if (wl_display_flush(display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display);
    Fail(screen, DescribeConnectionError(display));
    return 0;
  }
  pollfd waits[3] = {{wl_display_get_fd(display), POLLIN, 0}, {signalFd, POLLIN, 0}, {otherFd, POLLIN, 0}};
  const int ready = poll(waits, 3, timeoutMs);
  if (ready > 0 && (waits[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
    if (wl_display_read_events(display) < 0) {
      Fail(screen, DescribeConnectionError(display));
      return 0;
    }
  } else {
    wl_display_cancel_read(display);
  }
  if (wl_display_dispatch_pending(display) < 0) {
    Fail(screen, DescribeConnectionError(display));
    return 0;
  }
  if (ready > 0 && waits[1].revents != 0) {
    char signal = 0;
    if (read(signalFd, &signal, 1) == 1) return signal;
  }
  return 0;
}

bool WatchWaylandIdle(WaylandScreen& screen, int32_t seconds) {
  if ((screen.idleNotifier == nullptr && screen.kdeIdle == nullptr) || screen.seats.empty()) return false;
  const uint32_t milliseconds = static_cast<uint32_t>(seconds) * 1000;
  for (auto& seat : screen.seats) {
    if (screen.idleNotifier != nullptr) {
      // The variant that honours the desktop's inhibitors (a video playing).
      auto* n = ext_idle_notifier_v1_get_idle_notification(screen.idleNotifier, milliseconds, seat->seat);
      ext_idle_notification_v1_add_listener(n, &kIdleListener, &screen);
      screen.idleNotifications.push_back(n);
    } else {
      auto* t = org_kde_kwin_idle_get_idle_timeout(screen.kdeIdle, seat->seat, milliseconds);
      org_kde_kwin_idle_timeout_add_listener(t, &kKdeIdleListener, &screen);
      screen.kdeTimeouts.push_back(t);
    }
  }
  return true;
}

bool TakeWaylandResumed(WaylandScreen& screen) {
  const bool resumed = screen.resumed;
  screen.resumed = false;
  return resumed;
}

void CloseWaylandScreen(WaylandScreen& screen) {
  if (screen.display == nullptr) return;
  HideWaylandScreen(screen);
  for (auto* n : screen.idleNotifications) ext_idle_notification_v1_destroy(n);
  for (auto* t : screen.kdeTimeouts) org_kde_kwin_idle_timeout_release(t);
  for (auto& o : screen.outputs) DropOutput(*o);
  for (auto& s : screen.seats) DropSeat(*s);
  screen.outputs.clear();
  screen.seats.clear();
  if (screen.idleNotifier != nullptr) ext_idle_notifier_v1_destroy(screen.idleNotifier);
  if (screen.kdeIdle != nullptr) org_kde_kwin_idle_destroy(screen.kdeIdle);
  if (screen.fractionalScale != nullptr) wp_fractional_scale_manager_v1_destroy(screen.fractionalScale);
  if (screen.viewporter != nullptr) wp_viewporter_destroy(screen.viewporter);
  if (screen.outputManager != nullptr) zxdg_output_manager_v1_destroy(screen.outputManager);
  if (screen.wmBase != nullptr) xdg_wm_base_destroy(screen.wmBase);
  if (screen.shm != nullptr) wl_shm_destroy(screen.shm);
  if (screen.compositor != nullptr) wl_compositor_destroy(screen.compositor);
  if (screen.registry != nullptr) wl_registry_destroy(screen.registry);
  wl_display_flush(screen.display);
  wl_display_disconnect(screen.display);
  screen.display = nullptr;
}
