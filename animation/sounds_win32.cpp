// The two sound effects, played from the program's "WAVE" resources.
#include "animation/sounds_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <new>
#include <string>

namespace {
constexpr int32_t kSoundCount = 2;
}

void LoadSounds(AnimationState& state) {
  state.sounds.reset(new (std::nothrow) const void*[kSoundCount]{});
  if (!state.sounds) return;
  const HMODULE module = GetModuleHandleA(nullptr);
  for (int32_t k = 0; k < kSoundCount; ++k) {
    const std::string name = "WAVDAT" + std::to_string(k);
    const HRSRC found = FindResourceA(module, name.c_str(), "WAVE");
    const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    state.sounds[k] = loaded != nullptr ? LockResource(loaded) : nullptr;
  }
}

void PlaySoundImage(void* context, int32_t sound) {
  const auto& state = *static_cast<const AnimationState*>(context);
  const void* image = state.sounds && sound >= 0 && sound < kSoundCount ? state.sounds[sound] : nullptr;
  PlaySoundA(static_cast<LPCSTR>(image), nullptr, SND_ASYNC | SND_MEMORY);
}

void UnloadSounds(AnimationState& state) {
  PlaySoundA(nullptr, nullptr, SND_ASYNC | SND_MEMORY);
  state.sounds.reset();
}
