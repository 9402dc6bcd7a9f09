// The animation's random source: the C runtime's classic rand() generator, kept
// as our own record so that every compiler and platform draws the same numbers.
#pragma once

#include <cstdint>

struct RandomSource {
  uint32_t state = 1;  // the runtime's generator starts at 1 until seeded
};

// Sets the generator state. The animation seeds once per window creation with
// the calendar time in whole seconds since 1970.
void SeedRandom(RandomSource& source, uint32_t seed);

// One draw: state = state * 214013 + 2531011 (mod 2^32); returns bits 16..30,
// a value in 0..32767.
int32_t NextRandom(RandomSource& source);

// floor(r * n / 32767) for the next draw r: 0..n inclusive for n >= 0, where n
// itself comes only from the draw 32767. Consumes exactly one draw.
int32_t ScaledRandom(RandomSource& source, int32_t n);
