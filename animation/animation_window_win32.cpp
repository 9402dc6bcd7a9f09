// The animation's window procedure: set-up on creation, a step per 50 ms tick,
// tear-down on destruction; everything else goes on to ShellDefaultProc.
#include "animation/animation_window_win32.h"

#include "animation/animation.h"
#include "animation/animation_globals_win32.h"
#include "animation/settings_win32.h"
#include "animation/sounds_win32.h"
#include "shell/shell_default_win32.h"
#include "sprites/sprite_scene_win32.h"

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTickMilliseconds = 50;

// The calendar clock in whole seconds since 1970-01-01 00:00 UTC, what the C
// runtime's time() gives; asked of the system, as the release .scr has no C runtime.
uint32_t CalendarSeconds() {
  constexpr uint64_t kUnitsPerSecond = 10000000;  // FILETIME counts 100 ns from 1601-01-01
  constexpr uint64_t kUnitsFrom1601To1970 = 11644473600ull * kUnitsPerSecond;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const uint64_t units = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  return static_cast<uint32_t>((units - kUnitsFrom1601To1970) / kUnitsPerSecond);
}

void SetUp(HWND window) {
  AnimationState& state = TheAnimationState();
  RECT client{};
  GetClientRect(window, &client);
  state.width = client.right;
  state.height = client.bottom;
  LoadSettings();
  SeedRandom(state.random, CalendarSeconds());
  LoadSounds(state);
  SetUpAnimation(state, TheSpriteScene(), Win32ScenePlatform(window));
  state.timerId = static_cast<uint16_t>(SetTimer(window, kTimerId, kTickMilliseconds, nullptr));
}

void Tick(HWND window) {
  AnimationState& state = TheAnimationState();
  SpriteScene& scene = TheSpriteScene();
  StepAnimation(state, scene, &PlaySoundImage, &state);
  RenderScene(scene, window);
#if defined(SAVER_TICK_PROBE)
  // Only in the benchmark's build of the saver (brisel-bench.scr): the count of
  // ticks in the window's user data lets bench/saver-cpu read the rate achieved
  // from outside the process.
  SetWindowLongPtrA(window, GWLP_USERDATA, GetWindowLongPtrA(window, GWLP_USERDATA) + 1);
#endif
}

void TearDown(HWND window) {
  AnimationState& state = TheAnimationState();
  if (state.timerId != 0) KillTimer(window, state.timerId);
  state.timerId = 0;
  FreeMolecules(state);
  UnloadSounds(state);  // before the quit message: no sound outlives the window
  PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK AnimationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetUp(window);
      return 0;
    case WM_DESTROY:
      TearDown(window);
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId) Tick(window);
      return 0;
    default:
      return ShellDefaultProc(window, message, wParam, lParam);
  }
}
