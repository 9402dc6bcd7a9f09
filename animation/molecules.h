// Molecule motion: the table of molecules, its random set-up and the per-tick step.
#pragma once

#include <cstdint>


#include "animation/animation_state.h"

// The largest window side the motion accepts: positions are kept in sixteenths
// of a pixel in 32 bits, with room for one step beyond the edge.
constexpr int32_t kMaxWindowSide = 1 << 24;

constexpr int32_t kFrameCount = 32;
constexpr int32_t kBounceSound = 0;
constexpr int32_t kAmbientSound = 1;

// Starts sound `sound` (kBounceSound or kAmbientSound) asynchronously, cutting
// off whatever plays. `context` is the caller's, passed through unchanged.
using PlaySoundFn = void (*)(void* context, int32_t sound);

// Allocates and fills state.molecules for state.width, state.height and
// state.settings.moleculeCount, drawing from state.random in the fixed order
// frame, spin, x, y, then velocity pairs until both are non-zero. The animation
// set-up calls it after drawing the sprites' initial patterns. A count outside
// 1..64 or a failed allocation leaves an empty table.
void SetUpMolecules(AnimationState& state);

// One timer tick: the ambient sound check (sound on only), then each molecule
// moves, bounces off the window's edges (bounce sound when sound is on), and
// turns one frame. Afterwards molecule i shows `frame` centred at
// (x / 16, y / 16). `playSound` may be null.
void StepMolecules(AnimationState& state, PlaySoundFn playSound, void* context);

// Releases the table; the animation calls it when its window is destroyed.
void FreeMolecules(AnimationState& state);
