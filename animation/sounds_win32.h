// The two sound effects, played from the program's "WAVE" resources.
#pragma once

#include <cstdint>

// The RIFF images of sounds 0 and 1, owned by the module; null for a missing one.
struct SoundImages {
  const void* images[2] = {};
};

// Finds "WAVDAT0" and "WAVDAT1" of type "WAVE" in the running program and keeps
// pointers to their RIFF images in `sounds`. Called when the animation window is
// created.
void LoadSounds(SoundImages& sounds);

// Starts sound `sound` (0 bounce, 1 ambient) asynchronously from memory, cutting
// off whatever plays. `context` is the SoundImages. A missing image stops any
// sound and plays nothing.
void PlaySoundImage(void* context, int32_t sound);

// Stops any sound and forgets the images. Called when the animation window is destroyed.
void UnloadSounds(SoundImages& sounds);
