// Strict decimal parsing of the host tools' command-line values.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdlib>

// Parses the whole of `text` as a decimal integer in [low, high]; false on an
// empty or absent text, trailing characters, overflow or a value out of range.
inline bool ParseInteger(const char* text, int64_t low, int64_t high, int64_t& out) {
  if (text == nullptr || *text == '\0') return false;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = value;
  return true;
}
