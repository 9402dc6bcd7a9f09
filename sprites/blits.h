// Rectangle blits between 8-bit images: save, restore and the transparent draw.
#pragma once

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

// DrawTransparent between 32-bit images: `source` is sourceWidth x
// sourceHeight pixels, `target` targetWidth x targetHeight with its rows
// `pixelsPerRow` apart, both top row first; every source pixel but
// `transparent` is copied. The same pairs of pixels as DrawTransparent.
// `spans`, when not null, holds two numbers per source row: its first pixel
// that is not transparent and one past its last (equal: none); only that
// stretch of each row is looked at.
void DrawTransparentPixels(const uint32_t* source, const int32_t* spans, int32_t sourceWidth, int32_t sourceHeight,
                           uint32_t transparent, uint32_t* target, int32_t targetWidth, int32_t targetHeight,
                           int32_t pixelsPerRow, int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx, int32_t sy);
