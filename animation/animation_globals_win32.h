// The process's one animation state, for the window procedures and the dialog.
#pragma once

#include "animation/animation_state.h"
#include "animation/desktop.h"
#include "sprites/sprite_scene.h"

// The animation state of the process, settings included. Only the window
// procedures, the configuration dialog and the entry reach for it; everything
// below them takes the record it works on as a parameter.
AnimationState& TheAnimationState();

// The process's one sprite scene. The animation creates it when its window is
// created; it lasts until the process ends.
SpriteScene& TheSpriteScene();

// The "Monitors" setting: loaded with the other settings, edited by the dialog,
// written by its OK. The full-screen saver reads it before its window is made.
MonitorChoice& TheMonitorChoice();

// The full-screen saver's animations when it spans the monitors (each, across):
// one view per animation, drawn on the one window at its area's offset. Empty
// for `main` and the preview, which run on TheAnimationState and TheSpriteScene.
Desktop& TheDesktop();
