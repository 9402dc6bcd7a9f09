// The animation's portable set-up and tick: molecules driving the sprites of the scene.
#include "animation/animation.h"

void SetUpAnimation(AnimationState& state, SpriteScene& scene, const ScenePlatform& platform) {
  const int32_t count = state.settings.moleculeCount;
  CreateScene(scene, platform, count, kFrameCount, kSheetImages, state.width, state.height);
  for (int32_t i = 0; i < count; ++i) SetSpriteSize(scene, i, kSpriteSide, kSpriteSide);
  for (int32_t k = 0; k < kFrameCount; ++k) {
    DefinePattern(scene, k, 0, kSpriteSide / 2, kSpriteSide / 2 + kSpriteSide * k);
  }
  // The first tick replaces these patterns and places before anything is shown,
  // but their draws still come first in the random sequence.
  for (int32_t i = 0; i < count; ++i) {
    SetSpritePattern(scene, i, ScaledRandom(state.random, kFrameCount));
    SetSpriteCentre(scene, i, state.width / 2, state.height / 2);
    SetSpriteVisible(scene, i, 1);
  }
  SetUpMolecules(state);
  for (int32_t i = state.molecules.count; i < count; ++i) SetSpriteVisible(scene, i, 0);
}

void SetUpAnimationScene(const AnimationState& state, SpriteScene& scene, const ScenePlatform& platform,
                         int32_t width, int32_t height) {
  const int32_t count = state.settings.moleculeCount;
  CreateScene(scene, platform, count, kFrameCount, kSheetImages, width, height);
  for (int32_t i = 0; i < count; ++i) SetSpriteSize(scene, i, kSpriteSide, kSpriteSide);
  for (int32_t k = 0; k < kFrameCount; ++k) {
    DefinePattern(scene, k, 0, kSpriteSide / 2, kSpriteSide / 2 + kSpriteSide * k);
  }
  for (int32_t i = 0; i < count; ++i) SetSpriteVisible(scene, i, i < state.molecules.count ? 1 : 0);
}

void StepAnimation(AnimationState& state, SpriteScene& scene, PlaySoundFn playSound,
                   void* soundContext) {
  StepMolecules(state, playSound, soundContext);
  int32_t i = 0;
  for (const Molecule& m : state.molecules) {
    SetSpritePattern(scene, i, m.frame);
    SetSpriteCentre(scene, i, m.x / 16, m.y / 16);
    ++i;
  }
}

void TickAnimation(AnimationState& state, SpriteScene& scene, PlaySoundFn playSound,
                   void* soundContext, const PresentSink& sink) {
  StepAnimation(state, scene, playSound, soundContext);
  RenderScene(scene, sink);
}
