// The command line of the X11 program.
#include "shell/program_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "animation/settings.h"
#include "sprites/present_scale.h"

const char* const kProgramUsage =
    "usage: brisel [options]\n"
    "  -count N             molecules, 1..64 (default 10)\n"
    "  -sound | -no-sound   bounce and ambient sounds (default off)\n"
    "  -sound-frequency P   per cent chance of the ambient sound each second, 1..100 (default 2)\n"
    "  -root                draw on the root window, or in XSCREENSAVER_WINDOW when it is set\n"
    "  -window              draw in a window of its own (the default)\n"
    "  -window-id ID        draw in window ID (decimal or 0x-hex)\n"
    "  -display NAME        the X server to use (default: DISPLAY)\n"
    "  -geometry WxH+X+Y    size and place of its own window (default 800x600)\n"
    "  -fullscreen          its own window covers the monitor; a key, a click or a pointer move ends it\n"
    "  -scale N|auto        show each pixel as N x N, 1..4; auto (the default): the screen's DPI / 96\n"
    "  -visual V            its own window's visual: default, truecolor, best or a visual id\n"
    "  -sync                synchronous X requests, for debugging\n"
    "  -fps, -no-fps, -install, -noinstall   taken and ignored\n"
    "  -seed S              fix the random source (0..4294967295)\n"
    "  -ticks T             stop the animation after T ticks and keep the last frame\n"
    "  -help                show this text\n"
    "Without -root or a window, it opens an 800 x 600 window that a key or click closes.\n";

namespace {

// The whole of `text` as an unsigned number in `base` (0: decimal or 0x-hex, as
// strtoull reads it, but never octal) within low..high.
bool ParseNumber(const char* text, int base, uint64_t low, uint64_t high, uint64_t& out) {
  if (text == nullptr || *text < '0' || *text > '9') return false;  // no sign, no spaces
  if (base == 0 && !(text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))) base = 10;
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, base);
  if (errno != 0 || end == text || *end != '\0' || value < low || value > high) return false;
  out = value;
  return true;
}

bool ParseWindowId(const char* text, uint64_t& id) {
  return ParseNumber(text, 0, 1, UINT32_MAX, id);  // X ids are 29-bit values in 32 bits
}

}  // namespace

bool ParseProgramOptions(int argc, const char* const* argv, const char* environmentWindow,
                         ProgramOptions& options, std::string& error) {
  options = ProgramOptions{};
  bool root = false, windowOption = false;
  uint64_t windowId = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* name = arg[0] == '-' ? arg + (arg[1] == '-' ? 2 : 1) : nullptr;
    if (name == nullptr || *name == '\0') {
      error = std::string("unexpected argument \"") + arg + "\"";
      return false;
    }
    const auto is = [name](const char* n) { return std::strcmp(name, n) == 0; };
    if (is("sound")) options.sound = true;
    else if (is("no-sound")) options.sound = false;
    else if (is("root")) root = true;
    else if (is("window")) root = false;
    else if (is("sync")) options.synchronous = true;
    else if (is("fullscreen")) options.fullscreen = true;
    else if (is("fps") || is("no-fps") || is("install") || is("noinstall")) continue;
    else if (is("display") || is("geometry") || is("visual")) {
      const char* value = i + 1 < argc ? argv[++i] : nullptr;
      if (value == nullptr || *value == '\0') {
        error = std::string("missing value for ") + arg;
        return false;
      }
      (is("display") ? options.display : is("geometry") ? options.geometry : options.visual) = value;
    }
    else if (is("help") || is("h")) options.help = true;
    else if (is("count") || is("sound-frequency") || is("window-id") || is("seed") || is("ticks") ||
             is("scale")) {
      const char* value = i + 1 < argc ? argv[++i] : nullptr;
      uint64_t number = 0;
      bool ok;
      if (is("count")) ok = ParseNumber(value, 10, kMinMoleculeCount, kMaxMoleculeCount, number);
      else if (is("sound-frequency")) ok = ParseNumber(value, 10, kMinSoundFrequency, kMaxSoundFrequency, number);
      else if (is("window-id")) ok = ParseWindowId(value, number);
      else if (is("seed")) ok = ParseNumber(value, 10, 0, UINT32_MAX, number);
      else if (is("scale")) {
        ok = (value != nullptr && std::strcmp(value, "auto") == 0) ||  // number stays kAutoScale
             ParseNumber(value, 10, kMinPresentScale, kMaxPresentScale, number);
      } else ok = ParseNumber(value, 10, 0, INT32_MAX, number);
      if (!ok) {
        error = std::string(value == nullptr ? "missing value" : "bad value \"" + std::string(value) + "\"") +
                " for " + arg;
        return false;
      }
      if (is("count")) options.moleculeCount = static_cast<int32_t>(number);
      else if (is("sound-frequency")) options.soundFrequency = static_cast<int32_t>(number);
      else if (is("window-id")) windowOption = true, windowId = number;
      else if (is("seed")) options.haveSeed = true, options.seed = static_cast<uint32_t>(number);
      else if (is("scale")) options.scale = static_cast<int32_t>(number);
      else options.ticks = static_cast<int64_t>(number);
    } else {
      error = std::string("unknown option \"") + arg + "\"";
      return false;
    }
  }
  if (!windowOption && root && environmentWindow != nullptr && *environmentWindow != '\0') {
    if (!ParseWindowId(environmentWindow, windowId)) {
      error = std::string("bad XSCREENSAVER_WINDOW \"") + environmentWindow + "\"";
      return false;
    }
    windowOption = true;
  }
  if (windowOption) {
    options.target = DrawTarget::Window;
    options.windowId = windowId;
  } else if (root) {
    options.target = DrawTarget::Root;
  }
  return true;
}
