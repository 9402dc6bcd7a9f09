// Conversion of 8-bit indices to 32-bit true-colour pixels through a colour table.
#include "sprites/pixel_convert.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Shift and width of a contiguous mask of 1..8 bits; false for anything else.
bool DescribeMask(uint32_t mask, int& shift, int& bits) {
  if (mask == 0) return false;
  shift = std::countr_zero(mask);
  bits = std::popcount(mask);
  return bits <= 8 && (mask >> shift) == (uint32_t{1} << bits) - 1;
}

// Whether 16 indices are all 0, the background.
inline bool IsBackground16(const uint8_t* indices) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(indices));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF;
#else
  uint64_t a, b;
  std::memcpy(&a, indices, sizeof a);
  std::memcpy(&b, indices + 8, sizeof b);
  return (a | b) == 0;
#endif
}

inline void Fill16(uint32_t* pixels, uint32_t pixel) {
#if defined(__SSE2__)
  const __m128i v = _mm_set1_epi32(static_cast<int>(pixel));
  for (int k = 0; k < 16; k += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + k), v);
#else
  for (int k = 0; k < 16; ++k) pixels[k] = pixel;
#endif
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
  // Most of a sprite's rectangle is background, index 0: sixteen such indices
  // in a row are filled without looking them up.
  const uint32_t background = table[0];
  int32_t x = 0;
  for (; x + 16 <= count; x += 16) {
    if (IsBackground16(indices + x)) {
      Fill16(pixels + x, background);
    } else {
      for (int32_t k = 0; k < 16; ++k) pixels[x + k] = table[indices[x + k]];
    }
  }
  for (; x < count; ++x) pixels[x] = table[indices[x]];
}

namespace {

// A row at scale 2: each index as two equal pixels, written as one 64-bit pair.
void ConvertIndexedRowDoubled(const uint8_t* indices, uint32_t* pixels, int32_t count, const PixelTable& table) {
  const uint32_t background = table[0];
  int32_t x = 0;
  const auto putPair = [pixels, &table](int32_t at, uint8_t index) {
    const uint64_t pair = uint64_t{table[index]} * 0x1'0000'0001u;
    std::memcpy(pixels + 2 * at, &pair, sizeof pair);
  };
  for (; x + 16 <= count; x += 16) {
    if (IsBackground16(indices + x)) {
      Fill16(pixels + 2 * x, background);
      Fill16(pixels + 2 * x + 16, background);
    } else {
      for (int32_t k = 0; k < 16; ++k) putPair(x + k, indices[x + k]);
    }
  }
  for (; x < count; ++x) putPair(x, indices[x]);
}

}  // namespace

void ConvertBackBufferRect(const DibImage& backBuffer, SceneRect rect, const PixelTable& table,
                           uint32_t* pixels, int32_t pixelsPerRow, int32_t scale) {
  if (rect.width <= 0 || rect.height <= 0) return;
  const uint8_t* source = PixelAt(backBuffer, rect.left, rect.top);
  if (source == nullptr || PixelAt(backBuffer, rect.left + rect.width - 1, rect.top + rect.height - 1) == nullptr) {
    return;
  }
  // From one row to the one below it in the image's memory (DIBs store rows
  // bottom-up, so usually a step back).
  const ptrdiff_t rowStep = rect.height > 1 ? PixelAt(backBuffer, rect.left, rect.top + 1) - source : 0;
  // Rows of a wide back buffer lie pages apart: asking for the next rows early
  // overlaps their address translation and loading with this row's work.
  constexpr int32_t kRowsAhead = 4;
  for (int32_t y = 0; y < std::min(kRowsAhead, rect.height); ++y) __builtin_prefetch(source + y * rowStep);
  for (int32_t y = 0; y < rect.height; ++y, source += rowStep) {
    if (y + kRowsAhead < rect.height) __builtin_prefetch(source + kRowsAhead * rowStep);
    uint32_t* row = pixels + static_cast<size_t>(y) * scale * pixelsPerRow;
    if (scale == 2) {
      ConvertIndexedRowDoubled(source, row, rect.width, table);
    } else {
      ConvertIndexedRow(source, row, rect.width, table);
    }
    if (scale <= 1) continue;
    if (scale > 2) {
      // The row is widened in place from its end backwards, so that no block
      // covers a pixel still to be read.
      for (int32_t x = rect.width - 1; x >= 0; --x) {
        const uint32_t pixel = row[x];
        for (int32_t k = scale - 1; k >= 0; --k) row[x * scale + k] = pixel;
      }
    }
    // Then the row's copies follow below it.
    for (int32_t k = 1; k < scale; ++k) {
      std::memcpy(row + static_cast<size_t>(k) * pixelsPerRow, row, sizeof(uint32_t) * rect.width * scale);
    }
  }
}
