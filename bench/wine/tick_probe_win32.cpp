// tick-probe CLASS TITLE: prints the tick count that a running brisel-bench.scr or
// the put reference keeps in its window's user data, or -1 when no such window exists.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: tick-probe CLASS TITLE\n", stderr);
    return 2;
  }
  HWND window = FindWindowA(argv[1], argv[2]);
  const long ticks = window != nullptr ? static_cast<long>(GetWindowLongPtrA(window, GWLP_USERDATA)) : -1;
  std::printf("%ld\n", ticks);
  return 0;
}
