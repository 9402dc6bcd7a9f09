// Rectangle blits between 8-bit images: save, restore and the transparent draw.
#include "sprites/blits.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Stride of an image whose pixel lookups succeeded (so info is set).
int64_t StrideOf(const DibImage& image) {
  return RowStride(static_cast<int32_t>(LoadInfoHeader(image.info).biWidth));
}

// A rectangle of `large`, clipped to it; coordinates in 64 bits so that no
// position near the ends of the 32-bit range can overflow.
struct Clip {
  int64_t x, y, w, h;
};

bool ClipToLarge(const DibImage& small, const DibImage& large, int32_t x, int32_t y, Clip& c) {
  if (small.header == nullptr) return false;
  c = {x, y, small.width, small.height};
  if (c.x < 0) {
    c.w += c.x;
    c.x = 0;
  }
  if (c.x + c.w > large.width) c.w = large.width - c.x;
  if (c.w <= 0) return false;
  if (c.y < 0) {
    c.h += c.y;
    c.y = 0;
  }
  if (c.y + c.h > large.height) c.h = large.height - c.y;
  return c.h > 0;
}

// Rows of a sprite's width are short: copied 16 bytes at a time inline (the last
// block overlapping the one before) rather than by a call per row, which in
// WebAssembly is a byte loop of the C library.
void CopyRows(const uint8_t* from, int64_t fromStride, uint8_t* to, int64_t toStride,
              int64_t w, int64_t h) {
  for (int64_t row = 0; row < h; ++row) {
    if (w >= 16) {
      int64_t i = 0;
      for (; i + 16 <= w; i += 16) std::memcpy(to + i, from + i, 16);
      if (i < w) std::memcpy(to + w - 16, from + w - 16, 16);
    } else {
      std::memcpy(to, from, static_cast<size_t>(w));
    }
    from += fromStride;
    to += toStride;
  }
}

#if defined(__SSE2__)
// 16 pixels at once: the target keeps its byte where the source is transparent.
// Every block is read, selected and written, with no branch on whether it is
// wholly transparent or opaque: that changes from block to block, and a
// mispredicted branch costs more than the load and store it would save.
inline void Select16(const uint8_t* src, uint8_t* dst, __m128i key) {
  const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  const __m128i clear = _mm_cmpeq_epi8(s, key);
  __m128i* d = reinterpret_cast<__m128i*>(dst);
  const __m128i old = _mm_loadu_si128(d);
  _mm_storeu_si128(d, _mm_or_si128(_mm_and_si128(clear, old), _mm_andnot_si128(clear, s)));
}
#endif

void DrawRow(const uint8_t* src, uint8_t* dst, int64_t w) {
#if defined(__SSE2__)
  if (w >= 16) {
    const __m128i key = _mm_set1_epi8(static_cast<char>(TRANSPARENT_INDEX));
    int64_t i = 0;
    for (; i + 16 <= w; i += 16) Select16(src + i, dst + i, key);
    // The last block overlaps bytes already done; the select gives them the
    // same values again, so the overlap is harmless.
    if (i < w) Select16(src + w - 16, dst + w - 16, key);
    return;
  }
  int64_t i = 0;
#else
  // Without SSE2 (the i486, WebAssembly): eight pixels at once in a 64-bit word,
  // wholly transparent blocks skipped and wholly opaque ones copied. The word
  // XOR the key has a zero byte wherever the source is transparent; the
  // expression below is not zero exactly when some byte is.
  constexpr uint64_t kOnes = 0x0101010101010101u, kHighBits = 0x8080808080808080u;
  constexpr uint64_t kKey = kOnes * TRANSPARENT_INDEX;
  int64_t i = 0;
  for (; i + 8 <= w; i += 8) {
    uint64_t block;
    std::memcpy(&block, src + i, sizeof block);
    const uint64_t clear = block ^ kKey;
    if (clear == 0) continue;
    if (((clear - kOnes) & ~clear & kHighBits) == 0) {
      std::memcpy(dst + i, &block, sizeof block);
      continue;
    }
    for (int64_t k = i; k < i + 8; ++k) {
      if (src[k] != TRANSPARENT_INDEX) dst[k] = src[k];
    }
  }
#endif
  for (; i < w; ++i) {
    if (src[i] != TRANSPARENT_INDEX) dst[i] = src[i];
  }
}

