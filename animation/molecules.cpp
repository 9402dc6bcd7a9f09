// Molecule motion.
#include "animation/molecules.h"

#include <algorithm>
#include <new>

namespace {

constexpr int32_t kAmbientInterval = 20;  // the check runs when the counter passes this

int32_t DrawVelocity(RandomSource& random) { return (ScaledRandom(random, 4) - 2) * 32; }

int32_t FlipSpin(int32_t spin) { return spin > 0 ? 0 : 1; }

// Keeps one coordinate inside 0..limit, reversing its velocity at an edge.
// Returns whether it bounced. Positions exactly on an edge do not bounce.
bool Bounce(int32_t& position, int32_t& velocity, int32_t limit) {
  if (position > limit) {
    position = limit;
  } else if (position < 0) {
    position = 0;
  } else {
    return false;
  }
  velocity = -velocity;
  return true;
}

}  // namespace

void SetUpMolecules(AnimationState& state) {
  FreeMolecules(state);
  const int32_t count = state.settings.moleculeCount;
  if (count < kMinMoleculeCount || count > kMaxMoleculeCount) return;
  Molecule* records = new (std::nothrow) Molecule[count];
  if (records == nullptr) return;
  state.molecules.records.reset(records);
  state.molecules.count = count;

  const int32_t width = std::clamp(state.width, 0, kMaxWindowSide);
  const int32_t height = std::clamp(state.height, 0, kMaxWindowSide);
  RandomSource& random = state.random;
  for (Molecule& m : state.molecules) {
    m.frame = ScaledRandom(random, kFrameCount);
    m.spin = ScaledRandom(random, 2);
    m.x = ScaledRandom(random, width) * 16;
    m.y = ScaledRandom(random, height) * 16;
    do {
      m.vx = DrawVelocity(random);
      m.vy = DrawVelocity(random);
    } while (m.vx == 0 || m.vy == 0);
  }
}

void StepMolecules(AnimationState& state, PlaySoundFn playSound, void* context) {
  const bool soundOn = state.settings.soundSwitch > 0;
  auto play = [&](int32_t sound) {
    if (soundOn && playSound != nullptr) playSound(context, sound);
  };

  if (soundOn && ++state.ambientTicks > kAmbientInterval) {
    state.ambientTicks = 0;
    const int64_t a = ScaledRandom(state.random, 32000);
    if (a < int64_t{320} * state.settings.soundFrequency) play(kAmbientSound);
  }

  const int32_t right = std::clamp(state.width, 0, kMaxWindowSide) * 16;
  const int32_t bottom = std::clamp(state.height, 0, kMaxWindowSide) * 16;
  for (Molecule& m : state.molecules) {
    m.x += m.vx;
    m.y += m.vy;
    if (Bounce(m.x, m.vx, right)) {
      m.spin = FlipSpin(m.spin);
      play(kBounceSound);
    }
    if (Bounce(m.y, m.vy, bottom)) {
      m.spin = FlipSpin(m.spin);
      play(kBounceSound);
    }
    if (m.spin > 0) {
      if (++m.frame >= kFrameCount) m.frame = 0;
    } else {
      if (--m.frame < 0) m.frame = kFrameCount - 1;
    }
  }
}

void FreeMolecules(AnimationState& state) {
  state.molecules.records.reset();
  state.molecules.count = 0;
}
