// The command line of the X11 program.
#include "shell/program_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

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
    "  -fullscreen          its own window covers every monitor and takes the keyboard and the pointer;\n"
    "                       a key, a click or a pointer move ends it\n"
    "  -monitors M          in full screen: main (the primary monitor, the others black), each (the\n"
    "                       default: every monitor its own molecules) or across (one flock on all)\n"
    "  -wayland | -x11      the display system for full screen (default: Wayland when WAYLAND_DISPLAY\n"
    "                       reaches a compositor, else X11); -wayland is always full screen\n"
    "  -idle [SECONDS]      Wayland: wait in the background until the desktop has been idle SECONDS\n"
    "                       (default 300), then show full screen until input; ends on SIGTERM\n"
    "  -scale N|auto        show each pixel as N x N, 1..4; auto (the default): the screen's DPI / 96\n"
    "  -visual V            its own window's visual: default, truecolor, best or a visual id\n"
    "  -sync                synchronous X requests, for debugging\n"
    "  -fps, -no-fps, -install, -noinstall   taken and ignored\n"
    "  -seed S              fix the random source (0..4294967295)\n"
    "  -ticks T             stop the animation after T ticks and keep the last frame\n"
    "  -help                show this text\n"
    "  -version             show the version\n"
    "Options take one dash or two, and a value after a space or \"=\" (--count=5).\n"
    "Without -root or a window, it opens an 800 x 600 window that a key or click closes.\n";

std::string QuoteForMessage(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

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

// The names -visual takes, in any case, or a visual id.
bool IsVisualName(const char* text) {
  for (const char* known : {"default", "truecolor", "best", "color"}) {
    if (strcasecmp(text, known) == 0) return true;
  }
  uint64_t id = 0;
  return ParseWindowId(text, id);
}

}  // namespace