// Clips one axis of a copy from [s, s + n) of the source to [d, d + n) of the
// target: first to the target's extent, then to the source's, moving the other
// start along so that source and target pixels stay paired. False when nothing
// is left.
bool ClipAxis(int64_t& d, int64_t& s, int64_t& n, int64_t targetExtent, int64_t sourceExtent) {
  if (d < 0) {
    n += d;
    s -= d;
    d = 0;
  }
  if (d + n > targetExtent) n = targetExtent - d;
  if (s < 0) {
    n += s;
    d -= s;
    s = 0;
  }
  if (s + n > sourceExtent) n = sourceExtent - s;
  return n > 0;
}

}  // namespace

void SaveRect(DibImage& small, const DibImage& large, int32_t x, int32_t y) {
  Clip c;
  if (!ClipToLarge(small, large, x, y, c)) return;
  const uint8_t* from = PixelAt(large, static_cast<int32_t>(c.x), static_cast<int32_t>(c.y + c.h - 1));
  uint8_t* to = PixelAt(small, 0, static_cast<int32_t>(c.h - 1));
  if (from == nullptr || to == nullptr) return;
  CopyRows(from, StrideOf(large), to, StrideOf(small), c.w, c.h);
}

void RestoreRect(const DibImage& small, DibImage& large, int32_t x, int32_t y) {
  Clip c;
  if (!ClipToLarge(small, large, x, y, c)) return;
  const uint8_t* from = PixelAt(small, 0, static_cast<int32_t>(c.h - 1));
  uint8_t* to = PixelAt(large, static_cast<int32_t>(c.x), static_cast<int32_t>(c.y + c.h - 1));
  if (from == nullptr || to == nullptr) return;
  CopyRows(from, StrideOf(small), to, StrideOf(large), c.w, c.h);
}

void DrawTransparent(const DibImage& source, DibImage& target, int32_t dx32, int32_t dy32,
                     int32_t w32, int32_t h32, int32_t sx32, int32_t sy32) {
  if (source.header == nullptr) return;
  int64_t dx = dx32, dy = dy32, w = w32, h = h32, sx = sx32, sy = sy32;
  if (!ClipAxis(dx, sx, w, target.width, source.width)) return;
  if (!ClipAxis(dy, sy, h, target.height, source.height)) return;

  const uint8_t* src = PixelAt(source, static_cast<int32_t>(sx), static_cast<int32_t>(sy + h - 1));
  uint8_t* dst = PixelAt(target, static_cast<int32_t>(dx), static_cast<int32_t>(dy + h - 1));
  if (src == nullptr || dst == nullptr) return;
  const int64_t srcStride = StrideOf(source);
  const int64_t dstStride = StrideOf(target);
  for (int64_t row = 0; row < h; ++row) {
    DrawRow(src, dst, w);
    src += srcStride;
    dst += dstStride;
  }
}

void DrawTransparentPixels(const DibImage& source, const int32_t* spans,
                           const std::array<uint32_t, 256>& table, uint32_t* target,
                           int32_t targetWidth, int32_t targetHeight, int32_t pixelsPerRow,
                           int32_t dx32, int32_t dy32, int32_t w32, int32_t h32, int32_t sx32,
                           int32_t sy32) {
  if (source.header == nullptr) return;
  int64_t dx = dx32, dy = dy32, w = w32, h = h32, sx = sx32, sy = sy32;
  if (!ClipAxis(dx, sx, w, targetWidth, source.width)) return;
  if (!ClipAxis(dy, sy, h, targetHeight, source.height)) return;
  const uint8_t* top = PixelAt(source, static_cast<int32_t>(sx), static_cast<int32_t>(sy));
  if (top == nullptr) return;
  // From one source row to the one below it (DIB rows usually lie bottom-up).
  const ptrdiff_t rowStep =
      h > 1 ? PixelAt(source, static_cast<int32_t>(sx), static_cast<int32_t>(sy + 1)) - top : 0;
  for (int64_t row = 0; row < h; ++row) {
    int64_t first = 0, end = w;
    if (spans != nullptr) {
      first = std::max<int64_t>(first, spans[2 * (sy + row)] - sx);
      end = std::min<int64_t>(end, spans[2 * (sy + row) + 1] - sx);
    }
    const uint8_t* src = top + row * rowStep;
    uint32_t* dst = target + (dy + row) * pixelsPerRow + dx;
    for (int64_t i = first; i < end; ++i) {
      if (src[i] != TRANSPARENT_INDEX) dst[i] = table[src[i]];
    }
  }
}
