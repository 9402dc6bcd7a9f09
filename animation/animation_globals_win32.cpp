// The process's one set of settings and one desktop.
#include "animation/animation_globals_win32.h"

SaverSettings& TheSettings() {
  static SaverSettings settings;
  return settings;
}

MonitorChoice& TheMonitorChoice() {
  static MonitorChoice choice = kDefaultMonitorChoice;
  return choice;
}

Desktop& TheDesktop() {
  static Desktop desktop;
  return desktop;
}
