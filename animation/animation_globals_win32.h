// The process's one animation state, for the window procedures and the dialog.
#pragma once

#include "animation/animation_state.h"
#include "sprites/sprite_scene.h"

// The animation state of the process, settings included. Only the window
// procedures, the configuration dialog and the entry reach for it; everything
// below them takes the record it works on as a parameter.
AnimationState& TheAnimationState();

// The process's one sprite scene. The animation creates it when its window is
// created; it lasts until the process ends.
SpriteScene& TheSpriteScene();
