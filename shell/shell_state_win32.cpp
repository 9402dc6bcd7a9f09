// The process's shell record.
#include "shell/shell_state_win32.h"

ShellState& TheShellState() {
  static ShellState state;
  return state;
}
