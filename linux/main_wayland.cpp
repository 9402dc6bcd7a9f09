// The 50 ms loop over the portable animation on a Wayland compositor, drawing
// through screen_wayland and sounding through sounds_sdl.
#include "linux/main_wayland.h"

#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "animation/desktop.h"
#include "linux/clock.h"
#include "linux/idle_gnome.h"
#include "linux/screen_wayland.h"
#include "linux/sounds_sdl.h"
#include "resources/embedded_assets.h"

namespace {

constexpr int64_t kTickNanoseconds = 50'000'000;  // the animation's 50 ms timer
// The keyboard gone from every surface of the show this long (not merely moving
// between them) means another program took the input: a locker.
constexpr int64_t kInputTakenNanoseconds = 300'000'000;

// The animations on the outputs' layout. Everything the loop asks of the
// desktop goes through the three functions below.
struct Run {
  Desktop desktop;
  int64_t ticks = 0;
};

// Null with the reason in `error` when an output is larger than a back buffer
// may be or memory runs out.
// Logical pixels across one of the animation's pixels: -scale N; the
// compositor's scale enlarges every output already.
int32_t PictureScale(const ProgramOptions& options) { return options.scale == kAutoScale ? 1 : options.scale; }

std::unique_ptr<Run> StartRun(const ProgramOptions& options, const std::vector<ScreenRect>& monitors,
                              std::string& error) {
  auto run = std::make_unique<Run>();
  PlanDesktop(run->desktop, options.monitors, monitors);
  for (auto& view : run->desktop.views) view->scale = PictureScale(options);
  ScenePlatform platform;
  platform.bitmaps.findBuiltIn = FindEmbeddedSheet;
  SetUpDesktop(run->desktop, {options.sound ? 1 : 0, options.moleculeCount, options.soundFrequency},
               options.haveSeed ? options.seed : static_cast<uint32_t>(std::time(nullptr)), &platform);
  for (auto& view : run->desktop.views) {
    if (view->scene.backBuffer.bits != nullptr) continue;
    const ScreenRect& a = view->area;
    error = DibFitsLimits(view->state->width, view->state->height)
                ? "out of memory"
                : "an output is " + std::to_string(a.right - a.left) + " x " + std::to_string(a.bottom - a.top) +
                      " pixels; brisel draws at most " + std::to_string(kMaxDibSide) + " pixels a side and " +
                      std::to_string(kMaxDibPixelBytes) + " pixels in all; nothing is drawn";
    return nullptr;
  }
  return run;
}

std::vector<PicturePlace> ListPictures(Run& run) {
  std::vector<PicturePlace> pictures;
  for (auto& view : run.desktop.views) {
    pictures.push_back({&view->scene, view->area.left, view->area.top, view->scale});
  }
  return pictures;
}

void StepRun(Run& run, const DesktopSink& sink, SoundPlayer* sounds) {
  StepDesktop(run.desktop, sounds != nullptr ? PlaySoundSdl : nullptr, sounds);
  PresentDesktop(run.desktop, sink);
  ++run.ticks;
}

int MillisecondsUntil(int64_t when) {
  if (when == INT64_MAX) return -1;
  const int64_t left = when - ReadMonotonicNanoseconds();
  return left <= 0 ? 0 : static_cast<int>(std::min<int64_t>((left + 999'999) / 1'000'000, INT_MAX));
}

}  // namespace

wl_display* ConnectWayland(bool anyway, std::string& error) {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if ((name == nullptr || *name == '\0') && !anyway) {
    error = "no Wayland compositor: WAYLAND_DISPLAY is not set";
    return nullptr;
  }
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    error = "cannot reach a Wayland compositor at " +
            QuoteForMessage(name != nullptr && *name != '\0' ? name : "wayland-0") +
            " (WAYLAND_DISPLAY, in XDG_RUNTIME_DIR)";
  }
  return display;
}

int RunWaylandProgram(const ProgramOptions& options, wl_display* display, int signalFd, int& endSignal) {
  WaylandScreen screen;
  std::string error;
  if (!OpenWaylandScreen(screen, display, error)) {
    std::fprintf(stderr, "brisel: %s\n", error.c_str());
    CloseWaylandScreen(screen);
    return 1;
  }
  const bool waitForIdle = options.idleSeconds >= 0;
  // GNOME has no Wayland idle notification: Mutter's idle monitor on D-Bus.
  GnomeIdleWatch gnome;
  if (waitForIdle && !WatchWaylandIdle(screen, options.idleSeconds)) {
    if (!StartGnomeIdleWatch(gnome, options.idleSeconds, error)) {
      std::fprintf(stderr,
                   "brisel: -idle: the Wayland compositor offers no idle notification (ext_idle_notifier_v1 or "
                   "org_kde_kwin_idle) for a seat, nor GNOME's idle watch on the session D-Bus "
                   "(org.gnome.Mutter.IdleMonitor: %s); start brisel -fullscreen from the desktop's own idle tool "
                   "instead\n",
                   error.c_str());
      StopGnomeIdleWatch(gnome);
      CloseWaylandScreen(screen);
      return 2;
    }
  }
  SoundPlayer sounds;
  if (options.sound &&
      !OpenSounds(sounds, kBounceSoundFile, kBounceSoundFileSize, kAmbientSoundFile, kAmbientSoundFileSize, error)) {
    std::fprintf(stderr, "brisel: no sound: %s; the molecules move silently\n", error.c_str());
  }
  const DesktopSink sink = MakeWaylandSink(screen);
  std::unique_ptr<Run> run;
  int status = 0;
  int64_t deadline = INT64_MAX;
  if (!waitForIdle) ShowWaylandScreen(screen);
  for (;;) {
    if (screen.end == WaylandEnd::Failed) {
      std::fprintf(stderr, "brisel: %s\n", screen.error.c_str());
      status = 1;
      break;
    }
    // Before every wait: libdbus may hold messages read while a call waited.
    if (gnome.bus != nullptr && !PumpGnomeIdle(gnome, screen.idle, screen.resumed, error)) {
      std::fprintf(stderr, "brisel: %s\n", error.c_str());
      status = 1;
      break;
    }
    const int64_t now = ReadMonotonicNanoseconds();
    if (screen.showing && screen.hadKeyboard && screen.keyboardLostAt >= 0 &&
        now - screen.keyboardLostAt >= kInputTakenNanoseconds && screen.end == WaylandEnd::None) {
      screen.end = WaylandEnd::InputTaken;
    }
    if (waitForIdle) {
      // Shown while the desktop is idle; input, "resumed" or a locker hide it
      // until the next idle notification.
      const bool resumed = TakeWaylandResumed(screen);
      if (screen.showing && (resumed || screen.end != WaylandEnd::None)) {
        HideWaylandScreen(screen);
        screen.pictures.clear();
        run.reset();
        screen.idle = false;
      } else if (!screen.showing && screen.idle) {
        ShowWaylandScreen(screen);
      }
    } else if (screen.end != WaylandEnd::None) {
      break;  // input, or a locker took it: a normal end
    }
    if (screen.showing && (run == nullptr || screen.layoutChanged)) {
      const std::vector<ScreenRect> monitors = ListWaylandMonitors(screen, PictureScale(options));
      ShowWaylandScreen(screen);  // outputs that came get their surface
      screen.pictures.clear();    // they name the scenes freed next
      run.reset();
      if (!monitors.empty()) {
        run = StartRun(options, monitors, error);
        if (run == nullptr || !SetWaylandPictures(screen, ListPictures(*run))) {
          std::fprintf(stderr, "brisel: %s\n", run == nullptr ? error.c_str() : "out of memory");
          status = 1;
          break;
        }
        CommitWaylandFrames(screen);
      }
      deadline = ReadMonotonicNanoseconds() + kTickNanoseconds;
    }
    const bool ticking = run != nullptr && (options.ticks < 0 || run->ticks < options.ticks);
    int64_t wake = ticking ? deadline : INT64_MAX;
    if (screen.showing && screen.hadKeyboard && screen.keyboardLostAt >= 0) {
      wake = std::min(wake, screen.keyboardLostAt + kInputTakenNanoseconds);
    }
    if (const int signal = PumpWayland(screen, MillisecondsUntil(wake), signalFd, GnomeIdleFd(gnome));
        signal != 0) {
      endSignal = signal;
      break;
    }
    if (ticking && screen.showing && ReadMonotonicNanoseconds() >= deadline) {
      StepRun(*run, sink, options.sound ? &sounds : nullptr);
      CommitWaylandFrames(screen);
      // A late tick is not made up for, as with a window timer.
      deadline += kTickNanoseconds;
      if (deadline <= ReadMonotonicNanoseconds()) deadline = ReadMonotonicNanoseconds() + kTickNanoseconds;
    }
  }
  if (options.sound) CloseSounds(sounds);
  StopGnomeIdleWatch(gnome);
  screen.pictures.clear();
  run.reset();
  CloseWaylandScreen(screen);
  return status;
}
