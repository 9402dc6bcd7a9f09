// A guard around the chosen mode that reacts to processor faults as the system's
// last-chance handling would, and resets the screen-saver-running setting.
#pragma once

#include <cstdint>

using GuardedBodyFn = int32_t (*)(void* context);

// Runs body(context) inside an exception frame of its own and returns its result.
// A fault that no nearer frame handles is shown to UnhandledExceptionFilter (so the
// system's top-level filter, error reporting or debugger see it as usual); its
// verdict is followed: continue execution, keep searching outer frames, or
// recover. Recovery unwinds the frames above the guard, turns the
// screen-saver-running setting off and returns `faultResult`. Called by ShellMain
// around the whole run of a mode; may be nested.
int32_t RunGuarded(GuardedBodyFn body, void* context, int32_t faultResult);
