// The animation's window procedure: set-up on creation, a step per 50 ms tick,
// tear-down on destruction; everything else goes on to ShellDefaultProc.
#include "animation/animation_window_win32.h"

#include "animation/animation.h"
#include "animation/animation_globals_win32.h"
#include "animation/desktop.h"
#include "animation/settings_win32.h"
#include "animation/sounds_win32.h"
#include "shell/dpi_win32.h"
#include "shell/monitors_win32.h"
#include "shell/shell_default_win32.h"
#include "shell/shell_state_win32.h"
#include "sprites/present_scale.h"
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

#if defined(SAVER_TICK_PROBE)
// Only in the benchmark's build of the saver (brisel-bench.scr): the number in the
// environment variable `name` (decimal digits), else `otherwise`. SAVER_TEST_SEED
// and SAVER_TEST_TICKS make a fixed run (that seed, no step after that many
// ticks), which the end-to-end tests compare with saver-render's picture of it.
uint32_t ReadProbeNumber(const char* name, uint32_t otherwise) {
  char text[16] = {};
  if (GetEnvironmentVariableA(name, text, sizeof text) == 0) return otherwise;
  uint32_t number = 0;
  for (const char* c = text; *c >= '0' && *c <= '9'; ++c) number = number * 10 + static_cast<uint32_t>(*c - '0');
  return number;
}

uint32_t probeTickLimit = UINT32_MAX;
#endif

// The scale of the screen the animation shows on (a preview's is its parent's),
// and the animation's size at that scale: the client area divided by it.
void MeasureWindow(HWND window, int32_t& scale, int32_t& width, int32_t& height) {
  const HWND parent = GetParent(window);
  scale = ScaleForDpi(FindWindowDpi(parent != nullptr ? parent : window));
  RECT client{};
  GetClientRect(window, &client);
  width = AnimationSide(client.right, scale);
  height = AnimationSide(client.bottom, scale);
}

// The seed of a run: the calendar clock (in the benchmark's build, SAVER_TEST_SEED
// when set).
uint32_t ChooseSeed() {
#if defined(SAVER_TICK_PROBE)
  probeTickLimit = ReadProbeNumber("SAVER_TEST_TICKS", UINT32_MAX);
  return ReadProbeNumber("SAVER_TEST_SEED", CalendarSeconds());
#else
  return CalendarSeconds();
#endif
}

// A full-screen window over every monitor runs a desktop of animations instead
// of the one of the primary monitor or the preview.
bool RunsDesktop(HWND window) { return GetParent(window) == nullptr && TheShellState().spansMonitors; }

// Where the window's client area begins on the virtual screen.
POINT desktopOrigin{};

// The desktop's views on the monitors as they are now, each at its monitor's
// scale ("across": the primary's for the whole flock, so that a molecule keeps
// its size and speed as it crosses), with new molecules seeded with `seed`.
void SetUpDesktopOn(HWND window, uint32_t seed) {
  Desktop& desktop = TheDesktop();
  const std::vector<ScreenRect> monitors = FindMonitorRectsOrScreen();
  PlanDesktop(desktop, TheMonitorChoice(), monitors);
  const int32_t primaryScale = ScaleForDpi(FindMonitorDpi(monitors.front()));
  for (auto& view : desktop.views) {
    view->scale = desktop.choice == MonitorChoice::Across ? primaryScale : ScaleForDpi(FindMonitorDpi(view->area));
  }
  desktopOrigin = {};
  ClientToScreen(window, &desktopOrigin);
  const ScenePlatform platform = Win32ScenePlatform(window);
  SetUpDesktop(desktop, TheAnimationState().settings, seed, &platform);
}

// Gives back every view's scene and frees its molecules.
void ReleaseDesktop(HWND window) {
  // The scenes' palettes are selected in the window's own context: put the stock
  // one there before they go.
  if (const HDC dc = GetDC(window); dc != nullptr) {
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    ReleaseDC(window, dc);
  }
  for (auto& view : TheDesktop().views) {
    FreeMolecules(view->state);
    ReleaseScene(view->scene);
  }
  TheDesktop().views.clear();
}

