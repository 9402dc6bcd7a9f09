// The program's entry, the choice of mode and the saver window with its message loop.
#pragma once

#include <windows.h>

#include <cstdint>

// The saver window class's name, by which a running full-screen saver is found.
constexpr char kSaverClassName[] = "WindowsScreenSaverClass";
constexpr char kFullScreenTitle[] = "Screen Saver";
constexpr char kPreviewTitle[] = "Preview";

// Exit code of a command line the saver cannot use (an unknown switch, a preview
// window that does not exist, "A" off the Win9x platform).
constexpr int32_t kUnusableCommandLine = -1;

// Exit code when the saver window could not be made, and after the fault guard recovered.
constexpr int32_t kSaverFailed = -1;

// The program's main routine, called by WinMain once the runtime has started.
// Reads the command line itself and ends the process with ShellMain's result.
[[noreturn]] void ShellEntry();

// Runs the one mode that `arguments` (the command line behind the program name)
// chooses, inside the fault guard, and returns the exit code. Stores `instance`
// and the platform line in the shell's record first.
int32_t ShellMain(HINSTANCE instance, const char* arguments);

// Runs the saver window: full screen when `parent` is null, else as the preview
// child of `parent`. Returns the quit code (0) once the window is gone, 0 at once
// when another full-screen saver runs, kSaverFailed when no window could be made.
int32_t RunSaverWindow(HWND parent);

// The preview in the window whose number starts `rest`; kUnusableCommandLine when
// it names no window.
int32_t RunPreview(const char* rest);

// The configuration dialog owned by `owner` (may be null); returns the dialog's result.
int32_t RunConfigureDialog(HWND owner);

// The system's password change, owned by the window whose number starts `rest`
// or else by the foreground window. Returns 0.
int32_t RunChangePassword(const char* rest);

// Where and how the saver window is made.
struct SaverWindowShape {
  HWND parent;  // null in full screen
  const char* title;
  DWORD style;
  DWORD extendedStyle;
  int width;
  int height;
  int x = 0;  // top-left corner: on the screen in full screen, in the parent's client area in preview
  int y = 0;
};

// The full-screen shape as the monitors are when called: the primary monitor,
// or with TheShellState().spansMonitors the bounds of every monitor (the
// screen where the system lists no monitors).
SaverWindowShape FullScreenShape();
SaverWindowShape PreviewShape(HWND parent);

// Registers the class "WindowsScreenSaverClass" and creates the saver window of
// `shape`, which runs the animation's set-up before this returns; stores the
// handle in the shell's record. Null when the class or the window cannot be made
// (a class still registered from an earlier window counts as failure). Used by
// RunSaverWindow, and by tests that drive the window's messages themselves.
HWND CreateSaverWindow(const SaverWindowShape& shape);

// Called by the frame procedure after a display change: moves and sizes the
// full-screen saver window to FullScreenShape's, without taking activation.
void CoverFullScreen(HWND window);
