// The Wayland compositor the program shows on: its outputs, one full-screen
// surface on each drawn through shared-memory buffers, the input that ends the
// show, and the compositor's idle notification.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shell/input_watch.h"
#include "shell/monitors.h"
#include "sprites/pixel_convert.h"
#include "sprites/sprite_scene.h"

struct WaylandOutput;
struct WaylandSeat;
struct PendingRect;
struct xdg_wm_base;
struct zxdg_output_manager_v1;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;
struct wp_viewporter;
struct wp_fractional_scale_manager_v1;

// Why the show ended or paused, as the compositor's events told it.
enum class WaylandEnd {
  None,
  Input,      // a key, a click, the wheel or a pointer move beyond the threshold
  InputTaken, // the keyboard went to another surface (a locker) and did not come back
  Failed,     // the connection broke or a buffer could not be made: `error` says why
};

struct WaylandScreen {
  WaylandScreen();
  ~WaylandScreen();  // frees nothing of the compositor's: CloseWaylandScreen does
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  xdg_wm_base* wmBase = nullptr;
  zxdg_output_manager_v1* outputManager = nullptr;
  ext_idle_notifier_v1* idleNotifier = nullptr;
  org_kde_kwin_idle* kdeIdle = nullptr;
  wp_viewporter* viewporter = nullptr;                      // with the next: fractional scales
  wp_fractional_scale_manager_v1* fractionalScale = nullptr;
  std::vector<std::unique_ptr<WaylandOutput>> outputs;  // in the compositor's order: the first is main
  std::vector<std::unique_ptr<WaylandSeat>> seats;
  bool started = false;         // the first outputs were read: later ones change the layout
  bool layoutChanged = false;   // an output came, went or changed since ListWaylandMonitors
  bool showing = false;         // surfaces are wanted on every output
  WaylandEnd end = WaylandEnd::None;
  std::string error;
  // Input: where the pointer first moved after the show began, in desktop pixels.
  bool pointerSeen = false;
  ScreenPoint pointer{};
  int32_t keyboardFoci = 0;     // this program's surfaces holding a keyboard's focus
  bool hadKeyboard = false;     // one of them held it since the show began
  int64_t keyboardLostAt = -1;  // when the last focus went (monotonic ns), -1 while held
  // Idle watch: the notification objects and what they last said.
  std::vector<ext_idle_notification_v1*> idleNotifications;
  std::vector<org_kde_kwin_idle_timeout*> kdeTimeouts;
  bool idle = false;
  bool resumed = false;         // "resumed" came since the last TakeWaylandResumed
  // Drawing.
  std::vector<PicturePlace> pictures;  // in the desktop's logical pixels
  PixelTable pixels{};
  std::vector<PatternPixels> patterns;  // per picture, for composing straight into the buffers
  bool presented = false;       // a frame was presented since SetWaylandPictures
  DibImage canvas;              // where a frame's rectangles are composed
  std::vector<uint32_t> scratch;  // a converted piece that reaches past its output's edge
  std::vector<PendingRect> drawing;  // what a commit draws, kept to draw without allocating
};

// Binds the compositor's globals on `display` (which the screen then owns) and
// reads its outputs. False with a one-line reason in `error` when it lacks
// wl_compositor, wl_shm or xdg_wm_base, or the connection fails.
bool OpenWaylandScreen(WaylandScreen& screen, wl_display* display, std::string& error);

// The outputs' logical rectangles in the compositor's order (the first is
// main), from xdg-output where offered, for pictures whose pixels are each
// `pictureScale` logical pixels across; clears layoutChanged. An output at a
// fractional scale draws each picture pixel as a whole number of its buffer's
// pixels: its rectangle is then as large as the whole picture pixels that fit.
std::vector<ScreenRect> ListWaylandMonitors(WaylandScreen& screen, int32_t pictureScale);

// Starts (or keeps up) the show: a full-screen surface on each output that has
// none, the pointer hidden over them. Input counts from here on.
void ShowWaylandScreen(WaylandScreen& screen);

// Ends the show: every surface and buffer destroyed; the outputs stay known.
void HideWaylandScreen(WaylandScreen& screen);

// Takes the animations' pictures to show, after a (re)start, each where it lies
// in the desktop's logical pixels, each back-buffer pixel `scale` of them across:
// the pixel table from the first scene's colour table, and every output painted
// anew at its next commit (black where no picture lies, each picture's
// background, its sprites once a frame was presented). False when the colour
// table is missing.
bool SetWaylandPictures(WaylandScreen& screen, std::vector<PicturePlace> pictures);

// The sink the desktop presents into (PresentDesktop), its origin the desktop's
// (0, 0): each rectangle is noted for every output it lies on, and drawn there,
// composed from the sprites as they stand then and enlarged, when the output
// next commits; the back buffers are not touched.
DesktopSink MakeWaylandSink(WaylandScreen& screen);

// Draws and commits what changed on each output whose compositor asked for a
// frame and that has a free buffer; the others do when their callback or
// buffer comes.
void CommitWaylandFrames(WaylandScreen& screen);

// Sends the requests, waits up to `timeoutMs` (-1: for ever) for the
// compositor, `signalFd` or `otherFd` (-1: none; the caller reads it), and
// handles what came. Returns the signal read from
// `signalFd`, or 0.
int PumpWayland(WaylandScreen& screen, int timeoutMs, int signalFd, int otherFd = -1);

// Watches the seats for `seconds` of idleness (ext_idle_notify, else KDE's
// idle protocol). False when the compositor offers neither or has no seat.
bool WatchWaylandIdle(WaylandScreen& screen, int32_t seconds);

// True once after each "resumed" of the idle watch.
bool TakeWaylandResumed(WaylandScreen& screen);

// Frees everything and disconnects.
void CloseWaylandScreen(WaylandScreen& screen);
