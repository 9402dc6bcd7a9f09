// The animation's portable set-up and tick: molecules driving the sprites of the
// scene. The window procedure and the headless saver-render both call these.
#pragma once

#include <cstdint>

#include "animation/animation_state.h"
#include "animation/molecules.h"
#include "sprites/sprite_scene.h"

constexpr int32_t kSpriteSide = 64;  // every molecule's sprite is 64 x 64
constexpr int32_t kSheetImages = 1;  // the sheet "SPPAT_R0" holds all 32 frames

// Builds the animation once, when its window is created. The caller has already
// set state.width and state.height (the client area in pixels), loaded
// state.settings and seeded state.random. Creates `scene` (empty before) with one
// 64 x 64 sprite per molecule and 32 patterns, frame k of the sheet centred at
// (32, 32 + 64k); gives each sprite a random pattern (one draw each, in sprite
// order), the centre of the window and visibility; then sets up the molecules,
// which draw next. The scene gets its sheet and back buffer through `platform`.
// Sprites left without a molecule (the table could not be made) are hidden.
void SetUpAnimation(AnimationState& state, SpriteScene& scene, const ScenePlatform& platform);

// One picture of an animation set up with SetUpMolecules (state.molecules made):
// `scene` (empty before) of width x height with one 64 x 64 sprite per molecule
// and 32 patterns, as SetUpAnimation makes them, every sprite with a molecule
// visible. A desktop makes one per monitor the animation shows on.
void SetUpAnimationScene(const AnimationState& state, SpriteScene& scene, const ScenePlatform& platform,
                         int32_t width, int32_t height);

// The first half of a tick: steps the molecules (sounds go to `playSound`, which
// may be null) and shows molecule i's frame at its centre (x / 16, y / 16) in
// sprite i. The window procedure then renders the scene on its window.
void StepAnimation(AnimationState& state, SpriteScene& scene, PlaySoundFn playSound,
                   void* soundContext);

// One timer tick, on the window's 50 ms timer: steps the molecules (sounds go to
// `playSound`, which may be null), shows molecule i's frame at its centre
// (x / 16, y / 16) in sprite i, then renders the frame, whose rectangles go to
// `sink`.
void TickAnimation(AnimationState& state, SpriteScene& scene, PlaySoundFn playSound,
                   void* soundContext, const PresentSink& sink);
