// Benchmark of a frame's conversion of back-buffer rectangles to 32-bit pixels
// (64 rectangles of 68 x 68 from a 1920 x 1080 back buffer) against a plain copy
// of the same number of 32-bit pixels.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "sprites/pixel_convert.h"

namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080, kRects = 64, kSide = 68;

SceneRect RectAt(int32_t i) { return {(i * 211) % (kWidth - kSide), (i * 97) % (kHeight - kSide), kSide, kSide}; }

void BM_ConvertRects(benchmark::State& state) {
  DibImage back;
  CreateBlank(back, kWidth, kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) *PixelAt(back, x, y) = static_cast<uint8_t>(x * 7 + y);
  }
  PixelTable table;
  for (int i = 0; i < 256; ++i) table[i] = 0x010101u * i;
  std::vector<uint32_t> out(static_cast<size_t>(kWidth) * kHeight);
  for (auto _ : state) {
    for (int32_t i = 0; i < kRects; ++i) {
      const SceneRect r = RectAt(i);
      ConvertBackBufferRect(back, r, table, out.data() + static_cast<size_t>(r.top) * kWidth + r.left, kWidth);
    }
    benchmark::ClobberMemory();
  }
}

void BM_CopyRects(benchmark::State& state) {
  std::vector<uint32_t> in(static_cast<size_t>(kWidth) * kHeight, 7), out(in.size());
  for (auto _ : state) {
    for (int32_t i = 0; i < kRects; ++i) {
      const SceneRect r = RectAt(i);
      for (int32_t y = r.top; y < r.top + r.height; ++y) {
        const size_t at = static_cast<size_t>(y) * kWidth + r.left;
        std::memcpy(out.data() + at, in.data() + at, r.width * sizeof(uint32_t));
      }
    }
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_ConvertRects);
BENCHMARK(BM_CopyRects);

}  // namespace

BENCHMARK_MAIN();
