// Ends of the C++ runtime's error paths for the .scr, linked in with --wrap in
// place of the runtime's own: the saver allocates with std::nothrow and bounds
// every size, so these paths are never taken, and an uncaught C++ exception (a
// refused allocation's among them) ends the program with abort()'s exit code
// either way, the screen-saver-running setting turned off first. What the
// runtime's versions drag into a static link (its exception texts, both string
// classes, the symbol demangler, about 130 KB) stays out of the program.
#include "shell/fault_guard_win32.h"

namespace {

constexpr UINT kAbortExitCode = 3;

}  // namespace

// Stands in for std::__throw_length_error (a container grown past its maximum).
extern "C" [[noreturn]] void __wrap__ZSt20__throw_length_errorPKc(const char*) { EndAfterFatalError(kAbortExitCode); }

// Stands in for std::__throw_bad_array_new_length (an array size past the maximum).
extern "C" [[noreturn]] void __wrap__ZSt28__throw_bad_array_new_lengthv() { EndAfterFatalError(kAbortExitCode); }

// Stands in for the handler that prints an uncaught exception's demangled type.
extern "C" void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() { EndAfterFatalError(kAbortExitCode); }
