// Conversion of 8-bit indices to 32-bit true-colour pixels through a colour table.
#include "sprites/pixel_convert.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Shift and width of a contiguous mask of 1..8 bits; false for anything else.
bool DescribeMask(uint32_t mask, int& shift, int& bits) {
  if (mask == 0) return false;
  shift = std::countr_zero(mask);
  bits = std::popcount(mask);
  return bits <= 8 && (mask >> shift) == (uint32_t{1} << bits) - 1;
}

}  // namespace

bool BuildPixelTable(const uint8_t* colourTable, const PixelLayout& layout, bool swapBytes,
                     PixelTable& table) {
  int shift[3], bits[3];
  const uint32_t masks[3] = {layout.redMask, layout.greenMask, layout.blueMask};
  for (int c = 0; c < 3; ++c) {
    if (!DescribeMask(masks[c], shift[c], bits[c])) return false;
  }
  if (((masks[0] | masks[1] | masks[2]) & layout.alphaMask) != 0 ||
      (masks[0] & masks[1]) != 0 || (masks[0] & masks[2]) != 0 || (masks[1] & masks[2]) != 0) {
    return false;
  }
  for (int i = 0; i < 256; ++i) {
    const uint8_t* entry = colourTable + 4 * i;  // blue, green, red, reserved
    const uint8_t rgb[3] = {entry[2], entry[1], entry[0]};
    uint32_t pixel = layout.alphaMask;
    for (int c = 0; c < 3; ++c) pixel |= uint32_t{rgb[c]} >> (8 - bits[c]) << shift[c];
    table[i] = swapBytes ? __builtin_bswap32(pixel) : pixel;
  }
  return true;
}

void ConvertIndexedRow(const uint8_t* indices, uint32_t* pixels, int32_t count, const PixelTable& table) {
  // Most of a sprite's rectangle is background, index 0: eight such indices in
  // a row are filled without looking them up.
  const uint32_t background = table[0];
  int32_t x = 0;
  for (; x + 8 <= count; x += 8) {
    uint64_t eight;
    std::memcpy(&eight, indices + x, sizeof eight);
    if (eight == 0) {
      for (int32_t k = 0; k < 8; ++k) pixels[x + k] = background;
    } else {
      for (int32_t k = 0; k < 8; ++k) pixels[x + k] = table[indices[x + k]];
    }
  }
  for (; x < count; ++x) pixels[x] = table[indices[x]];
}

void ConvertBackBufferRect(const DibImage& backBuffer, SceneRect rect, const PixelTable& table,
                           uint32_t* pixels, int32_t pixelsPerRow, int32_t scale) {
  // Rows of a wide back buffer lie pages apart: asking for the next rows early
  // overlaps their address translation and loading with this row's work.
  constexpr int32_t kRowsAhead = 4;
  for (int32_t y = 0; y < std::min(kRowsAhead, rect.height); ++y) {
    __builtin_prefetch(PixelAt(backBuffer, rect.left, rect.top + y));
  }
  for (int32_t y = 0; y < rect.height; ++y) {
    const uint8_t* source = PixelAt(backBuffer, rect.left, rect.top + y);
    if (source == nullptr) return;
    if (y + kRowsAhead < rect.height) __builtin_prefetch(PixelAt(backBuffer, rect.left, rect.top + y + kRowsAhead));
    uint32_t* row = pixels + static_cast<size_t>(y) * scale * pixelsPerRow;
    ConvertIndexedRow(source, row, rect.width, table);
    if (scale <= 1) continue;
    // The row is widened in place from its end backwards, so that no block
    // covers a pixel still to be read; then the row's copies follow below it.
    for (int32_t x = rect.width - 1; x >= 0; --x) {
      const uint32_t pixel = row[x];
      for (int32_t k = scale - 1; k >= 0; --k) row[x * scale + k] = pixel;
    }
    for (int32_t k = 1; k < scale; ++k) {
      std::memcpy(row + static_cast<size_t>(k) * pixelsPerRow, row, sizeof(uint32_t) * rect.width * scale);
    }
  }
}
