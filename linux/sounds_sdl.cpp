// The two sound effects through SDL's audio subsystem.
#include "linux/sounds_sdl.h"

namespace {
constexpr int32_t kSoundCount = 2;
}

void OpenSounds(SoundPlayer& player, const unsigned char* wave0, size_t size0, const unsigned char* wave1,
                size_t size1) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  const unsigned char* images[kSoundCount] = {wave0, wave1};
  const size_t sizes[kSoundCount] = {size0, size1};
  SDL_AudioSpec specs[kSoundCount]{};
  for (int32_t k = 0; k < kSoundCount; ++k) {
    SDL_RWops* stream = SDL_RWFromConstMem(images[k], static_cast<int>(sizes[k]));
    if (stream == nullptr ||
        SDL_LoadWAV_RW(stream, 1, &specs[k], &player.samples[k], &player.length[k]) == nullptr) {
      CloseSounds(player);
      return;
    }
  }
  if (specs[0].format != specs[1].format || specs[0].channels != specs[1].channels ||
      specs[0].freq != specs[1].freq) {
    CloseSounds(player);
    return;
  }
  // SDL converts to whatever the device needs; the samples stay as they are.
  player.device = SDL_OpenAudioDevice(nullptr, 0, &specs[0], nullptr, 0);
  if (player.device == 0) {
    CloseSounds(player);
    return;
  }
  SDL_PauseAudioDevice(player.device, 0);
}

void PlaySoundSdl(void* context, int32_t sound) {
  auto& player = *static_cast<SoundPlayer*>(context);
  if (player.device == 0 || sound < 0 || sound >= kSoundCount) return;
  SDL_ClearQueuedAudio(player.device);
  SDL_QueueAudio(player.device, player.samples[sound], player.length[sound]);
}

void CloseSounds(SoundPlayer& player) {
  if (player.device != 0) SDL_CloseAudioDevice(player.device);
  player.device = 0;
  for (int32_t k = 0; k < kSoundCount; ++k) {
    SDL_FreeWAV(player.samples[k]);
    player.samples[k] = nullptr;
    player.length[k] = 0;
  }
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  SDL_Quit();
}
