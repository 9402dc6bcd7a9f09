// The animation's window procedure: set-up on creation, a step per 50 ms tick,
// tear-down on destruction; everything else goes on to ShellDefaultProc.
#include "animation/animation_window_win32.h"

#include <vector>

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

// What the animation window keeps beside its desktop while it lives.
struct WindowRun {
  SoundImages sounds;
  RandomSource random;  // seeds the desktops made after a display change
  POINT origin{};       // where the client area begins on the virtual screen
};

WindowRun run;

// Whether the window is full screen over every monitor ("each", "across"); the
// primary alone and the preview are one monitor of the client area's size.
bool SpansMonitors(HWND window) { return GetParent(window) == nullptr && TheShellState().spansMonitors; }

// The monitors the window shows on, in virtual-screen pixels: the system's when
// it spans them, else its client area at `origin`.
std::vector<ScreenRect> ListMonitors(HWND window, POINT origin) {
  if (SpansMonitors(window)) return FindMonitorRectsOrScreen();
  RECT client{};
  GetClientRect(window, &client);
  return {{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom}};
}

// The scale of a view on `area`: spanning the monitors, its monitor's DPI
// ("across": the primary's for the whole flock, so that a molecule keeps its
// size and speed as it crosses); else the screen's (a preview's is its parent's).
int32_t ChooseScale(HWND window, const Desktop& desktop, const ScreenRect& area) {
  if (!SpansMonitors(window)) {
    const HWND parent = GetParent(window);
    return ScaleForDpi(FindWindowDpi(parent != nullptr ? parent : window));
  }
  return ScaleForDpi(FindMonitorDpi(desktop.choice == MonitorChoice::Across ? desktop.monitors.front() : area));
}

// The desktop on `monitors`, new molecules seeded with `seed`.
void SetUpDesktopOn(HWND window, const std::vector<ScreenRect>& monitors, uint32_t seed) {
  Desktop& desktop = TheDesktop();
  PlanDesktop(desktop, TheMonitorChoice(), monitors);
  for (auto& view : desktop.views) view->scale = ChooseScale(window, desktop, view->area);
  const ScenePlatform platform = Win32ScenePlatform(window);
  SetUpDesktop(desktop, TheSettings(), seed, &platform);
}

// Gives back every picture's platform objects and frees the molecules.
void ReleaseWindowDesktop(HWND window) {
  // The scenes' palettes are selected in the window's own context: put the stock
  // one there before they go.
  if (const HDC dc = GetDC(window); dc != nullptr) {
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    ReleaseDC(window, dc);
  }
  ReleaseDesktop(TheDesktop(), &ReleaseScene);
}

void SetUp(HWND window) {
  LoadSettings();
  const uint32_t seed = ChooseSeed();
  SeedRandom(run.random, seed);
  LoadSounds(run.sounds);
  run.origin = {};
  ClientToScreen(window, &run.origin);
  SetUpDesktopOn(window, ListMonitors(window, run.origin), seed);
  SetTimer(window, kTimerId, kTickMilliseconds, nullptr);
}

void Tick(HWND window) {
#if defined(SAVER_TICK_PROBE)
  // The count of ticks in the window's user data lets bench/saver-cpu read the
  // rate achieved, and the tests the end of a fixed run, from outside the process.
  const LONG_PTR ticks = GetWindowLongPtrA(window, GWLP_USERDATA);
  if (static_cast<uint32_t>(ticks) >= probeTickLimit) return;
  SetWindowLongPtrA(window, GWLP_USERDATA, ticks + 1);
#endif
  StepDesktop(TheDesktop(), &PlaySoundImage, &run.sounds);
  WindowTarget target{window, nullptr};
  PresentDesktop(TheDesktop(), MakeWindowSink(target, run.origin.x, run.origin.y));
}

void TearDown(HWND window) {
  KillTimer(window, kTimerId);
  ReleaseWindowDesktop(window);
  UnloadSounds(run.sounds);  // before the quit message: no sound outlives the window
  PostQuitMessage(0);
}

}  // namespace

void FitAnimationToWindow(HWND window) {
  // Starts over when a monitor came, went, moved or changed its size or scale,
  // or the window moved or changed its size.
  POINT origin{};
  ClientToScreen(window, &origin);
  const std::vector<ScreenRect> monitors = ListMonitors(window, origin);
  const Desktop& desktop = TheDesktop();
  bool same = monitors == desktop.monitors && origin.x == run.origin.x && origin.y == run.origin.y;
  for (const auto& view : desktop.views) same = same && view->scale == ChooseScale(window, desktop, view->area);
  if (same) return;
  ReleaseWindowDesktop(window);
  run.origin = origin;
  // New molecules from the random source that goes on.
  SetUpDesktopOn(window, monitors, static_cast<uint32_t>(ScaledRandom(run.random, 32767)) << 16 |
                                       static_cast<uint32_t>(ScaledRandom(run.random, 32767)));
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
