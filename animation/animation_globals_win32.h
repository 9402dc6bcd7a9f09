// The process's one animation state, for the window procedures and the dialog.
#pragma once

#include "animation/animation_state.h"

// The animation state of the process, settings included. Only the window
// procedures, the configuration dialog and the entry reach for it; everything
// below them takes the record it works on as a parameter.
AnimationState& TheAnimationState();
