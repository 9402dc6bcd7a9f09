// Typed look-up of a function exported by a library loaded at run time.
#pragma once

#include <windows.h>

// GetProcAddress with the function's real type; null when `module` is null or
// does not export `name`. The caller must name the true signature.
template <typename Fn>
Fn FindProcedure(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  // Through void*: FARPROC's own type says nothing about the function.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
