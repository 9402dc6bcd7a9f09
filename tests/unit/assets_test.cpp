// Tests of the committed sprite sheet and sounds: what a person would otherwise
// check by eye and ear (the frames turn steadily, nothing touches a frame's border,
// no stray pixels, no clicks). The native build also checks that the files are
// exactly what tools/make_assets.cpp makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sprites/palette.h"

namespace {

constexpr int kSide = 64;
constexpr int kFrames = 32;
constexpr uint8_t kTransparent = 10;

std::vector<uint8_t> ReadResourceFile(const char* name) {
  const std::string path = std::string(SAVER_SOURCE_DIR) + "/resources/" + name;
  std::vector<uint8_t> bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(f);
  }
  return bytes;
}

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

// The sheet's frames, top-down, and its colour table, from the BMP file.
struct Sheet {
  std::vector<std::array<uint8_t, kSide * kSide>> frames;
  std::array<std::array<uint8_t, 4>, 256> colours{};  // blue, green, red, reserved

  uint8_t At(int frame, int x, int y) const { return frames[frame][y * kSide + x]; }
  bool IsRed(uint8_t i) const { return colours[i][2] > 2 * colours[i][1]; }
  bool IsGreen(uint8_t i) const { return colours[i][1] > 2 * colours[i][2]; }
};

Sheet LoadSheet() {
  const std::vector<uint8_t> file = ReadResourceFile("sppat_r0.bmp");
  Sheet sheet;
  const size_t kTable = 14 + 40, kPixels = kTable + 256 * 4;
  if (file.size() != kPixels + kSide * kSide * kFrames) return sheet;
  for (int i = 0; i < 256; ++i) {
    std::copy_n(file.begin() + kTable + 4 * i, 4, sheet.colours[i].begin());
  }
  sheet.frames.resize(kFrames);
  for (int row = 0; row < kSide * kFrames; ++row) {
    // Rows are stored bottom-up.
    const size_t stored = kPixels + size_t(kSide * kFrames - 1 - row) * kSide;
    std::copy_n(file.begin() + stored, kSide, sheet.frames[row / kSide].begin() + (row % kSide) * kSide);
  }
  return sheet;
}

int CountDifferent(const Sheet& s, int a, int b) {
  int n = 0;
  for (int i = 0; i < kSide * kSide; ++i) n += s.frames[a][i] != s.frames[b][i];
  return n;
}

class SpriteSheet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sheet = new Sheet(LoadSheet()); }
  static void TearDownTestSuite() { delete sheet; }
  void SetUp() override { ASSERT_EQ(sheet->frames.size(), size_t(kFrames)) << "resources/sppat_r0.bmp unreadable"; }
  static Sheet* sheet;
};
Sheet* SpriteSheet::sheet = nullptr;

TEST_F(SpriteSheet, ColourTableKeepsStaticColoursAndBlackTransparentEntry) {
  for (int i = 0; i < 20; ++i) {
    const auto& entry = sheet->colours[StaticEntryIndex(i)];
    const RgbColour c = kDefaultStaticColours[i];
    EXPECT_EQ(entry[2], c.red) << "static colour " << i;
    EXPECT_EQ(entry[1], c.green) << "static colour " << i;
    EXPECT_EQ(entry[0], c.blue) << "static colour " << i;
  }
  EXPECT_EQ(sheet->colours[kTransparent], (std::array<uint8_t, 4>{0, 0, 0, 0}));
  for (const auto& entry : sheet->colours) EXPECT_EQ(entry[3], 0);
}

TEST_F(SpriteSheet, DrawingUsesOnlyTheShadesAndTheTransparentIndex) {
  for (int k = 0; k < kFrames; ++k) {
    for (uint8_t p : sheet->frames[k]) {
      ASSERT_TRUE(p == kTransparent || (p >= 11 && p <= 245)) << "frame " << k << " index " << int(p);
    }
  }
}

TEST_F(SpriteSheet, EveryFrameShowsRedAndGreenAtomsWithTheRedOneAtTheCentre) {
  for (int k = 0; k < kFrames; ++k) {
    int reds = 0, greens = 0;
    for (uint8_t p : sheet->frames[k]) reds += sheet->IsRed(p), greens += sheet->IsGreen(p);
    EXPECT_GT(reds, 250) << "frame " << k;
    EXPECT_GT(greens, 250) << "frame " << k;
  }
  // The large red atom sits at the centre, where sprites are placed, even when a
  // green atom passes in front of it.
  for (int k = 0; k < kFrames; ++k) {
    double sumX = 0, sumY = 0;
    int reds = 0;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        if (!sheet->IsRed(sheet->At(k, x, y))) continue;
        sumX += x + 0.5, sumY += y + 0.5, ++reds;
      }
    }
    EXPECT_NEAR(sumX / reds, 32, 4) << "frame " << k;
    EXPECT_NEAR(sumY / reds, 32, 4) << "frame " << k;
  }
}

TEST_F(SpriteSheet, NothingTouchesAFramesBorder) {
  for (int k = 0; k < kFrames; ++k) {
    for (int i = 0; i < kSide; ++i) {
      // The outer ring stays clear, so the drawings of neighbouring frames never meet.
      for (int edge : {0, kSide - 1}) {
        ASSERT_EQ(sheet->At(k, i, edge), kTransparent) << "frame " << k << " x " << i << " y " << edge;
        ASSERT_EQ(sheet->At(k, edge, i), kTransparent) << "frame " << k << " x " << edge << " y " << i;
      }
    }
  }
}

