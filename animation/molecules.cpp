// Molecule motion.
#include "animation/molecules.h"

#include <algorithm>
#include <new>

namespace {

constexpr int32_t kAmbientInterval = 20;  // the check runs when the counter passes this
constexpr int32_t kPlacementRetries = 64;

int32_t DrawVelocity(RandomSource& random) { return (ScaledRandom(random, 4) - 2) * 32; }

int32_t FlipSpin(int32_t spin) { return spin > 0 ? 0 : 1; }

// A closed interval of one coordinate, in sixteenths of a pixel.
struct Span {
  int32_t low;
  int32_t high;
};

int32_t Sixteenths(int32_t pixels) { return std::clamp(pixels, -kMaxWindowSide, kMaxWindowSide) * 16; }

// The stretch of a line through the regions that holds `at`: the row at `line`
// (horizontal) or the column at `line` (vertical), grown from `at` through the
// regions whose closed extent holds the line and which overlap or touch it.
// {at, at} when no region holds the point.
Span FindSpan(const std::vector<ScreenRect>& regions, bool horizontal, int32_t line, int32_t at) {
  Span span{at, at};
  for (bool grew = true; grew;) {
    grew = false;
    for (const ScreenRect& r : regions) {
      if (IsEmpty(r)) continue;
      const Span across = horizontal ? Span{Sixteenths(r.top), Sixteenths(r.bottom)}
                                     : Span{Sixteenths(r.left), Sixteenths(r.right)};
      const Span along = horizontal ? Span{Sixteenths(r.left), Sixteenths(r.right)}
                                    : Span{Sixteenths(r.top), Sixteenths(r.bottom)};
      if (line < across.low || line > across.high || along.high < span.low || along.low > span.high) continue;
      if (along.low < span.low) span.low = along.low, grew = true;
      if (along.high > span.high) span.high = along.high, grew = true;
    }
  }
  return span;
}

bool Holds(Span span, int32_t at) { return at >= span.low && at <= span.high; }

// The first region whose closed extent holds the point, or null.
const ScreenRect* FindRegion(const std::vector<ScreenRect>& regions, int32_t x, int32_t y) {
  for (const ScreenRect& r : regions) {
    if (!IsEmpty(r) && Holds({Sixteenths(r.left), Sixteenths(r.right)}, x) &&
        Holds({Sixteenths(r.top), Sixteenths(r.bottom)}, y)) {
      return &r;
    }
  }
  return nullptr;
}

// Moves a centre to the nearest point of the first region that is not empty.
void MoveOntoRegion(const std::vector<ScreenRect>& regions, int32_t& x, int32_t& y) {
  for (const ScreenRect& r : regions) {
    if (IsEmpty(r)) continue;
    x = std::clamp(x, Sixteenths(r.left), Sixteenths(r.right));
    y = std::clamp(y, Sixteenths(r.top), Sixteenths(r.bottom));
    return;
  }
}

// Keeps one coordinate of a moved centre inside `span`, reversing its velocity at
// an end. Returns whether it bounced. Positions exactly on an end do not bounce.
bool Bounce(int32_t& position, int32_t& velocity, Span span) {
  if (position > span.high) {
    position = span.high;
  } else if (position < span.low) {
    position = span.low;
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
    // A centre that falls where no region is, is drawn again (a bounded number of
    // times, then moved onto a region): on one screen there is nothing to redraw.
    for (int32_t retry = 0; !state.regions.empty() && FindRegion(state.regions, m.x, m.y) == nullptr; ++retry) {
      if (retry == kPlacementRetries) {
        MoveOntoRegion(state.regions, m.x, m.y);
        break;
      }
      m.x = ScaledRandom(random, width) * 16;
      m.y = ScaledRandom(random, height) * 16;
    }
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

  if (soundOn && state.playsAmbient && ++state.ambientTicks > kAmbientInterval) {
    state.ambientTicks = 0;
    const int64_t a = ScaledRandom(state.random, 32000);
    if (a < int64_t{320} * state.settings.soundFrequency) play(kAmbientSound);
  }

  const int32_t right = std::clamp(state.width, 0, kMaxWindowSide) * 16;
  const int32_t bottom = std::clamp(state.height, 0, kMaxWindowSide) * 16;
  const std::vector<ScreenRect>& regions = state.regions;
  for (Molecule& m : state.molecules) {
    // Across several regions each move is bounded by the stretch of the row (then
    // the column) through the regions that holds the centre before that move: it
    // crosses where regions touch and bounces where the centre would leave them.
    // A centre on no region (a table set up for other regions) keeps to the whole area.
    // A move that stays on the region holding the centre stays inside that
    // stretch, which holds the region's extent: most moves need no stretch found.
    const ScreenRect* home = regions.empty() ? nullptr : FindRegion(regions, m.x, m.y);
    const Span homeX = home ? Span{Sixteenths(home->left), Sixteenths(home->right)} : Span{1, 0};
    const Span homeY = home ? Span{Sixteenths(home->top), Sixteenths(home->bottom)} : Span{1, 0};
    const int32_t oldX = m.x, oldY = m.y;
    m.x += m.vx;
    if (!Holds(homeX, m.x) && Bounce(m.x, m.vx, home ? FindSpan(regions, true, oldY, oldX) : Span{0, right})) {
      m.spin = FlipSpin(m.spin);
      play(kBounceSound);
    }
    m.y += m.vy;
    if (!(Holds(homeX, m.x) && Holds(homeY, m.y)) &&
        Bounce(m.y, m.vy, home ? FindSpan(regions, false, m.x, oldY) : Span{0, bottom})) {
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
