// The two sound effects through SDL's audio subsystem.
#include "linux/sounds_sdl.h"

#include <dlfcn.h>

namespace {

constexpr int32_t kSoundCount = 2;
constexpr Uint16 kDeviceBufferFrames = 512;

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// SDL reaches ALSA through the shared library libasound.so.2, whose own error
// printer writes several lines to stderr when the machine has no sound card.
// The program says in one line of its own why there is no sound, so that printer is replaced
// (the library is looked up, not linked: ALSA need not be installed).
void QuietAlsa() {
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD);
  if (alsa == nullptr) alsa = dlopen("libasound.so.2", RTLD_NOW);
  if (alsa == nullptr) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(IgnoreAlsaError);
  // Stays loaded: SDL uses the same library and the handler must outlive it.
}

}  // namespace

bool OpenSounds(SoundPlayer& player, const unsigned char* wave0, size_t size0, const unsigned char* wave1,
                size_t size1, std::string& error) {
  QuietAlsa();
  const auto fail = [&](const char* what) {
    error = std::string(what) + " (" + SDL_GetError() + ")";
    CloseSounds(player);
    return false;
  };
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return fail("the audio subsystem did not start");
  const unsigned char* images[kSoundCount] = {wave0, wave1};
  const size_t sizes[kSoundCount] = {size0, size1};
  SDL_AudioSpec specs[kSoundCount]{};
  for (int32_t k = 0; k < kSoundCount; ++k) {
    SDL_RWops* stream = SDL_RWFromConstMem(images[k], static_cast<int>(sizes[k]));
    if (stream == nullptr ||
        SDL_LoadWAV_RW(stream, 1, &specs[k], &player.samples[k], &player.length[k]) == nullptr) {
      return fail("a sound cannot be read");
    }
  }
  if (specs[0].format != specs[1].format || specs[0].channels != specs[1].channels ||
      specs[0].freq != specs[1].freq) {
    SDL_SetError("their formats differ");
    return fail("the sounds cannot share a device");
  }
  // SDL converts to whatever the device needs; the samples stay as they are. A
  // short device buffer (about 46 ms) starts a bounce sound with its bounce and
  // lets the device close quickly when the program is ended.
  specs[0].samples = kDeviceBufferFrames;
  player.device = SDL_OpenAudioDevice(nullptr, 0, &specs[0], nullptr, 0);
  if (player.device == 0) return fail("no audio device can be opened");
  SDL_PauseAudioDevice(player.device, 0);
  return true;
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
