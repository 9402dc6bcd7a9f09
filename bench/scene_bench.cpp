// Benchmark of one frame of the sprite scene (compose, choice of rectangles,
// restore) against the floor for the same bytes: row copies for the save and the
// restore and a plain SSE2 select for the transparent draw.
#include <benchmark/benchmark.h>

#include <emmintrin.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "sprites/blits.h"
#include "sprites/sprite_scene.h"

namespace {

constexpr int32_t kScreenWidth = 1920, kScreenHeight = 1080;
constexpr int32_t kSprites = 64, kSize = 64, kFrames = 32;

// A sheet shaped like the real one: 32 frames of a round drawing on the
// transparent index, about 60 % of its pixels transparent.
std::vector<uint8_t> MakeSheet() {
  const int32_t width = kSize, height = kSize * kFrames;
  std::vector<uint8_t> b(DIB_PIXEL_OFFSET + width * height, 0);
  DibInfoHeader h;
  h.biSize = kInfoHeaderSize;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 8;
  StoreInfoHeader(b.data(), h);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const int32_t dx = x - 32, dy = y % kSize - 32, k = y / kSize;
      const bool inside = dx * dx + dy * dy < 23 * 23 || (dx + k - 16) * (dx + k - 16) + (dy + 12) * (dy + 12) < 64;
      b[DIB_PIXEL_OFFSET + (height - 1 - y) * width + x] =
          inside ? static_cast<uint8_t>(11 + (x * 7 + y * 3) % 230) : TRANSPARENT_INDEX;
    }
  }
  return b;
}

ByteView BuiltInSheet(void* context, const char*) {
  const auto* sheet = static_cast<const std::vector<uint8_t>*>(context);
  return {sheet->data(), sheet->size()};
}

// Sprite centres that drift and bounce like the molecules, some standing out of
// the screen's edges.
struct Motion {
  int32_t x[kSprites], y[kSprites], vx[kSprites], vy[kSprites], frame[kSprites];
  Motion() {
    uint32_t seed = 12345;
    auto next = [&seed](int32_t n) {
      seed = seed * 1103515245 + 12345;
      return static_cast<int32_t>((seed >> 16) % static_cast<uint32_t>(n));
    };
    for (int32_t i = 0; i < kSprites; ++i) {
      x[i] = next(kScreenWidth);
      y[i] = next(kScreenHeight);
      vx[i] = next(2) ? 4 : -4;
      vy[i] = next(2) ? 2 : -2;
      frame[i] = next(kFrames);
    }
  }
  void Step() {
    for (int32_t i = 0; i < kSprites; ++i) {
      x[i] += vx[i];
      y[i] += vy[i];
      if (x[i] < 0 || x[i] > kScreenWidth) vx[i] = -vx[i];
      if (y[i] < 0 || y[i] > kScreenHeight) vy[i] = -vy[i];
      frame[i] = (frame[i] + 1) % kFrames;
    }
  }
};

void PutNothing(void*, const DibImage&, SceneRect rect) { benchmark::DoNotOptimize(rect); }

void BM_SceneFrame(benchmark::State& state) {
  std::vector<uint8_t> sheet = MakeSheet();
  ScenePlatform platform;
  platform.bitmaps.context = &sheet;
  platform.bitmaps.findBuiltIn = &BuiltInSheet;
  SpriteScene scene;
  CreateScene(scene, platform, kSprites, kFrames, 1, kScreenWidth, kScreenHeight);
  for (int32_t i = 0; i < kSprites; ++i) SetSpriteSize(scene, i, kSize, kSize);
  for (int32_t k = 0; k < kFrames; ++k) DefinePattern(scene, k, 0, 32, 32 + 64 * k);
  for (int32_t i = 0; i < kSprites; ++i) SetSpriteVisible(scene, i, 1);
  const PresentSink sink{nullptr, nullptr, &PutNothing, nullptr};
  Motion motion;
  for (auto _ : state) {
    motion.Step();
    for (int32_t i = 0; i < kSprites; ++i) {
      SetSpritePattern(scene, i, motion.frame[i]);
      SetSpriteCentre(scene, i, motion.x[i], motion.y[i]);
    }
    RenderScene(scene, sink);
    benchmark::ClobberMemory();
  }
}

