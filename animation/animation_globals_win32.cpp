// The process's one animation state and sprite scene.
#include "animation/animation_globals_win32.h"

AnimationState& TheAnimationState() {
  static AnimationState state;
  return state;
}

SpriteScene& TheSpriteScene() {
  static SpriteScene scene;
  return scene;
}

MonitorChoice& TheMonitorChoice() {
  static MonitorChoice choice = kDefaultMonitorChoice;
  return choice;
}

Desktop& TheDesktop() {
  static Desktop desktop;
  return desktop;
}
