// The program's entry: hands over to the shell, which reads the command line itself.
#include <windows.h>

#include "shell/shell_main_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { ShellEntry(); }
