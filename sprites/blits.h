// Rectangle blits between 8-bit images: save, restore and the transparent draw.
#pragma once

#include <array>
#include <cstdint>

#include "sprites/dib_image.h"

// The palette index that the transparent draw never writes.
constexpr uint8_t TRANSPARENT_INDEX = 10;

// Copies the part of the rectangle (x, y, small.width, small.height) of `large`
// that lies inside `large` into `small`, to small's top-left corner however much
// was cut off at the left or the top. Nothing when `small` is empty. The scene
// calls it to keep the back-buffer pixels a sprite is about to cover.
void SaveRect(DibImage& small, const DibImage& large, int32_t x, int32_t y);

// The reverse of SaveRect with the same arguments: puts back exactly what it saved.
void RestoreRect(const DibImage& small, DibImage& large, int32_t x, int32_t y);

// Copies the source rectangle (sx, sy, w, h) to (dx, dy) in `target`, leaving
// target pixels alone wherever the source holds TRANSPARENT_INDEX. Source pixel
// (sx + i, sy + j) goes to target pixel (dx + i, dy + j) for every pair that lies
// inside both images; nothing else is read or written.
void DrawTransparent(const DibImage& source, DibImage& target, int32_t dx, int32_t dy,
                     int32_t w, int32_t h, int32_t sx, int32_t sy);

// DrawTransparent into 32-bit pixels: each source index that is not
// TRANSPARENT_INDEX becomes table[index] in `target`, an image of
// targetWidth x targetHeight pixels whose rows lie `pixelsPerRow` apart, top
// row first. The same pairs of pixels as DrawTransparent. `spans`, when not
// null, holds two numbers per source row: its first index that is not
// transparent and one past its last (equal: none); only that stretch of each
// row is looked at.
void DrawTransparentPixels(const DibImage& source, const int32_t* spans,
                           const std::array<uint32_t, 256>& table, uint32_t* target,
                           int32_t targetWidth, int32_t targetHeight, int32_t pixelsPerRow,
                           int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx, int32_t sy);
