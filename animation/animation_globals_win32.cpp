// The process's one animation state.
#include "animation/animation_globals_win32.h"

AnimationState& TheAnimationState() {
  static AnimationState state;
  return state;
}
