// brisel: the molecules as an xscreensaver program. Entry, options and the 50 ms
// loop over the portable animation, drawing through window_x11 and sounding
// through sounds_sdl.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "animation/animation.h"
#include "linux/clock.h"
#include "animation/desktop.h"
#include "linux/main_wayland.h"
#include "linux/sounds_sdl.h"
#include "linux/window_x11.h"
#include "resources/embedded_assets.h"
#include "shell/input_watch.h"
#include "shell/program_options.h"
#include "sprites/present_scale.h"

namespace {

constexpr int64_t kTickNanoseconds = 50'000'000;  // the animation's 50 ms timer

// SIGTERM and SIGINT write their number here; the loop waits on it beside the X
// connection, so a signal ends the wait at once whenever it arrives.
int signalPipe[2] = {-1, -1};

void NoteSignal(int signal) {
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
  errno = saved;
}

bool CatchEndSignals() {
  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

// Full screen waits this long for another client to let go of the input before
// it gives up, asking again every kHeldInputRetryMilliseconds.
constexpr int64_t kHeldInputWaitNanoseconds = 2'000'000'000;
constexpr int kHeldInputRetryMilliseconds = 100;
// Full screen raises itself and takes the focus back at most this often.
constexpr int64_t kRestackNanoseconds = 250'000'000;

// One run of the animation at one window size and place; made again when they change.
struct Run {
  Desktop desktop;
  int64_t ticks = 0;
};

// Null with the reason in `error` when a view is larger than a back buffer
// may be or memory runs out.
std::unique_ptr<Run> StartRun(const ProgramOptions& options, WindowView& view, std::string& error) {
  auto run = std::make_unique<Run>();
  // In full screen, the animations spread over the monitors as -monitors asks;
  // any other window is one monitor of its own size.
  if (view.fullscreen) {
    PlanDesktop(run->desktop, options.monitors, view.monitors);
  } else {
    PlanDesktop(run->desktop, kDefaultMonitorChoice, {{0, 0, view.width, view.height}});
  }
  // One scale on every monitor: the screen's (X has one DPI for the screen).
  for (auto& desktopView : run->desktop.views) desktopView->scale = view.scale;
  ScenePlatform platform;
  platform.bitmaps.findBuiltIn = FindEmbeddedSheet;
  SetUpDesktop(run->desktop, {options.sound ? 1 : 0, options.moleculeCount, options.soundFrequency},
               options.haveSeed ? options.seed : static_cast<uint32_t>(std::time(nullptr)), &platform);
  // Each picture is one monitor's (or the window's): a limit names that one.
  for (auto& desktopView : run->desktop.views) {
    const SpriteScene& scene = desktopView->scene;
    if (scene.backBuffer.bits == nullptr && !DibFitsLimits(scene.width, scene.height)) {
      const ScreenRect& area = desktopView->area;
      error = (view.fullscreen ? "the monitor at " + std::to_string(area.left) + "," + std::to_string(area.top)
                               : std::string("the window")) +
              " is " + std::to_string(area.right - area.left) + " x " + std::to_string(area.bottom - area.top) +
              " pixels; brisel draws at most " + std::to_string(kMaxDibSide) + " pixels a side and " +
              std::to_string(kMaxDibPixelBytes) + " pixels in all; nothing is drawn";
      return nullptr;
    }
    if (scene.backBuffer.bits == nullptr) {
      error = "out of memory";
      return nullptr;
    }
  }
  // The scenes share one colour table, so the first one's pixel table serves all.
  if (!PrepareWindowView(view, run->desktop.views.front()->scene)) {
    error = "out of memory";
    return nullptr;
  }
  RepaintWindowView(view, run->desktop, {0, 0, view.width, view.height}, false);
  return run;
}

// Handles the queued X events. Returns false when the program is to end (input
// or the close request on its own window, a pointer move beyond the saver's
// threshold in full screen, another client grabbing the keyboard or the pointer
// or taking the full-screen selection, or the window's destruction); `resized`
// tells of a new size.
bool HandleEvents(WindowView& view, Run& run, bool& resized) {
  while (XPending(view.display) > 0) {
    XEvent event;
    XNextEvent(view.display, &event);
    switch (event.type) {
      case Expose: {
        const XExposeEvent& e = event.xexpose;
        if (e.window == view.window) {
          RepaintWindowView(view, run.desktop, {e.x, e.y, e.width, e.height}, run.ticks > 0);
        }
        break;
      }
      case DestroyNotify:
        if (event.xdestroywindow.window == view.window) {
          view.gone = true;
          return false;
        }
        break;
      case ConfigureNotify:
        if (event.xconfigure.window == DefaultRootWindow(view.display)) {
          XRRUpdateConfiguration(&event);  // Xlib's idea of the screen's size
          view.monitorsStale = true;
        }
        if (event.xconfigure.window == view.window &&
            (event.xconfigure.width != view.width || event.xconfigure.height != view.height)) {
          view.width = event.xconfigure.width;
          view.height = event.xconfigure.height;
          resized = true;
        }
        // In full screen the views stand where the monitors are: a window
        // manager moving the window moves them.
        if (event.xconfigure.window == view.window && view.fullscreen && ReadWindowPlace(view)) resized = true;
        break;
      case KeyPress:
      case ButtonPress:
        if (view.ownWindow) return false;
        break;
      case EnterNotify:
        // The pointer's place where it enters counts as its start: the window
        // appearing under it, or a window manager moving it, is no move of the
        // user's (and under XWayland the place before was not known).
        if (view.fullscreen) view.pointer = {event.xcrossing.x_root, event.xcrossing.y_root};
        break;
      case LeaveNotify:
        // Another client grabbed the pointer (the pointer is in this window
        // unless something stands above it): a screen locker locking, which
        // this program must not stand in the way of.
        if (view.fullscreen && event.xcrossing.mode == NotifyGrab) return false;
        break;
      case FocusIn:
      case FocusOut:
        // The same for the keyboard: the focus leaves for the grab, or moves
        // while one is held.
        if (!view.fullscreen) break;
        if (event.xfocus.mode == NotifyGrab || event.xfocus.mode == NotifyWhileGrabbed) return false;
        if (event.type == FocusOut && event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior &&
            event.xfocus.detail != NotifyPointer) {
          view.focusWanted = true;  // a new window took it
        }
        break;
      case SelectionClear:
        if (event.xselectionclear.selection == view.selection) return false;  // another full screen took over
        break;
      case SelectionRequest:
        RefuseSelectionRequest(view, event.xselectionrequest);
        break;
      case MotionNotify:
        if (view.fullscreen && MovedBeyondThreshold(view.pointer, {event.xmotion.x_root, event.xmotion.y_root})) {
          return false;
        }
        break;
      case MapNotify:
        if (event.xmap.window == view.window) {
          if (event.xmap.event == view.window) NoteWindowMapped(view);
        } else if (view.fullscreen) {
          view.raiseWanted = true;  // another window, mapped above this one
        }
        break;
      case VisibilityNotify:
        if (view.fullscreen && event.xvisibility.state != VisibilityUnobscured) view.raiseWanted = true;
        break;
      case ClientMessage:
        if (view.ownWindow && static_cast<Atom>(event.xclient.data.l[0]) == view.deleteWindow) return false;
        break;
      default:
        if (view.randrEventBase >= 0 && (event.type == view.randrEventBase + RRScreenChangeNotify ||
                                         event.type == view.randrEventBase + RRNotify)) {
          XRRUpdateConfiguration(&event);  // Xlib's idea of the screen's size
          view.monitorsStale = true;
        }
        break;
    }
  }
  return true;
}

// Full screen shows only once no other client holds the keyboard or the
// pointer: over a locked screen it would stand above the lock or behind it to
// no purpose. A grab that ends soon (a menu closing) is waited for. False with
// the reason in `error` when the input is still held after
// kHeldInputWaitNanoseconds, or with `endSignal` set when a signal came first.
bool AwaitFreeInput(WindowView& view, int& endSignal, std::string& error) {
  const int64_t end = ReadMonotonicNanoseconds() + kHeldInputWaitNanoseconds;
  std::string held;
  while (IsInputHeldElsewhere(view, held)) {
    if (ReadMonotonicNanoseconds() >= end) {
      error = "another program holds the " + held + " (is the screen locked?); full screen does not start over it";
      return false;
    }
    pollfd wait{signalPipe[0], POLLIN, 0};
    if (poll(&wait, 1, kHeldInputRetryMilliseconds) > 0) {
      char signal = 0;
      if (read(signalPipe[0], &signal, 1) == 1) endSignal = signal;
      return false;
    }
  }
  return true;
}

// Returns the exit status; `endSignal` is the signal that ended the run, if any.
int RunProgram(const ProgramOptions& options, int& endSignal) {
  const char* displayName = options.display.empty() ? nullptr : options.display.c_str();
  Display* display = XOpenDisplay(displayName);
  if (display == nullptr) {
    if (*XDisplayName(displayName) == '\0') {
      std::fputs("brisel: no X display: DISPLAY is not set and -display was not given\n", stderr);
    } else {
      std::fprintf(stderr, "brisel: cannot open display %s\n", QuoteForMessage(XDisplayName(displayName)).c_str());
    }
    return 1;
  }
  if (options.synchronous) XSynchronize(display, True);
  WindowView view;
  std::string error;
  if (!OpenWindowView(view, display, options, error)) {
    std::fprintf(stderr, "brisel: %s\n", error.c_str());
    XCloseDisplay(display);
    if (view.otherFullScreen) return 0;  // the screen is covered, as asked
    return view.badVisual ? 2 : 1;       // a -visual it cannot use is a bad command line
  }
  if (view.fullscreen && !AwaitFreeInput(view, endSignal, error)) {
    if (endSignal == 0) std::fprintf(stderr, "brisel: %s\n", error.c_str());
    CloseWindowView(view);
    XCloseDisplay(display);
    return 1;
  }
  ShowWindowView(view);
  SoundPlayer sounds;
  if (options.sound &&
      !OpenSounds(sounds, kBounceSoundFile, kBounceSoundFileSize, kAmbientSoundFile, kAmbientSoundFileSize, error)) {
    std::fprintf(stderr, "brisel: no sound: %s; the molecules move silently\n", error.c_str());
  }

  std::unique_ptr<Run> run = StartRun(options, view, error);
  int64_t deadline = ReadMonotonicNanoseconds() + kTickNanoseconds;
  // Full screen keeps the keys by keeping the focus, and stays above other
  // windows, each at most every kRestackNanoseconds.
  int64_t restackAt = 0;
  // A window destroyed by the one who gave it is a normal end, however the
  // program learns of it: its DestroyNotify or an error about a request for it.
  while (run != nullptr && !view.gone) {
    const bool ticking = options.ticks < 0 || run->ticks < options.ticks;
    const bool restacking = view.raiseWanted || view.focusWanted;
    int timeout = -1;
    const int64_t wake = std::min(ticking ? deadline : INT64_MAX, restacking ? restackAt : INT64_MAX);
    if (wake != INT64_MAX) {
      const int64_t left = wake - ReadMonotonicNanoseconds();
      timeout = left <= 0 ? 0 : static_cast<int>((left + 999'999) / 1'000'000);
    }
    pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
    if (XPending(display) == 0 && poll(waits, 2, timeout) < 0 && errno != EINTR) break;
    if (waits[1].revents != 0) {
      char signal = 0;
      if (read(signalPipe[0], &signal, 1) == 1) endSignal = signal;
      break;
    }
    bool resized = false;
    if (!HandleEvents(view, *run, resized)) break;
    if ((view.raiseWanted || view.focusWanted) && ReadMonotonicNanoseconds() >= restackAt) {
      if (view.raiseWanted) RaiseWindowView(view);
      view.raiseWanted = false;
      if (view.focusWanted) view.focusWanted = !TakeFocus(view);
      restackAt = ReadMonotonicNanoseconds() + kRestackNanoseconds;
    }
    if (view.monitorsStale) {
      view.monitorsStale = false;
      if (FollowMonitors(view)) resized = true;
    }
    if (resized) {
      run = StartRun(options, view, error);
      deadline = ReadMonotonicNanoseconds() + kTickNanoseconds;
      continue;
    }
    if (ticking && ReadMonotonicNanoseconds() >= deadline) {
      // The sink composes the frame's rectangles itself, so the scene only
      // hands them over.
      StepDesktop(run->desktop, options.sound ? PlaySoundSdl : nullptr, &sounds);
      PresentDesktop(run->desktop, MakeWindowSink(view));
      ++run->ticks;
      // A late tick is not made up for, as with a window timer.
      deadline += kTickNanoseconds;
      const int64_t now = ReadMonotonicNanoseconds();
      if (deadline <= now) deadline = now + kTickNanoseconds;
    }
  }
  const int status = run == nullptr && !view.gone ? 1 : 0;
  if (status != 0) std::fprintf(stderr, "brisel: %s\n", error.c_str());
  if (options.sound) CloseSounds(sounds);
  CloseWindowView(view);
  XCloseDisplay(display);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  ProgramOptions options;
  std::string error;
  bool badEnvironment = false;
  OwnWindowPlace place;  // only the syntax is checked here; the screen's size comes later
  if (!ParseProgramOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), options, error, &badEnvironment)) {
    // The usage text helps with a command line, not with the environment.
    std::fprintf(stderr, "brisel: %s\n%s", error.c_str(), badEnvironment ? "" : kProgramUsage);
    return 2;
  }
  if (!options.geometry.empty() && !ReadGeometry(options.geometry, 0, 0, place)) {
    std::fprintf(stderr, "brisel: bad value %s for -geometry (WxH+X+Y: sizes 1 to %d, places %d to %d)\n%s",
                 QuoteForMessage(options.geometry).c_str(), kMaxXWindowSide, kMinXWindowPlace, kMaxXWindowPlace,
                 kProgramUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kProgramUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::puts("brisel " BRISEL_VERSION);
    return 0;
  }
  if (!CatchEndSignals()) {
    std::perror("brisel: signals");
    return 1;
  }
  // Full screen goes to a Wayland compositor that answers; -wayland and -idle
  // need one.
  const bool waylandAsked = options.displaySystem == DisplaySystem::Wayland || options.idleSeconds >= 0;
  wl_display* wayland = nullptr;
  if (ChooseWayland(options, true)) {
    wayland = ConnectWayland(waylandAsked, error);
    if (wayland == nullptr && waylandAsked) {
      std::fprintf(stderr, "brisel: %s\n", error.c_str());
      return 1;
    }
  }
  int endSignal = 0;
  const int status = wayland != nullptr ? RunWaylandProgram(options, wayland, signalPipe[0], endSignal)
                                        : RunProgram(options, endSignal);
  if (endSignal != 0) {
    // Ended by a signal after cleaning up: as a process the signal ended, so
    // whoever started the program sees why it ended.
    signal(endSignal, SIG_DFL);
    raise(endSignal);
  }
  return status;
}
