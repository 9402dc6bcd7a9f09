// A pointer for the tests, made through wlroots' virtual-pointer protocol (not
// packaged in Debian, so its two interfaces are described here): moves and
// clicks as a person's pointer would, for as long as the steps take.
//   virtual-pointer STEP...   abs:X,Y,W,H  move:DX,DY  click  wheel  sleep:MS
#include <wayland-client.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

const wl_interface* kNoTypes[8] = {};
extern const wl_interface kPointerInterface;
const wl_interface* kCreateTypes[] = {&wl_seat_interface, &kPointerInterface};

// The requests in the protocol's order, which gives their opcodes.
enum PointerRequest { kMotion, kMotionAbsolute, kButton, kAxis, kFrame, kAxisSource, kAxisStop, kAxisDiscrete, kDestroy };
const wl_message kPointerRequests[] = {{"motion", "uff", kNoTypes},       {"motion_absolute", "uuuuu", kNoTypes},
                                       {"button", "uuu", kNoTypes},       {"axis", "uuf", kNoTypes},
                                       {"frame", "", kNoTypes},           {"axis_source", "u", kNoTypes},
                                       {"axis_stop", "uu", kNoTypes},     {"axis_discrete", "uufi", kNoTypes},
                                       {"destroy", "", kNoTypes}};
const wl_interface kPointerInterface = {"zwlr_virtual_pointer_v1", 1, 9, kPointerRequests, 0, nullptr};
const wl_message kManagerRequests[] = {{"create_virtual_pointer", "?on", kCreateTypes}, {"destroy", "", kNoTypes}};
const wl_interface kManagerInterface = {"zwlr_virtual_pointer_manager_v1", 1, 2, kManagerRequests, 0, nullptr};

wl_proxy* manager = nullptr;
wl_seat* seat = nullptr;

void AddGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (std::strcmp(interface, kManagerInterface.name) == 0) {
    manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kManagerInterface, 1));
  } else if (std::strcmp(interface, "wl_seat") == 0 && seat == nullptr) {
    seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  }
}
void RemoveGlobal(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {AddGlobal, RemoveGlobal};

uint32_t Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1'000'000);
}

}  // namespace

int main(int argc, char** argv) {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return std::fputs("virtual-pointer: no compositor\n", stderr), 1;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, nullptr);
  wl_display_roundtrip(display);
  if (manager == nullptr) return std::fputs("virtual-pointer: no zwlr_virtual_pointer_manager_v1\n", stderr), 1;
  wl_proxy* pointer = wl_proxy_marshal_constructor(manager, 0, &kPointerInterface, seat, nullptr);
  wl_display_roundtrip(display);
  for (int i = 1; i < argc; ++i) {
    int a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(argv[i], "abs:%d,%d,%d,%d", &a, &b, &c, &d) == 4) {
      wl_proxy_marshal(pointer, kMotionAbsolute, Now(), a, b, c, d);
    } else if (std::sscanf(argv[i], "move:%d,%d", &a, &b) == 2) {
      wl_proxy_marshal(pointer, kMotion, Now(), wl_fixed_from_int(a), wl_fixed_from_int(b));
    } else if (std::strcmp(argv[i], "click") == 0) {
      wl_proxy_marshal(pointer, kButton, Now(), 0x110, WL_POINTER_BUTTON_STATE_PRESSED);  // BTN_LEFT
      wl_proxy_marshal(pointer, kFrame);
      wl_proxy_marshal(pointer, kButton, Now(), 0x110, WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (std::strcmp(argv[i], "wheel") == 0) {
      wl_proxy_marshal(pointer, kAxis, Now(), WL_POINTER_AXIS_VERTICAL_SCROLL, wl_fixed_from_int(10));
    } else if (std::sscanf(argv[i], "sleep:%d", &a) == 1) {
      usleep(static_cast<useconds_t>(a) * 1000);
      continue;
    } else {
      return std::fprintf(stderr, "virtual-pointer: bad step %s\n", argv[i]), 2;
    }
    wl_proxy_marshal(pointer, kFrame);
    wl_display_roundtrip(display);
  }
  wl_proxy_marshal(pointer, kDestroy);
  wl_proxy_destroy(pointer);
  wl_proxy_marshal(manager, 1);  // its destroy request
  wl_proxy_destroy(manager);
  if (seat != nullptr) wl_seat_destroy(seat);
  wl_registry_destroy(registry);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}