// The same rectangles and bytes, done the plainest way: each sprite's clipped
// rectangle saved and restored as row copies, and drawn with a select of 16
// bytes at a time (or byte by byte, for comparison).
template <bool kBytewise>
void BM_Floor(benchmark::State& state) {
  std::vector<uint8_t> sheet = MakeSheet();
  const uint8_t* sheetPixels = sheet.data() + DIB_PIXEL_OFFSET;
  std::vector<uint8_t> screen(static_cast<size_t>(kScreenWidth) * kScreenHeight, 0);
  std::vector<uint8_t> stores(static_cast<size_t>(kSprites) * kSize * kSize);
  struct Clipped {
    int32_t x, y, w, h, sx, sy;
  };
  Clipped rects[kSprites];
  Motion motion;
  const __m128i key = _mm_set1_epi8(static_cast<char>(TRANSPARENT_INDEX));
  for (auto _ : state) {
    motion.Step();
    for (int32_t i = 0; i < kSprites; ++i) {
      Clipped& c = rects[i];
      c = {motion.x[i] - 32, motion.y[i] - 32, kSize, kSize, 0, 32 + 64 * motion.frame[i] - 32};
      if (c.x < 0) { c.w += c.x; c.sx -= c.x; c.x = 0; }
      if (c.x + c.w > kScreenWidth) c.w = kScreenWidth - c.x;
      if (c.y < 0) { c.h += c.y; c.sy -= c.y; c.y = 0; }
      if (c.y + c.h > kScreenHeight) c.h = kScreenHeight - c.y;
    }
    for (int32_t i = kSprites - 1; i >= 0; --i) {
      const Clipped& c = rects[i];
      if (c.w <= 0 || c.h <= 0) continue;
      uint8_t* store = stores.data() + static_cast<size_t>(i) * kSize * kSize;
      for (int32_t j = 0; j < c.h; ++j) {
        uint8_t* row = screen.data() + static_cast<size_t>(c.y + j) * kScreenWidth + c.x;
        std::memcpy(store + j * kSize, row, c.w);
        const uint8_t* src = sheetPixels + static_cast<size_t>(kSize * kFrames - 1 - (c.sy + j)) * kSize + c.sx;
        if (kBytewise) {
          for (int32_t k = 0; k < c.w; ++k) {
            if (src[k] != TRANSPARENT_INDEX) row[k] = src[k];
          }
        } else {
          int32_t k = 0;
          for (; k + 16 <= c.w; k += 16) {
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k));
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + k));
            const __m128i clear = _mm_cmpeq_epi8(s, key);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + k),
                             _mm_or_si128(_mm_and_si128(clear, d), _mm_andnot_si128(clear, s)));
          }
          for (; k < c.w; ++k) {
            if (src[k] != TRANSPARENT_INDEX) row[k] = src[k];
          }
        }
      }
    }
    for (int32_t i = 0; i < kSprites; ++i) {
      const Clipped& c = rects[i];
      if (c.w <= 0 || c.h <= 0) continue;
      const uint8_t* store = stores.data() + static_cast<size_t>(i) * kSize * kSize;
      for (int32_t j = 0; j < c.h; ++j) {
        std::memcpy(screen.data() + static_cast<size_t>(c.y + j) * kScreenWidth + c.x, store + j * kSize, c.w);
      }
    }
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_SceneFrame);
BENCHMARK(BM_Floor<false>)->Name("BM_FloorSse2Select");
BENCHMARK(BM_Floor<true>)->Name("BM_FloorBytewiseDraw");

// The console report, keeping each benchmark's CPU time per iteration for the
// ratio (CPU time, because the machine may be shared while it runs).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_None) {}
  std::map<std::string, double> nanoseconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        nanoseconds[run.benchmark_name()] = run.cpu_accumulated_time * 1e9 / static_cast<double>(run.iterations);
      }
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto frame = reporter.nanoseconds.find("BM_SceneFrame");
  const auto floor = reporter.nanoseconds.find("BM_FloorSse2Select");
  if (frame != reporter.nanoseconds.end() && floor != reporter.nanoseconds.end() && floor->second > 0) {
    std::printf("CPU time per frame: scene %.1f us, floor %.1f us: scene / floor = %.2f (goal: at most 2)\n", frame->second / 1000,
                floor->second / 1000, frame->second / floor->second);
  }
  benchmark::Shutdown();
  return 0;
}
