// The two sound effects, played from the program's "WAVE" resources.
#pragma once

#include <cstdint>

#include "animation/animation_state.h"

// Finds "WAVDAT0" and "WAVDAT1" of type "WAVE" in the running program and keeps
// pointers to their RIFF images in state.sounds (null for a missing one). Called
// when the animation window is created.
void LoadSounds(AnimationState& state);

// Starts sound `sound` (0 bounce, 1 ambient) asynchronously from memory, cutting
// off whatever plays. `context` is the AnimationState. A missing image stops any
// sound and plays nothing.
void PlaySoundImage(void* context, int32_t sound);

// Stops any sound and frees the array. Called when the animation window is destroyed.
void UnloadSounds(AnimationState& state);
