// The command line of the X11 program, in the style of xscreensaver's programs:
// options with one or two dashes, each value in the next argument or after "=".
#pragma once

#include <cstdint>
#include <string>

#include "animation/desktop.h"

// -scale auto: the scale follows the screen's dots per inch.
constexpr int32_t kAutoScale = 0;

enum class DrawTarget {
  OwnWindow,  // a window of its own, 800 x 600
  Window,     // the window `windowId` (from -window-id or XSCREENSAVER_WINDOW)
  Root,       // the root window (-root)
};

// Which display system a window of its own is shown on.
enum class DisplaySystem {
  Either,   // Wayland in full screen when a compositor can be reached, else X11
  X11,      // -x11
  Wayland,  // -wayland: full screen on the compositor's outputs
};

// -idle without a number: five minutes.
constexpr int32_t kDefaultIdleSeconds = 300;

struct ProgramOptions {
  int32_t moleculeCount = 10;   // -count, 1..64
  bool sound = false;           // -sound / -no-sound
  int32_t soundFrequency = 2;   // -sound-frequency, 1..100
  DrawTarget target = DrawTarget::OwnWindow;
  uint64_t windowId = 0;
  bool haveSeed = false;        // -seed: fixes the random source, for tests and demos
  uint32_t seed = 0;
  int64_t ticks = -1;           // -ticks: stop after this many ticks; -1 runs on
  bool help = false;            // -help: print the usage and end
  bool version = false;         // -version: print the version and end
  bool fullscreen = false;      // -fullscreen: a window of its own covers every monitor (no effect on a given window)
  MonitorChoice monitors = kDefaultMonitorChoice;  // -monitors: how the animation spreads over them in full screen
  DisplaySystem displaySystem = DisplaySystem::Either;  // -x11 / -wayland
  int32_t idleSeconds = -1;     // -idle: wait in the background for this much idleness (Wayland); -1 shows at once
  int32_t scale = kAutoScale;   // -scale: screen pixels across each pixel, 1..4, or kAutoScale (from the DPI)
  // The options every X program or xscreensaver program takes. The edge reads
  // the geometry and the visual; -fps, -no-fps, -install and -noinstall are
  // taken and change nothing (there is no frame counter, and TrueColor needs
  // no colour map of its own).
  std::string display;          // -display: the X server; empty takes DISPLAY
  std::string geometry;         // -geometry: size and place of a window of its own
  std::string visual;           // -visual: the visual of a window of its own
  bool synchronous = false;     // -sync: every X request waits for its reply
};

// What the program prints on -help (stdout) and on a bad command line (stderr).
extern const char* const kProgramUsage;

// `text` in double quotes for a one-line message: quotes and backslashes
// escaped with a backslash, control characters as \xNN.
std::string QuoteForMessage(const std::string& text);

// Parses argv[1..argc-1]. `environmentWindow` is the value of XSCREENSAVER_WINDOW
// or null. The window is chosen in this order: -window-id, else with -root the
// window XSCREENSAVER_WINDOW names (the screen saver's stand-in for the root
// window) or the root window, else a window of its own. -window undoes an
// earlier -root. A later option overrides an earlier one of the same name.
// Window ids are decimal or 0x-hexadecimal. A value follows its option as the
// next argument or after "=" in the same one ("--count=5"). On an unknown
// option, a missing or bad value (the reason names the values allowed), or a bad
// XSCREENSAVER_WINDOW with -root, or options that cannot go together (-wayland
// or -idle with -root, -window-id or -x11), returns false with a one-line reason in
// `error`; `badEnvironment`, when given, tells the last case from the others.
// Decides the edge, after ParseProgramOptions succeeded: true for Wayland.
// -root and a given window are X11's, as is -x11; -wayland and -idle are
// Wayland's; otherwise full screen goes to Wayland when `compositorReachable`
// (WAYLAND_DISPLAY is set and a compositor answered there) and no -display
// names an X server, and a plain window stays X11.
bool ChooseWayland(const ProgramOptions& options, bool compositorReachable);

bool ParseProgramOptions(int argc, const char* const* argv, const char* environmentWindow,
                         ProgramOptions& options, std::string& error, bool* badEnvironment = nullptr);
