// molecule-trace: runs the animation's start-up and ticks without a window and
// prints every molecule's state, so the motion can be compared across builds.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "animation/molecules.h"
#include "tools/parse_integer.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: molecule-trace --seed S --width W --height H --count N "
    "[--sound-switch V] [--sound-freq F] --ticks T\n";

struct Options {
  int64_t seed = -1, width = -1, height = -1, count = -1, ticks = -1;
  int64_t soundSwitch = 0, soundFreq = 2;
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
    else ok = false;
    if (!ok) return false;
  }
  return o.seed >= 0 && o.width >= 0 && o.height >= 0 && o.count >= 0 && o.ticks >= 0;
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
  AnimationState state;
  state.width = static_cast<int32_t>(o.width);
  state.height = static_cast<int32_t>(o.height);
  state.settings.moleculeCount = static_cast<int32_t>(o.count);
  state.settings.soundSwitch = static_cast<int32_t>(o.soundSwitch);
  state.settings.soundFrequency = static_cast<int32_t>(o.soundFreq);
  SeedRandom(state.random, static_cast<uint32_t>(o.seed));
  // The animation's creation draws each sprite's initial pattern first.
  for (int64_t i = 0; i < o.count; ++i) ScaledRandom(state.random, kFrameCount);
  SetUpMolecules(state);

  int i = 0;
  for (const Molecule& m : state.molecules) {
    std::printf("setup,%d,%d,%d,%d,%d,%d,%d\n", i++, m.frame, m.spin, m.x, m.y, m.vx, m.vy);
  }
  SoundLog log{0};
  for (log.tick = 1; log.tick <= o.ticks; ++log.tick) {
    StepMolecules(state, PrintSound, &log);
    i = 0;
    for (const Molecule& m : state.molecules) {
      std::printf("tick,%" PRId64 ",%d,%d,%d,%d\n", log.tick, i++, m.frame, m.x / 16, m.y / 16);
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
