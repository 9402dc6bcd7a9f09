// The two sound effects, played from the program's "WAVE" resources.
#include "animation/sounds_win32.h"

#include <windows.h>
#include <mmsystem.h>

namespace {
constexpr int32_t kSoundCount = 2;
}

void LoadSounds(SoundImages& sounds) {
  const HMODULE module = GetModuleHandleA(nullptr);
  char name[] = "WAVDAT0";
  for (int32_t k = 0; k < kSoundCount; ++k) {
    name[6] = static_cast<char>('0' + k);
    const HRSRC found = FindResourceA(module, name, "WAVE");
    const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    sounds.images[k] = loaded != nullptr ? LockResource(loaded) : nullptr;
  }
}

void PlaySoundImage(void* context, int32_t sound) {
  const auto& sounds = *static_cast<const SoundImages*>(context);
  const void* image = sound >= 0 && sound < kSoundCount ? sounds.images[sound] : nullptr;
  PlaySoundA(static_cast<LPCSTR>(image), nullptr, SND_ASYNC | SND_MEMORY);
}

void UnloadSounds(SoundImages& sounds) {
  PlaySoundA(nullptr, nullptr, SND_ASYNC | SND_MEMORY);
  sounds = SoundImages();
}
