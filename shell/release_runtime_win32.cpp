// The release .scr's own small runtime, linked in place of the C runtime and the
// MinGW start-up code (-nostdlib): the entry point, memory from the process heap,
// the memory functions the compiler calls, and the C++ runtime's allocation and
// error entry points. The first releases of Windows 95 have no MSVCRT.DLL, and the
// prebuilt runtime libraries are compiled for newer processors than the i486.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <new>

#include "shell/fault_guard_win32.h"
#include "shell/shell_main_win32.h"

namespace {

// Ends the program with abort()'s exit code: what the C++ runtime does on a
// failed allocation or an oversized container when nothing catches it.
[[noreturn]] void Abort() { EndAfterFatalError(3); }

void* Allocate(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1); }

void Release(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace

// The linker's list of static constructors: -1, the constructors, 0.
extern "C" void (*__CTOR_LIST__[])();

// The process starts here (the linker's default entry for a GUI program): the
// static constructors, last first as the linker collected them, then the shell,
// which ends the process itself.
extern "C" [[noreturn]] void WinMainCRTStartup() {
  size_t count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  while (count > 0) __CTOR_LIST__[count--]();
  ShellEntry();
  ExitProcess(0);
}

// Static objects' destructors would be registered here; the program ends with
// ExitProcess, which runs none, so none is kept.
extern "C" int atexit(void (*)()) { return 0; }

// The copy the compiler calls for the sprites' rows (64 bytes or so, thousands a
// tick): four words a turn through registers, which on today's processors costs
// a row less than the string instructions' start-up does, and on the i486 about
// the same. This file is compiled with -fno-tree-loop-distribute-patterns, so
// that the loops are not turned back into calls of this very function.
extern "C" void* memcpy(void* to, const void* from, size_t size) {
  auto* target = static_cast<uint8_t*>(to);
  const auto* source = static_cast<const uint8_t*>(from);
  for (; size >= 16; size -= 16, target += 16, source += 16) {
    uint32_t words[4];
    __builtin_memcpy(words, source, sizeof words);
    __builtin_memcpy(target, words, sizeof words);
  }
  for (; size > 0; --size) *target++ = *source++;
  return to;
}

// Fills and backward moves with the string instructions, which every x86 has; the
// direction flag is clear on every call (the Windows ABI).
extern "C" void* memset(void* to, int value, size_t size) {
  void* end = to;
  size_t words = size / 4, bytes = size % 4;
  const uint32_t pattern = static_cast<uint8_t>(value) * 0x01010101u;
  asm volatile("rep stosl" : "+D"(end), "+c"(words) : "a"(pattern) : "memory");
  asm volatile("rep stosb" : "+D"(end), "+c"(bytes) : "a"(pattern) : "memory");
  return to;
}

// A forward copy is right unless the target starts inside the source; then
// it copies from the last byte down.
extern "C" void* memmove(void* to, const void* from, size_t size) {
  const uintptr_t target = reinterpret_cast<uintptr_t>(to), source = reinterpret_cast<uintptr_t>(from);
  if (target - source >= size) return memcpy(to, from, size);
  void* last = static_cast<char*>(to) + size - 1;
  const void* lastSource = static_cast<const char*>(from) + size - 1;
  asm volatile("std\n\trep movsb\n\tcld" : "+D"(last), "+S"(lastSource), "+c"(size) : : "memory", "cc");
  return to;
}

// The C++ allocation functions on the process heap. The saver asks with
// std::nothrow where it can go on without the memory; the standard containers
// ask without, and end the program when refused, as an uncaught bad_alloc would.
void* operator new(size_t size) {
  void* block = Allocate(size);
  if (block == nullptr) Abort();
  return block;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, size_t) noexcept { Release(block); }
void operator delete[](void* block, size_t) noexcept { Release(block); }

namespace std {

const nothrow_t nothrow{};

// The library headers' error paths; with exceptions off they end the program.
[[noreturn]] void __throw_bad_alloc() { Abort(); }
[[noreturn]] void __throw_length_error(const char*) { Abort(); }
[[noreturn]] void __throw_bad_array_new_length() { Abort(); }

}  // namespace std
