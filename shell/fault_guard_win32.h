// A guard around the chosen mode and the saver window's procedure that reacts to
// processor faults as the system's last-chance handling would, and resets the
// screen-saver-running setting.
#pragma once

#include <windows.h>

#include <cstdint>

using GuardedBodyFn = int32_t (*)(void* context);

// Runs body(context) inside an exception frame of its own and returns its result.
// An exception that no nearer frame handles is shown to UnhandledExceptionFilter
// (so the system's top-level filter, error reporting or debugger see it as
// usual); its verdict is followed: continue execution, keep searching outer
// frames, or recover. Recovery unwinds the frames above the guard, turns the
// screen-saver-running setting off and returns `faultResult`; it works for every
// exception, those that cannot be continued included. Called by ShellMain around
// the whole run of a mode; may be nested.
int32_t RunGuarded(GuardedBodyFn body, void* context, int32_t faultResult);

// Calls procedure(window, message, wParam, lParam) inside RunGuarded and returns
// its result; after a recovery the process ends at once with `faultExitCode`.
// For window procedures that the system calls back into (a creation message
// inside CreateWindowExA, a message sent from another thread): on 64-bit Windows
// an exception does not cross such a callback to reach the guard around the mode.
LRESULT CallWindowProcedureGuarded(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   int32_t faultExitCode);

// Ends the process at once with `exitCode`, turning the screen-saver-running setting
// off first, as a recovery does. For the runtime's fatal errors (memory refused to
// a container, a size past the maximum), after which the process would otherwise
// end with the setting on and the system's task keys off until a restart. Called
// by the program's runtime (release_runtime_win32.cpp, lean_runtime_win32.cpp).
[[noreturn]] void EndAfterFatalError(UINT exitCode);
