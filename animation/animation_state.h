// The animation's state: window size, settings, molecules, random source, sounds.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "animation/random_source.h"
#include "animation/settings.h"
#include "animation/screen_rect.h"

struct Molecule {
  int32_t vx;     // 1/16 pixel per tick: -64, -32, 32 or 64
  int32_t vy;
  int32_t x;      // centre in 1/16 pixel: 0..16*width after every step
  int32_t y;
  int32_t frame;  // rotation frame 0..31 (32 only before the first step)
  int32_t spin;   // > 0 turns forward, <= 0 backward
};

// N molecules in one block; molecule i drives sprite i of the scene.
struct MoleculeTable {
  std::unique_ptr<Molecule[]> records;
  int32_t count = 0;

  Molecule* begin() { return records.get(); }
  Molecule* end() { return records.get() + count; }
};

struct AnimationState {
  int32_t width = 0;   // in the animation's pixels: the client area divided by `scale`
  int32_t height = 0;
  int32_t scale = 1;   // screen pixels per animation pixel, across and down (high-DPI screens)
  SaverSettings settings;
  MoleculeTable molecules;
  int32_t ambientTicks = 0;  // never reset by window creation
  bool playsAmbient = true;  // false: this animation never asks for the ambient sound
  // Where a molecule's centre may be, in the animation's pixels: the union of
  // these rectangles (edges included; rectangles that touch join). Empty: the
  // whole 0..width x 0..height, as on one screen.
  std::vector<ScreenRect> regions;
  RandomSource random;
};
