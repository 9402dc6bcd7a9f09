// The two sound effects through SDL's audio subsystem: a new sound replaces the
// one playing, and without an audio device the program goes on silently.
#pragma once

#include <SDL2/SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>

struct SoundPlayer {
  SDL_AudioDeviceID device = 0;  // 0: silent
  Uint8* samples[2] = {};        // sound k's samples as SDL loaded them
  Uint32 length[2] = {};
};

// Starts SDL's audio subsystem alone and opens the default output for the
// format of the two RIFF WAVE images (both must share it). Any failure (no
// audio device, no driver, a bad image) leaves the player silent and returns
// false with SDL's one-line reason in `error`; the audio library's own
// messages are kept off stderr.
bool OpenSounds(SoundPlayer& player, const unsigned char* wave0, size_t size0, const unsigned char* wave1,
                size_t size1, std::string& error);

// The molecules' play-sound callback (`context` is the SoundPlayer): drops what
// is still queued and queues sound k, so it starts at once and cuts off the one
// playing. Nothing for a silent player or another k.
void PlaySoundSdl(void* context, int32_t sound);

// Stops any sound, closes the device and the audio subsystem.
void CloseSounds(SoundPlayer& player);
