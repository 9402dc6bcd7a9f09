// The animation's random source.
#include "animation/random_source.h"

void SeedRandom(RandomSource& source, uint32_t seed) { source.state = seed; }

int32_t NextRandom(RandomSource& source) {
  source.state = source.state * 214013u + 2531011u;
  return static_cast<int32_t>((source.state >> 16) & 0x7FFFu);
}

int32_t ScaledRandom(RandomSource& source, int32_t n) {
  const int64_t r = NextRandom(source);
  return static_cast<int32_t>(r * n / 32767);
}
