// The command line of the X11 program, in the style of xscreensaver's programs:
// options with one or two dashes, each value in the next argument.
#pragma once

#include <cstdint>
#include <string>

enum class DrawTarget {
  OwnWindow,  // a window of its own, 800 x 600
  Window,     // the window `windowId` (from -window-id or XSCREENSAVER_WINDOW)
  Root,       // the root window (-root)
};

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
};

// What the program prints on -help (stdout) and on a bad command line (stderr).
extern const char* const kProgramUsage;

// Parses argv[1..argc-1]. `environmentWindow` is the value of XSCREENSAVER_WINDOW
// or null. The window is chosen in this order: -window-id, XSCREENSAVER_WINDOW,
// -root, else a window of its own. A later option overrides an earlier one of
// the same name. Window ids are decimal or 0x-hexadecimal. On an unknown option,
// a missing or bad value, or a bad XSCREENSAVER_WINDOW, returns false with a
// one-line reason in `error`.
bool ParseProgramOptions(int argc, const char* const* argv, const char* environmentWindow,
                         ProgramOptions& options, std::string& error);
