// The monitors the saver shows on and how the animation spreads over them: the
// primary only, one animation on each monitor, or one flock across all of them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "animation/animation.h"
#include "animation/headless_view.h"
#include "shell/monitors.h"

enum class MonitorChoice : int32_t {
  Main,    // the animation on the primary monitor, the others black
  Each,    // every monitor its own animation, on its own size
  Across,  // one animation whose molecules cross from monitor to monitor
};
constexpr MonitorChoice kDefaultMonitorChoice = MonitorChoice::Each;

// The profile key of the choice, beside the three settings.
constexpr const char* kMonitorsKey = "Monitors";

// "main", "each" or "across" (as MonitorChoiceName spells them, in any case):
// sets `choice` and returns true. Anything else, null included, leaves `choice`
// as it is and returns false; a stored value that is not understood reads as
// kDefaultMonitorChoice.
bool ParseMonitorChoice(const char* text, MonitorChoice& choice);
const char* MonitorChoiceName(MonitorChoice choice);

// The seed of animation k of a desktop started with `seed`: seed + k x
// 2654435769 (mod 2^32), so that animation 0 starts as the only one would and
// the others' first draws share nothing visible with it.
uint32_t AnimationSeed(uint32_t seed, int32_t k);

// The smallest rectangle holding every monitor that is not empty; all zero when
// none is.
ScreenRect FindDesktopBounds(const std::vector<ScreenRect>& monitors);

// One animation and the part of the desktop it shows on.
struct DesktopView {
  ScreenRect area;      // desktop pixels its back buffer shows on
  int32_t scale = 1;    // screen pixels per animation pixel here
  AnimationState state; // width x height: area's size divided by scale
  SpriteScene scene;
};

// A desktop's animations. Plain record; the edges keep one per saver.
struct Desktop {
  MonitorChoice choice = kDefaultMonitorChoice;
  std::vector<ScreenRect> monitors;  // desktop coordinates, the first primary
  ScreenRect bounds{};               // of the monitors: what a window spanning them covers
  std::vector<std::unique_ptr<DesktopView>> views;
};

// First half of the set-up: chooses the views for `choice` on `monitors`
// (desktop coordinates, the first one primary; empty: one screen of 0 x 0):
// main, the first monitor; each, every monitor that is not empty, mirrors and
// repeats once; across, one view over the bounds whose molecules keep to the
// monitors. Every view at scale 1; the caller may then set each view's scale
// before SetUpDesktop. Frees what the desktop had.
void PlanDesktop(Desktop& desktop, MonitorChoice choice, const std::vector<ScreenRect>& monitors);

// Second half: sets up view k's animation as SetUpAnimation does, on its area
// divided by its scale, with `settings`, seeded with AnimationSeed(seed, k);
// only view 0 asks for the ambient sound, so that it plays as often as on one
// screen. Scenes get their sheet and back buffer through `platform`; without
// one (the motion alone, for molecule-trace) no scene is built, but the sprites'
// pattern draws are still made, so that the molecules move as in the saver.
void SetUpDesktop(Desktop& desktop, const SaverSettings& settings, uint32_t seed, const ScenePlatform* platform);

// One tick of every view in order (StepAnimation; sounds to `playSound`, which
// may be null). The edge then renders each view's scene where its area is.
void StepDesktop(Desktop& desktop, PlaySoundFn playSound, void* soundContext);

// Renders every view's scene into `view` (which covers the desktop's bounds),
// each where its area lies and at its scale: the picture the saver shows, black
// where no monitor is. For the tools and tests.
void RenderDesktop(Desktop& desktop, HeadlessView& view);