// One molecule, no specks: the drawn pixels of a frame form a single 4-connected
// shape, and no drawn pixel hangs on by fewer than two drawn neighbours.
TEST_F(SpriteSheet, EachFrameIsOneSolidShape) {
  for (int k = 0; k < kFrames; ++k) {
    std::vector<int> stack;
    std::vector<bool> seen(kSide * kSide, false);
    int drawn = 0, start = -1;
    for (int i = 0; i < kSide * kSide; ++i) {
      if (sheet->frames[k][i] != kTransparent) ++drawn, start = start < 0 ? i : start;
    }
    ASSERT_GE(start, 0) << "frame " << k << " is empty";
    int reached = 0;
    stack.push_back(start);
    seen[start] = true;
    while (!stack.empty()) {
      const int i = stack.back();
      stack.pop_back();
      ++reached;
      const int x = i % kSide, y = i / kSide;
      const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      int neighbours = 0;
      for (const auto& n : next) {
        const int j = n[1] * kSide + n[0];
        if (sheet->frames[k][j] == kTransparent) continue;
        ++neighbours;
        if (!seen[j]) seen[j] = true, stack.push_back(j);
      }
      EXPECT_GE(neighbours, 2) << "frame " << k << ": lone pixel at " << x << "," << y;
    }
    EXPECT_EQ(reached, drawn) << "frame " << k << " has separate pieces";
  }
}

// Frame k+1 is frame k turned a little further: every frame is different, each
// one's closest frame is a neighbour in the cycle (31 and 0 included), and the
// change from one frame to the next is about the same all the way round.
TEST_F(SpriteSheet, FramesTurnSteadilyAndSeamlessly) {
  std::vector<int> step(kFrames);
  for (int k = 0; k < kFrames; ++k) {
    const int next = (k + 1) % kFrames, previous = (k + kFrames - 1) % kFrames;
    int closest = -1, closestDifference = 1 << 30;
    for (int j = 0; j < kFrames; ++j) {
      if (j == k) continue;
      const int d = CountDifferent(*sheet, k, j);
      EXPECT_GT(d, 100) << "frames " << k << " and " << j << " look alike";
      if (d < closestDifference) closestDifference = d, closest = j;
    }
    EXPECT_TRUE(closest == next || closest == previous)
        << "frame " << k << " is closest to frame " << closest;
    step[k] = CountDifferent(*sheet, k, next);
  }
  const auto [smallest, largest] = std::minmax_element(step.begin(), step.end());
  EXPECT_LT(*largest, 2 * *smallest) << "uneven turn: from " << *smallest << " to " << *largest
                                     << " pixels change between neighbouring frames";
}

// The sample bytes of a RIFF image's "data" chunk (8-bit unsigned, 128 = silence).
std::vector<uint8_t> DataChunk(const std::vector<uint8_t>& wave) {
  for (size_t at = 12; at + 8 <= wave.size();) {
    const uint32_t size = Read32(wave, at + 4);
    if (std::equal(wave.begin() + at, wave.begin() + at + 4, "data") && at + 8 + size <= wave.size()) {
      return {wave.begin() + at + 8, wave.begin() + at + 8 + size};
    }
    at += 8 + size + (size & 1);
  }
  return {};
}

int Peak(const std::vector<uint8_t>& s, size_t from, size_t to) {
  int peak = 0;
  for (size_t i = from; i < to && i < s.size(); ++i) peak = std::max(peak, std::abs(int(s[i]) - 128));
  return peak;
}

TEST(Sounds, BounceStartsLoudDiesAwayAndEndsSilently) {
  const std::vector<uint8_t> s = DataChunk(ReadResourceFile("wavdat0.wav"));
  ASSERT_EQ(s.size(), 3857u);
  EXPECT_LE(std::abs(int(s[0]) - 128), 2) << "the first sample would click";
  EXPECT_GE(Peak(s, 0, 110), 115) << "not at full strength within the first 10 ms";
  EXPECT_LT(Peak(s, 1100, 1300), Peak(s, 0, 200) / 2) << "does not die away";
  EXPECT_LE(Peak(s, s.size() - 30, s.size()), 2) << "the end would click";
}

TEST(Sounds, AmbientIsTwoSeparateBeepsWithQuietEdges) {
  const std::vector<uint8_t> s = DataChunk(ReadResourceFile("wavdat1.wav"));
  ASSERT_EQ(s.size(), 3522u);
  // Runs of sound separated by at least 10 ms of near silence.
  int bursts = 0;
  size_t quiet = 1000;
  for (uint8_t v : s) {
    if (std::abs(int(v) - 128) > 4) {
      if (quiet >= 110) ++bursts;
      quiet = 0;
    } else {
      ++quiet;
    }
  }
  EXPECT_EQ(bursts, 2);
  EXPECT_LE(Peak(s, 0, 5), 2) << "the start would click";
  EXPECT_LE(Peak(s, s.size() - 30, s.size()), 2) << "the end would click";
}

}  // namespace
