// put-reference-wayland: the least a frame of brisel can cost on a Wayland
// compositor. One full-screen surface on the first output; every 50 ms the same
// animation as brisel -wayland -count 64 (the same seed gives the same
// molecules) steps, and the rectangles its frame presents are damaged on one of
// two shared-memory buffers, which is attached and committed when the
// compositor asked for a frame, as brisel commits. Nothing else: the buffers
// were filled once; no sprite is composed, no pixel converted or copied.
// With -write, each damaged rectangle's pixels are written first (one value a
// frame): the floor of any client that draws what it puts.
//   put-reference-wayland [-seed S] [-write]      (ends on SIGTERM)
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "animation/animation.h"
#include "linux/clock.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

constexpr int32_t kMolecules = 64;
constexpr int64_t kTickNanoseconds = 50'000'000;

struct Client {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  xdg_wm_base* wmBase = nullptr;
  wl_output* output = nullptr;
  int32_t width = 0, height = 0;  // the output's mode
  wl_surface* surface = nullptr;
  bool configured = false;
  wl_callback* frame = nullptr;
  wl_buffer* buffers[2] = {};
  bool busy[2] = {};
  std::vector<SceneRect> damage;
  uint32_t* pixels = nullptr;  // both buffers, one after the other
  bool write = false;
  uint32_t value = 0;
};

void AddGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto& c = *static_cast<Client*>(data);
  if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
    c.compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    c.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
    c.wmBase = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
  } else if (std::strcmp(interface, wl_output_interface.name) == 0 && c.output == nullptr) {
    c.output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
  }
}
void RemoveGlobal(void*, wl_registry*, uint32_t) {}

void Commit(Client& c);

void FrameDone(void* data, wl_callback* callback, uint32_t) {
  auto& c = *static_cast<Client*>(data);
  wl_callback_destroy(callback);
  c.frame = nullptr;
  Commit(c);
}
const wl_callback_listener kFrameListener = {FrameDone};

// Attaches a free buffer with the rectangles gathered since the last commit.
void Commit(Client& c) {
  if (!c.configured || c.frame != nullptr || c.damage.empty()) return;
  const int k = !c.busy[0] ? 0 : !c.busy[1] ? 1 : -1;
  if (k < 0) return;
  ++c.value;
  for (const SceneRect& r : c.damage) {
    for (int32_t y = r.top; c.write && y < r.top + r.height; ++y) {
      std::fill_n(c.pixels + (static_cast<size_t>(k) * c.height + y) * c.width + r.left, r.width, c.value);
    }
  }
  wl_surface_attach(c.surface, c.buffers[k], 0, 0);
  for (const SceneRect& r : c.damage) wl_surface_damage_buffer(c.surface, r.left, r.top, r.width, r.height);
  c.damage.clear();
  c.frame = wl_surface_frame(c.surface);
  wl_callback_add_listener(c.frame, &kFrameListener, &c);
  wl_surface_commit(c.surface);
  c.busy[k] = true;
}

