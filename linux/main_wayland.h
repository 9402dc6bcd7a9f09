// The program on a Wayland compositor: full screen on every output, at once or
// when the desktop has been idle (-idle).
#pragma once

#include <string>

#include "shell/program_options.h"

struct wl_display;

// Connects to the compositor WAYLAND_DISPLAY names (with `anyway`, also to
// libwayland's default socket when it is not set). Null with a one-line reason
// in `error` when none answers. Called by main before choosing the edge.
wl_display* ConnectWayland(bool anyway, std::string& error);

// Runs the saver on `display`, which it takes and disconnects. `signalFd` is
// read end of the pipe the SIGTERM/SIGINT handler writes the signal's number
// to; a signal ends the run and is returned in `endSignal`. Returns the exit
// status: 0 after input or a signal, 1 when the compositor cannot be shown on
// or the session bus of GNOME's idle watch goes (with a message), 2 for -idle
// without an idle protocol or GNOME's idle monitor.
int RunWaylandProgram(const ProgramOptions& options, wl_display* display, int signalFd, int& endSignal);