void SetUp(HWND window) {
  AnimationState& state = TheAnimationState();
  MeasureWindow(window, state.scale, state.width, state.height);
  LoadSettings();
  const uint32_t seed = ChooseSeed();
  SeedRandom(state.random, seed);
  LoadSounds(state);
  if (RunsDesktop(window)) {
    SetUpDesktopOn(window, seed);
  } else {
    SetUpAnimation(state, TheSpriteScene(), Win32ScenePlatform(window));
  }
  state.timerId = static_cast<uint16_t>(SetTimer(window, kTimerId, kTickMilliseconds, nullptr));
}

void Tick(HWND window) {
  AnimationState& state = TheAnimationState();
  SpriteScene& scene = TheSpriteScene();
#if defined(SAVER_TICK_PROBE)
  // The count of ticks in the window's user data lets bench/saver-cpu read the
  // rate achieved, and the tests the end of a fixed run, from outside the process.
  const LONG_PTR ticks = GetWindowLongPtrA(window, GWLP_USERDATA);
  if (static_cast<uint32_t>(ticks) >= probeTickLimit) return;
  SetWindowLongPtrA(window, GWLP_USERDATA, ticks + 1);
#endif
  Desktop& desktop = TheDesktop();
  if (!desktop.views.empty()) {
    // Every animation steps, then each shows at its monitor's place in the window.
    StepDesktop(desktop, &PlaySoundImage, &state);
    for (auto& view : desktop.views) {
      RenderScene(view->scene, window, view->state.scale, view->area.left - desktopOrigin.x,
                  view->area.top - desktopOrigin.y);
    }
    return;
  }
  StepAnimation(state, scene, &PlaySoundImage, &state);
  RenderScene(scene, window, state.scale);
}

void TearDown(HWND window) {
  AnimationState& state = TheAnimationState();
  if (state.timerId != 0) KillTimer(window, state.timerId);
  state.timerId = 0;
  FreeMolecules(state);
  for (auto& view : TheDesktop().views) FreeMolecules(view->state);
  UnloadSounds(state);  // before the quit message: no sound outlives the window
  PostQuitMessage(0);
}

}  // namespace

void FitAnimationToWindow(HWND window) {
  AnimationState& state = TheAnimationState();
  if (RunsDesktop(window)) {
    // Starts over when a monitor came, went, moved or changed its size or scale.
    const Desktop& desktop = TheDesktop();
    const std::vector<ScreenRect> monitors = FindMonitorRectsOrScreen();
    POINT origin{};
    ClientToScreen(window, &origin);
    bool same = monitors == desktop.monitors && origin.x == desktopOrigin.x && origin.y == desktopOrigin.y;
    for (const auto& view : desktop.views) {
      const int32_t dpi = FindMonitorDpi(desktop.choice == MonitorChoice::Across ? monitors.front() : view->area);
      same = same && ScaleForDpi(dpi) == view->state.scale;
    }
    if (same && !desktop.views.empty()) return;
    ReleaseDesktop(window);
    // New molecules from the random source that goes on, as on one monitor.
    SetUpDesktopOn(window, static_cast<uint32_t>(ScaledRandom(state.random, 32767)) << 16 |
                               static_cast<uint32_t>(ScaledRandom(state.random, 32767)));
    InvalidateRect(window, nullptr, TRUE);
    return;
  }
  int32_t scale = 1, width = 0, height = 0;
  MeasureWindow(window, scale, width, height);
  if (scale == state.scale && width == state.width && height == state.height) return;
  SpriteScene& scene = TheSpriteScene();
  FreeMolecules(state);
  // The scene's palette is selected in the window's own context: put the stock
  // one there before the scene's goes.
  if (const HDC dc = GetDC(window); dc != nullptr) {
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    ReleaseDC(window, dc);
  }
  ReleaseScene(scene);
  state.scale = scale;
  state.width = width;
  state.height = height;
  SetUpAnimation(state, scene, Win32ScenePlatform(window));
  InvalidateRect(window, nullptr, TRUE);  // the old picture goes: black until the molecules draw
}

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
