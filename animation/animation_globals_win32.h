// The process's one set of settings and one desktop, for the window procedures and the dialog.
#pragma once

#include "animation/desktop.h"
#include "animation/settings.h"

// The settings of the process. Only the window procedures, the configuration
// dialog and the entry reach for them; everything below them takes the record
// it works on as a parameter.
SaverSettings& TheSettings();

// The "Monitors" setting: loaded with the other settings, edited by the dialog,
// written by its OK. The full-screen saver reads it before its window is made.
MonitorChoice& TheMonitorChoice();

// The animation window's desktop: its animations and one picture per monitor
// it covers (full screen over every monitor: the system's monitors; the primary
// alone or the preview: the window's client area as one monitor). Set up when
// the window is created, made again after a display change, released with it.
Desktop& TheDesktop();