void PutRect(void* context, const DibImage& backBuffer, SceneRect rect) {
  const SceneRect r = ClipRectToImage(rect, backBuffer);
  if (r.width > 0 && r.height > 0) static_cast<Client*>(context)->damage.push_back(r);
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t seed = static_cast<uint32_t>(std::time(nullptr));
  bool write = false, good = true;
  for (int i = 1; i < argc && good; ++i) {
    if (std::strcmp(argv[i], "-write") == 0) {
      write = true;
    } else if (std::strcmp(argv[i], "-seed") == 0 && i + 1 < argc) {
      seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      good = false;
    }
  }
  if (!good) {
    std::fputs("usage: put-reference-wayland [-seed S] [-write]\n", stderr);
    return 2;
  }
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return std::fputs("put-reference-wayland: no compositor\n", stderr), 1;
  Client c;
  c.write = write;
  static const wl_registry_listener registryListener = {AddGlobal, RemoveGlobal};
  wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &c);
  wl_display_roundtrip(display);
  if (c.compositor == nullptr || c.shm == nullptr || c.wmBase == nullptr || c.output == nullptr) return 1;
  static const wl_output_listener outputListener = {
      [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t) {},
      [](void* data, wl_output*, uint32_t flags, int32_t w, int32_t h, int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) static_cast<Client*>(data)->width = w, static_cast<Client*>(data)->height = h;
      },
      [](void*, wl_output*) {}, [](void*, wl_output*, int32_t) {}, nullptr, nullptr};
  wl_output_add_listener(c.output, &outputListener, &c);
  static const xdg_wm_base_listener wmListener = {[](void*, xdg_wm_base* b, uint32_t s) { xdg_wm_base_pong(b, s); }};
  xdg_wm_base_add_listener(c.wmBase, &wmListener, nullptr);
  wl_display_roundtrip(display);

  // Two buffers of the output's size in one memory file, filled once.
  const size_t bytes = static_cast<size_t>(c.width) * c.height * 4;
  const int fd = memfd_create("put-reference", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(2 * bytes)) != 0) return 1;
  auto* pixels = static_cast<uint32_t*>(mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  for (size_t i = 0; i < 2 * bytes / 4; ++i) pixels[i] = static_cast<uint32_t>(i * 0x010203);
  c.pixels = pixels;
  wl_shm_pool* pool = wl_shm_create_pool(c.shm, fd, static_cast<int32_t>(2 * bytes));
  static const wl_buffer_listener bufferListener = {[](void* data, wl_buffer*) { *static_cast<bool*>(data) = false; }};
  for (int k = 0; k < 2; ++k) {
    c.buffers[k] = wl_shm_pool_create_buffer(pool, static_cast<int32_t>(k * bytes), c.width, c.height, c.width * 4,
                                             WL_SHM_FORMAT_XRGB8888);
    wl_buffer_add_listener(c.buffers[k], &bufferListener, &c.busy[k]);
  }
  c.surface = wl_compositor_create_surface(c.compositor);
  xdg_surface* xdgSurface = xdg_wm_base_get_xdg_surface(c.wmBase, c.surface);
  static const xdg_surface_listener surfaceListener = {[](void* data, xdg_surface* s, uint32_t serial) {
    auto& client = *static_cast<Client*>(data);
    xdg_surface_ack_configure(s, serial);
    if (!client.configured) client.damage.push_back({0, 0, client.width, client.height});
    client.configured = true;
    Commit(client);
  }};
  xdg_surface_add_listener(xdgSurface, &surfaceListener, &c);
  xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdgSurface);
  xdg_toplevel_set_fullscreen(toplevel, c.output);
  wl_surface_commit(c.surface);

  // The animation as brisel sets it up on the output, without its sheet: the
  // molecules and the rectangles do not depend on the pictures.
  AnimationState state;
  SpriteScene scene;
  state.width = c.width;
  state.height = c.height;
  state.settings = {0, kMolecules, 2};
  SeedRandom(state.random, seed);
  SetUpAnimation(state, scene, ScenePlatform{});
  const PresentSink sink{&c, nullptr, PutRect, nullptr};

  int64_t deadline = ReadMonotonicNanoseconds() + kTickNanoseconds;
  for (;;) {
    while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
    wl_display_flush(display);
    const int64_t left = deadline - ReadMonotonicNanoseconds();
    pollfd wait{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&wait, 1, left <= 0 ? 0 : static_cast<int>((left + 999'999) / 1'000'000)) > 0) {
      if (wl_display_read_events(display) < 0) return 1;
    } else {
      wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0) return 1;
    if (ReadMonotonicNanoseconds() >= deadline) {
      StepAnimation(state, scene, nullptr, nullptr);
      PresentScene(scene, sink);
      Commit(c);
      deadline += kTickNanoseconds;
    }
  }
}
