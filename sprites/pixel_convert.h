// Conversion of the back buffer's 8-bit indices to 32-bit true-colour pixels
// through its colour table, for hosts whose screens have no palette.
#pragma once

#include <array>
#include <cstdint>

#include "sprites/dib_image.h"
#include "sprites/sprite_scene.h"

// Where red, green, blue and alpha lie in a 32-bit pixel, as a true-colour
// visual describes them. Alpha is 0 when the pixel has none.
struct PixelLayout {
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
  uint32_t alphaMask = 0;
};

using PixelTable = std::array<uint32_t, 256>;

// Builds the 32-bit pixel of each of the 256 entries of `colourTable` (4-byte
// blue, green, red, reserved entries, as in a DIB), alpha opaque. Each colour
// mask must be one contiguous run of 1 to 8 bits; a component with fewer bits
// keeps its high bits. `swapBytes` gives the pixels in the opposite byte order
// (an image whose byte order differs from the host's). False, leaving `table`
// untouched, for any other layout.
bool BuildPixelTable(const uint8_t* colourTable, const PixelLayout& layout, bool swapBytes,
                     PixelTable& table);

// Converts `count` indices to pixels through `table`.
void ConvertIndexedRow(const uint8_t* indices, uint32_t* pixels, int32_t count, const PixelTable& table);

// Converts `rect`, which must lie inside `backBuffer` (ClipRectToImage), into
// `pixels`, each back-buffer pixel as a block of `scale` x `scale` pixels (1 to
// kMaxPresentScale; nearest neighbour, no blending): the rectangle's top row to
// pixels[0 .. width * scale - 1], each next row of output `pixelsPerRow` further
// on, height * scale rows in all.
void ConvertBackBufferRect(const DibImage& backBuffer, SceneRect rect, const PixelTable& table,
                           uint32_t* pixels, int32_t pixelsPerRow, int32_t scale = 1);
