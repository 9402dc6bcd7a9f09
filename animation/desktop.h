// The monitors the saver shows on and how the animation spreads over them: the
// primary only, one animation on each monitor, or one flock across all of them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "animation/animation.h"
#include "animation/screen_rect.h"
#include "sprites/sprite_scene.h"

enum class MonitorChoice : int32_t {
  Main,    // the animation on the primary monitor, the others black
  Each,    // every monitor its own animation, on its own size
  Across,  // one animation whose molecules cross from monitor to monitor
};
constexpr MonitorChoice kDefaultMonitorChoice = MonitorChoice::Each;

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

// One picture of a desktop: a back buffer shown on one monitor (or one window),
// with the sprites of the animation whose molecules it shows.
struct DesktopView {
  ScreenRect area;      // desktop pixels its back buffer shows on: the monitor's (across:
                        // widened to whole animation pixels, fewer than `scale` more)
  int32_t scale = 1;    // screen pixels per animation pixel here
  AnimationState* state = nullptr;  // the animation it shows; the desktop owns it
  int32_t offsetX = 0;  // where the back buffer's top-left pixel lies in that
  int32_t offsetY = 0;  // animation's pixels (0, 0 but in across)
  SpriteScene scene;    // area's size divided by scale
};

// A desktop's animations and pictures. Plain record; the edges keep one per saver
// window (a window of its own or a preview is a desktop of one monitor).
struct Desktop {
  MonitorChoice choice = kDefaultMonitorChoice;
  std::vector<ScreenRect> monitors;  // desktop coordinates, the first primary
  ScreenRect bounds{};               // of the monitors: what a window spanning them covers
  // main and each: one per view, in the views' order; across: one flock over
  // the bounds, shown by every view.
  std::vector<std::unique_ptr<AnimationState>> animations;
  std::vector<std::unique_ptr<DesktopView>> views;
};

// First half of the set-up: chooses the views for `choice` on `monitors`
// (desktop coordinates, the first one primary; empty: one screen of 0 x 0):
// main, the first monitor; each, every monitor that is not empty, except a
// clone (one that shares pixels with a larger one, or with an earlier one of
// its size): the larger shows its animation there; across, every monitor that
// is not empty, all showing one flock whose molecules keep to the monitors.
// Every view at scale 1; the caller may then set each view's scale before
// SetUpDesktop (across runs at view 0's scale everywhere, so that a molecule
// keeps its size and speed as it crosses). Frees what the desktop had.
void PlanDesktop(Desktop& desktop, MonitorChoice choice, const std::vector<ScreenRect>& monitors);

// Second half: sets up each animation as SetUpAnimation does, on its area
// divided by its scale (across: the bounds), with `settings`, animation k seeded
// with AnimationSeed(seed, k); only animation 0 asks for the ambient sound, so
// that it plays as often as on one screen. Each view's scene (back buffer of its
// area divided by its scale) gets its sheet and back buffer through `platform`;
// without one (the motion alone, for molecule-trace) no scene is built, but the
// sprites' pattern draws are still made, so that the molecules move as in the
// saver. Across, the back buffers are the monitors' size: memory grows with the
// monitors' area, not with their bounds.
void SetUpDesktop(Desktop& desktop, const SaverSettings& settings, uint32_t seed, const ScenePlatform* platform);

// One tick of every animation in order (StepMolecules; sounds to `playSound`,
// which may be null), each view's sprites then showing its molecules at their
// place in its back buffer. The edge then presents the desktop (PresentDesktop).
void StepDesktop(Desktop& desktop, PlaySoundFn playSound, void* soundContext);

// Presents the frame StepDesktop made: every view's picture (PresentPicture)
// where its area lies, on the sink's target. Called by every edge once per tick,
// and by the tools and tests.
void PresentDesktop(Desktop& desktop, const DesktopSink& sink);

// Gives back every scene through `release` (the platform's objects; may be
// null), frees the molecules and empties the desktop's animations and views; the
// plan (choice, monitors, bounds) stays.
void ReleaseDesktop(Desktop& desktop, void (*release)(SpriteScene& scene));
