// brisel: the molecules as an xscreensaver program. Entry, options and the 50 ms
// loop over the portable animation, drawing through window_x11 and sounding
// through sounds_sdl.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "animation/animation.h"
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

int64_t ReadClockNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// One run of the animation at one window size; made again when the size changes.
struct Run {
  AnimationState state;
  SpriteScene scene;
  int64_t ticks = 0;
};

// Null with the reason in `error` when the window is larger than a back buffer
// may be or memory runs out.
std::unique_ptr<Run> StartRun(const ProgramOptions& options, WindowView& view, std::string& error) {
  auto run = std::make_unique<Run>();
  // The animation runs on the window's size in back-buffer pixels, each shown
  // as scale x scale screen pixels.
  run->state.width = AnimationSide(view.width, view.scale);
  run->state.height = AnimationSide(view.height, view.scale);
  run->state.settings = {options.sound ? 1 : 0, options.moleculeCount, options.soundFrequency};
  SeedRandom(run->state.random, options.haveSeed ? options.seed : static_cast<uint32_t>(std::time(nullptr)));
  ScenePlatform platform;
  platform.bitmaps.findBuiltIn = FindEmbeddedSheet;
  SetUpAnimation(run->state, run->scene, platform);
  if (run->scene.backBuffer.bits == nullptr && !DibFitsLimits(run->state.width, run->state.height)) {
    error = "the window is " + std::to_string(view.width) + " x " + std::to_string(view.height) +
            " pixels; brisel draws at most " + std::to_string(kMaxDibSide) + " pixels a side and " +
            std::to_string(kMaxDibPixelBytes) + " pixels in all; nothing is drawn";
    return nullptr;
  }
  if (run->scene.backBuffer.bits == nullptr || !PrepareWindowView(view, run->scene)) {
    error = "out of memory";
    return nullptr;
  }
  RepaintWindowView(view, run->scene, {0, 0, view.width, view.height}, false);
  return run;
}

// Handles the queued X events. Returns false when the program is to end (input
// or the close request on its own window, a pointer move beyond the saver's
// threshold in full screen, or the window's destruction); `resized` tells of a
// new size.
bool HandleEvents(WindowView& view, Run& run, bool& resized) {
  while (XPending(view.display) > 0) {
    XEvent event;
    XNextEvent(view.display, &event);
    switch (event.type) {
      case Expose: {
        const XExposeEvent& e = event.xexpose;
        RepaintWindowView(view, run.scene, {e.x, e.y, e.width, e.height}, run.ticks > 0);
        break;
      }
      case DestroyNotify:
        if (event.xdestroywindow.window == view.window) {
          view.gone = true;
          return false;
        }
        break;
      case ConfigureNotify:
        if (event.xconfigure.window == view.window &&
            (event.xconfigure.width != view.width || event.xconfigure.height != view.height)) {
          view.width = event.xconfigure.width;
          view.height = event.xconfigure.height;
          resized = true;
        }
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
      case MotionNotify:
        if (view.fullscreen && MovedBeyondThreshold(view.pointer, {event.xmotion.x_root, event.xmotion.y_root})) {
          return false;
        }
        break;
      case MapNotify:
        if (view.focusOnMap && event.xmap.window == view.window) {
          XSetInputFocus(view.display, view.window, RevertToPointerRoot, CurrentTime);
          view.focusOnMap = false;
        }
        break;
      case ClientMessage:
        if (view.ownWindow && static_cast<Atom>(event.xclient.data.l[0]) == view.deleteWindow) return false;
        break;
      default:
        break;
    }
  }
  return true;
}

// Returns the exit status; `endSignal` is the signal that ended the run, if any.
int RunProgram(const ProgramOptions& options, int& endSignal) {
  if (!CatchEndSignals()) {
    std::perror("brisel: signals");
    return 1;
  }
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
    return view.badVisual ? 2 : 1;  // a -visual it cannot use is a bad command line
  }
  SoundPlayer sounds;
  if (options.sound &&
      !OpenSounds(sounds, kBounceSoundFile, kBounceSoundFileSize, kAmbientSoundFile, kAmbientSoundFileSize, error)) {
    std::fprintf(stderr, "brisel: no sound: %s; the molecules move silently\n", error.c_str());
  }

  std::unique_ptr<Run> run = StartRun(options, view, error);
  const PresentSink sink = MakeWindowSink(view);
  int64_t deadline = ReadClockNanoseconds() + kTickNanoseconds;
  // A window destroyed by the one who gave it is a normal end, however the
  // program learns of it: its DestroyNotify or an error about a request for it.
  while (run != nullptr && !view.gone) {
    const bool ticking = options.ticks < 0 || run->ticks < options.ticks;
    int timeout = -1;
    if (ticking) {
      const int64_t left = deadline - ReadClockNanoseconds();
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
    if (resized) {
      run = StartRun(options, view, error);
      deadline = ReadClockNanoseconds() + kTickNanoseconds;
      continue;
    }
    if (ticking && ReadClockNanoseconds() >= deadline) {
      // The sink composes the frame's rectangles itself, so the scene only
      // hands them over.
      StepAnimation(run->state, run->scene, options.sound ? PlaySoundSdl : nullptr, &sounds);
      PresentScene(run->scene, sink);
      ++run->ticks;
      // A late tick is not made up for, as with a window timer.
      deadline += kTickNanoseconds;
      const int64_t now = ReadClockNanoseconds();
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
  int endSignal = 0;
  const int status = RunProgram(options, endSignal);
  if (endSignal != 0) {
    // Ended by a signal after cleaning up: as a process the signal ended, so
    // whoever started the program sees why it ended.
    signal(endSignal, SIG_DFL);
    raise(endSignal);
  }
  return status;
}