bool ParseProgramOptions(int argc, const char* const* argv, const char* environmentWindow,
                         ProgramOptions& options, std::string& error, bool* badEnvironment) {
  options = ProgramOptions{};
  if (badEnvironment != nullptr) *badEnvironment = false;
  bool root = false, windowOption = false;
  uint64_t windowId = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* dashed = arg[0] == '-' ? arg + (arg[1] == '-' ? 2 : 1) : nullptr;
    if (dashed == nullptr || *dashed == '\0' || *dashed == '=') {
      error = "unexpected argument " + QuoteForMessage(arg);
      return false;
    }
    // "-name=value" and "--name=value" give the value in the same argument.
    const char* equals = std::strchr(dashed, '=');
    const std::string nameText = equals != nullptr ? std::string(dashed, equals) : std::string(dashed);
    const std::string option = std::string(arg, dashed) + nameText;  // as written, for messages
    const char* name = nameText.c_str();
    const auto takeValue = [&]() -> const char* {
      if (equals != nullptr) return equals + 1;
      return i + 1 < argc ? argv[++i] : nullptr;
    };
    const auto is = [name](const char* n) { return std::strcmp(name, n) == 0; };
    const bool takesValue = is("display") || is("geometry") || is("visual") || is("count") ||
                            is("sound-frequency") || is("window-id") || is("seed") || is("ticks") ||
                            is("scale") || is("monitors") || is("idle");
    if (equals != nullptr && !takesValue) {
      error = "option " + QuoteForMessage(option) + " takes no value";
      return false;
    }
    if (is("sound")) options.sound = true;
    else if (is("no-sound")) options.sound = false;
    else if (is("root")) root = true;
    else if (is("window")) root = false;
    else if (is("sync")) options.synchronous = true;
    else if (is("fullscreen")) options.fullscreen = true;
    else if (is("x11")) options.displaySystem = DisplaySystem::X11;
    else if (is("wayland")) options.displaySystem = DisplaySystem::Wayland;
    else if (is("idle")) {
      // The number may be left out: the next argument is taken only when it is one.
      const char* value = equals != nullptr ? equals + 1
                          : i + 1 < argc && argv[i + 1][0] >= '0' && argv[i + 1][0] <= '9' ? argv[++i]
                                                                                          : nullptr;
      uint64_t seconds = kDefaultIdleSeconds;
      if (value != nullptr && !ParseNumber(value, 10, 1, 86400, seconds)) {
        error = "bad value " + QuoteForMessage(value) + " for " + option + " (1 to 86400 seconds)";
        return false;
      }
      options.idleSeconds = static_cast<int32_t>(seconds);
    }
    else if (is("fps") || is("no-fps") || is("install") || is("noinstall")) continue;
    else if (is("display") || is("geometry") || is("visual")) {
      const char* value = takeValue();
      if (value == nullptr || *value == '\0') {
        error = "missing value for " + option;
        return false;
      }
      if (is("visual") && !IsVisualName(value)) {
        error = "bad value " + QuoteForMessage(value) + " for " + option +
                " (default, truecolor, best, color or a visual id)";
        return false;
      }
      (is("display") ? options.display : is("geometry") ? options.geometry : options.visual) = value;
    }
    else if (is("monitors")) {
      const char* value = takeValue();
      if (!ParseMonitorChoice(value, options.monitors)) {
        error = (value == nullptr ? "missing value" : "bad value " + QuoteForMessage(value)) + " for " + option +
                " (main, each or across)";
        return false;
      }
    }
    else if (is("help") || is("h")) options.help = true;
    else if (is("version")) options.version = true;
    else if (is("count") || is("sound-frequency") || is("window-id") || is("seed") || is("ticks") ||
             is("scale")) {
      const char* value = takeValue();
      uint64_t number = 0;
      bool ok;
      std::string range;
      if (is("count")) {
        ok = ParseNumber(value, 10, kMinMoleculeCount, kMaxMoleculeCount, number);
        range = std::to_string(kMinMoleculeCount) + " to " + std::to_string(kMaxMoleculeCount);
      } else if (is("sound-frequency")) {
        ok = ParseNumber(value, 10, kMinSoundFrequency, kMaxSoundFrequency, number);
        range = std::to_string(kMinSoundFrequency) + " to " + std::to_string(kMaxSoundFrequency);
      } else if (is("window-id")) {
        ok = ParseWindowId(value, number);
        range = "a window id, decimal or 0x-hex";
      } else if (is("seed")) {
        ok = ParseNumber(value, 10, 0, UINT32_MAX, number);
        range = "0 to " + std::to_string(UINT32_MAX);
      } else if (is("scale")) {
        ok = (value != nullptr && std::strcmp(value, "auto") == 0) ||  // number stays kAutoScale
             ParseNumber(value, 10, kMinPresentScale, kMaxPresentScale, number);
        range = "auto or " + std::to_string(kMinPresentScale) + " to " + std::to_string(kMaxPresentScale);
      } else {
        ok = ParseNumber(value, 10, 0, INT32_MAX, number);
        range = "0 to " + std::to_string(INT32_MAX);
      }
      if (!ok) {
        error = (value == nullptr ? "missing value" : "bad value " + QuoteForMessage(value)) + " for " + option +
                " (" + range + ")";
        return false;
      }
      if (is("count")) options.moleculeCount = static_cast<int32_t>(number);
      else if (is("sound-frequency")) options.soundFrequency = static_cast<int32_t>(number);
      else if (is("window-id")) windowOption = true, windowId = number;
      else if (is("seed")) options.haveSeed = true, options.seed = static_cast<uint32_t>(number);
      else if (is("scale")) options.scale = static_cast<int32_t>(number);
      else options.ticks = static_cast<int64_t>(number);
    } else {
      error = "unknown option " + QuoteForMessage(option);
      return false;
    }
  }
  if (!windowOption && root && environmentWindow != nullptr && *environmentWindow != '\0') {
    if (!ParseWindowId(environmentWindow, windowId)) {
      error = "bad XSCREENSAVER_WINDOW " + QuoteForMessage(environmentWindow) + " (a window id, decimal or 0x-hex)";
      if (badEnvironment != nullptr) *badEnvironment = true;
      return false;
    }
    windowOption = true;
  }
  const bool waylandOnly = options.displaySystem == DisplaySystem::Wayland || options.idleSeconds >= 0;
  if (waylandOnly && (windowOption || root || options.displaySystem == DisplaySystem::X11)) {
    error = std::string(options.idleSeconds >= 0 ? "-idle" : "-wayland") +
            " shows full screen on Wayland; it cannot go with -root, -window-id or -x11";
    return false;
  }
  if (windowOption) {
    options.target = DrawTarget::Window;
    options.windowId = windowId;
  } else if (root) {
    options.target = DrawTarget::Root;
  }
  return true;
}

bool ChooseWayland(const ProgramOptions& options, bool compositorReachable) {
  if (options.target != DrawTarget::OwnWindow || options.displaySystem == DisplaySystem::X11) return false;
  if (options.displaySystem == DisplaySystem::Wayland || options.idleSeconds >= 0) return true;
  return options.fullscreen && compositorReachable && options.display.empty();
}
