// The saver's three settings, as loaded from and saved to the profile file.
#pragma once

#include <cstdint>

struct SaverSettings {
  int32_t soundSwitch = 0;     // sound is on when > 0
  int32_t moleculeCount = 10;  // 1..64 once loaded
  int32_t soundFrequency = 2;  // 1..100 once loaded: per cent chance of the ambient sound
};
