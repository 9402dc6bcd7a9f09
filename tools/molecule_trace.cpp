// molecule-trace: runs the animation's start-up and ticks without a window and
// prints every molecule's state, so the motion can be compared across builds.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "animation/desktop.h"
#include "tools/parse_integer.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: molecule-trace --seed S (--width W --height H | --layout X,Y,W,H[;X,Y,W,H...]) --count N\n"
    "       [--monitors main|each|across] [--sound-switch V] [--sound-freq F] --ticks T\n"
    "  Positions are in desktop pixels (setup: sixteenths); with a layout, molecule i counts\n"
    "  through the monitors' animations in turn.\n";

struct Options {
  int64_t seed = -1, width = -1, height = -1, count = -1, ticks = -1;
  int64_t soundSwitch = 0, soundFreq = 2;
  DesktopOptions desktop;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok;
    if (name == "--seed") ok = ParseInteger(value, 0, UINT32_MAX, o.seed);
    else if (name == "--width") ok = ParseInteger(value, 0, kMaxWindowSide, o.width);
    else if (name == "--height") ok = ParseInteger(value, 0, kMaxWindowSide, o.height);
    else if (name == "--count") ok = ParseInteger(value, kMinMoleculeCount, kMaxMoleculeCount, o.count);
    else if (name == "--ticks") ok = ParseInteger(value, 0, INT32_MAX, o.ticks);
    else if (name == "--sound-switch") ok = ParseInteger(value, INT32_MIN, INT32_MAX, o.soundSwitch);
    else if (name == "--sound-freq") ok = ParseInteger(value, INT32_MIN, INT32_MAX, o.soundFreq);
    else if (!o.desktop.Parse(name, value, ok)) ok = false;
    if (!ok) return false;
  }
  return o.desktop.Settle(o.width, o.height) && o.seed >= 0 && o.count >= 0 && o.ticks >= 0;
}

struct SoundLog {
  int64_t tick;
};

void PrintSound(void* context, int32_t sound) {
  std::printf("sound,%" PRId64 ",%d\n", static_cast<SoundLog*>(context)->tick, sound);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The same bytes on every platform: no CR before each line feed.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  SaverSettings settings;
  settings.moleculeCount = static_cast<int32_t>(o.count);
  settings.soundSwitch = static_cast<int32_t>(o.soundSwitch);
  settings.soundFrequency = static_cast<int32_t>(o.soundFreq);
  Desktop desktop;
  PlanDesktop(desktop, o.desktop.monitors, o.desktop.layout);
  SetUpDesktop(desktop, settings, static_cast<uint32_t>(o.seed), nullptr);

  // Each animation's pixels start at its view's corner; across, the flock's at the bounds'.
  auto origin = [&](size_t k) {
    return desktop.choice == MonitorChoice::Across ? desktop.bounds : desktop.views[k]->area;
  };
  int i = 0;
  for (size_t k = 0; k < desktop.animations.size(); ++k) {
    for (const Molecule& m : desktop.animations[k]->molecules) {
      std::printf("setup,%d,%d,%d,%d,%d,%d,%d\n", i++, m.frame, m.spin, m.x + origin(k).left * 16,
                  m.y + origin(k).top * 16, m.vx, m.vy);
    }
  }
  SoundLog log{0};
  for (log.tick = 1; log.tick <= o.ticks; ++log.tick) {
    i = 0;
    for (size_t k = 0; k < desktop.animations.size(); ++k) {
      AnimationState& state = *desktop.animations[k];
      StepMolecules(state, PrintSound, &log);
      for (const Molecule& m : state.molecules) {
        std::printf("tick,%" PRId64 ",%d,%d,%d,%d\n", log.tick, i++, m.frame, m.x / 16 + origin(k).left,
                    m.y / 16 + origin(k).top);
      }
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
