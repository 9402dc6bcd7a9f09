// Tests of the 8-bit images and the rectangle blits: addressing, clipping at every
// edge, and the transparent index.
#include <gtest/gtest.h>

#include <random>

#include "sprites/blits.h"
#include "tests/unit/sprites_test_images.h"

using namespace sprites_test;

namespace {

uint8_t Value(const DibImage& image, int32_t x, int32_t y) { return *PixelAt(image, x, y); }

// Every byte of the image's pixel block, padding included, so that a write past
// a row's end shows up.
std::vector<uint8_t> AllBytes(const DibImage& image) {
  const size_t size = static_cast<size_t>(RowStride(image.width) * image.height);
  return std::vector<uint8_t>(image.bits, image.bits + size);
}

bool Inside(int64_t v, int64_t size) { return v >= 0 && v < size; }

}  // namespace

TEST(DibImage, PixelAtCountsRowsFromTheTop) {
  DibImage image;
  ASSERT_NE(nullptr, CreateBlank(image, 65, 3));
  EXPECT_EQ(image.bits + 2 * 68, PixelAt(image, 0, 0)) << "the top row is stored last; stride 68";
  EXPECT_EQ(image.bits + 64, PixelAt(image, 64, 2));
  EXPECT_EQ(image.bits + 68 + 5, PixelAt(image, 5, 1));
  for (auto [x, y] : {std::pair{65, 0}, {0, 3}, {-1, 0}, {0, -1}}) {
    EXPECT_EQ(nullptr, PixelAt(image, x, y)) << "(" << x << ", " << y << ")";
  }
  // A top-down image used in place is never addressed.
  image.height = -3;
  EXPECT_EQ(nullptr, PixelAt(image, 0, 0));
  EXPECT_EQ(nullptr, PixelAt(DibImage{}, 0, 0));
}

TEST(DibImage, BlankImagesAreZeroWithAnEightBitHeader) {
  DibImage image;
  ASSERT_NE(nullptr, CreateBlank(image, 64, 64));
  const DibInfoHeader h = LoadInfoHeader(image.header);
  EXPECT_EQ(40u, h.biSize);
  EXPECT_EQ(64, h.biWidth);
  EXPECT_EQ(64, h.biHeight);
  EXPECT_EQ(1, h.biPlanes);
  EXPECT_EQ(8, h.biBitCount);
  EXPECT_EQ(0u, h.biClrUsed);
  EXPECT_EQ(image.header + DIB_PIXEL_OFFSET, image.bits);
  EXPECT_EQ(image.header, image.info);
  for (size_t i = kInfoHeaderSize; i < DIB_PIXEL_OFFSET + 64 * 64; ++i) ASSERT_EQ(0, image.header[i]) << i;

  DibImage one;
  ASSERT_NE(nullptr, CreateBlank(one, 1, 1));
  *PixelAt(one, 0, 0) = 9;  // the row of 1 pixel still takes 4 bytes
  EXPECT_EQ(nullptr, AllocBlankDib(8, -1, 4));
  EXPECT_EQ(nullptr, AllocBlankDib(8, kMaxDibSide, kMaxDibSide)) << "beyond the pixel limit";
  DibImage refused;
  EXPECT_EQ(nullptr, CreateBlank(refused, 4, -4));
  EXPECT_EQ(nullptr, refused.header);
}

// Save and restore against a brute-force model, for rectangles that stand out of
// the large image on every side and ones wholly outside.
TEST(SaveRestore, ClipToTheLargeImageAtEveryEdge) {
  const int32_t lw = 37, lh = 23;  // odd sizes: rows are padded
  const int32_t sw = 9, sh = 7;
  for (int32_t y = -sh - 2; y <= lh + 2; ++y) {
    for (int32_t x = -sw - 2; x <= lw + 2; ++x) {
      SCOPED_TRACE(testing::Message() << "x " << x << " y " << y);
      DibImage large = MakeImage(lw, lh, [](int32_t i, int32_t j) { return static_cast<uint8_t>(i + 40 * j); });
      DibImage small = MakeImage(sw, sh, [](int32_t, int32_t) { return uint8_t{0xEE}; });
      SaveRect(small, large, x, y);
      // Large pixel (X, Y) in the rectangle and in the image goes to small pixel
      // (X - max(x, 0), Y - max(y, 0)); the rest of small is untouched.
      std::vector<uint8_t> expected(sw * sh, 0xEE);
      for (int32_t j = 0; j < sh; ++j) {
        for (int32_t i = 0; i < sw; ++i) {
          if (Inside(x + i, lw) && Inside(y + j, lh)) {
            expected[(x + i - std::max(x, 0)) + sw * (y + j - std::max(y, 0))] = Value(large, x + i, y + j);
          }
        }
      }
      for (int32_t j = 0; j < sh; ++j) {
        for (int32_t i = 0; i < sw; ++i) ASSERT_EQ(expected[i + sw * j], Value(small, i, j)) << i << ", " << j;
      }

      // Restoring into a scribbled large image puts back exactly those pixels.
      const std::vector<uint8_t> before = AllBytes(large);
      DibImage scribbled = MakeImage(lw, lh, [](int32_t, int32_t) { return uint8_t{0x33}; });
      RestoreRect(small, scribbled, x, y);
      for (int32_t j = 0; j < lh; ++j) {
        for (int32_t i = 0; i < lw; ++i) {
          const bool covered = i >= x && i < x + sw && j >= y && j < y + sh;
          ASSERT_EQ(covered ? Value(large, i, j) : 0x33, Value(scribbled, i, j)) << i << ", " << j;
        }
      }
      EXPECT_EQ(before, AllBytes(large)) << "saving does not write the large image";
    }
  }
}

TEST(SaveRestore, CopiedAreaOnAScreenSizedImage) {
  struct Case {
    int32_t x, y;
    int32_t columns, rows;  // how much of the 64 x 64 store gets written
  };
  const Case cases[] = {{-10, 5, 54, 64}, {600, 5, 40, 64}, {5, 450, 64, 30}, {640, 0, 0, 0},
                        {-64, 0, 0, 0},   {0, 480, 0, 0},   {0, -64, 0, 0},   {-63, -63, 1, 1}};
  DibImage large = MakeImage(640, 480, [](int32_t, int32_t) { return uint8_t{1}; });
  for (const Case& c : cases) {
    DibImage small;
    CreateBlank(small, 64, 64);
    SaveRect(small, large, c.x, c.y);
    int32_t columns = 0, rows = 0;
    for (int32_t i = 0; i < 64; ++i) columns += Value(small, i, 0);
    for (int32_t j = 0; j < 64; ++j) rows += Value(small, 0, j);
    EXPECT_EQ(c.columns, columns) << "x " << c.x << " y " << c.y;
    EXPECT_EQ(c.rows, rows) << "x " << c.x << " y " << c.y;
  }
}

TEST(SaveRestore, EmptyStoreOrLargeImageDoesNothing) {
  DibImage large = MakeImage(8, 8, [](int32_t, int32_t) { return uint8_t{5}; });
  DibImage empty;
  empty.width = 4;
  empty.height = 4;
  SaveRect(empty, large, 0, 0);
  RestoreRect(empty, large, 0, 0);
  DibImage small = MakeImage(4, 4, [](int32_t, int32_t) { return uint8_t{6}; });
  DibImage noPixels;
  noPixels.width = 8;
  noPixels.height = 8;
  SaveRect(small, noPixels, 0, 0);
  RestoreRect(small, noPixels, 0, 0);
  EXPECT_EQ(6, Value(small, 0, 0));
  EXPECT_EQ(5, Value(large, 0, 0));
}

// The transparent draw against a brute-force model over random rectangles that
// stand out of the target and the source on every side, with widths on both
// sides of the 16-pixel blocks.
TEST(DrawTransparent, MatchesThePairwiseModel) {
  const int32_t srcW = 70, srcH = 19, dstW = 67, dstH = 17;
  DibImage source = MakeImage(srcW, srcH, [](int32_t i, int32_t j) {
    // Runs of the transparent index of every length, and index 0.
    return static_cast<uint8_t>((i * i + 3 * j) % 7 < 3 ? TRANSPARENT_INDEX : (i + 11 * j) % 23);
  });
  std::mt19937 random(12345);
  auto pick = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(random); };
  for (int n = 0; n < 3000; ++n) {
    const int32_t w = pick(-2, 80), h = pick(-2, 22);
    const int32_t dx = pick(-80, 70), dy = pick(-22, 20), sx = pick(-20, 72), sy = pick(-8, 21);
    SCOPED_TRACE(testing::Message() << "dx " << dx << " dy " << dy << " w " << w << " h " << h
                                    << " sx " << sx << " sy " << sy);
    DibImage target = MakeImage(dstW, dstH, [](int32_t i, int32_t j) { return static_cast<uint8_t>(200 + i - j); });
    std::vector<uint8_t> expected(dstW * dstH);
    for (int32_t j = 0; j < dstH; ++j) {
      for (int32_t i = 0; i < dstW; ++i) expected[i + dstW * j] = Value(target, i, j);
    }
    for (int32_t j = 0; j < h; ++j) {
      for (int32_t i = 0; i < w; ++i) {
        if (!Inside(dx + i, dstW) || !Inside(dy + j, dstH) || !Inside(sx + i, srcW) || !Inside(sy + j, srcH)) continue;
        const uint8_t v = Value(source, sx + i, sy + j);
        if (v != TRANSPARENT_INDEX) expected[(dx + i) + dstW * (dy + j)] = v;
      }
    }
    const std::vector<uint8_t> padding = AllBytes(target);
    DrawTransparent(source, target, dx, dy, w, h, sx, sy);
    for (int32_t j = 0; j < dstH; ++j) {
      for (int32_t i = 0; i < dstW; ++i) ASSERT_EQ(expected[i + dstW * j], Value(target, i, j)) << i << ", " << j;
    }
    const std::vector<uint8_t> after = AllBytes(target);
    const int32_t stride = static_cast<int32_t>(RowStride(dstW));
    for (int32_t row = 0; row < dstH; ++row) {
      for (int32_t i = dstW; i < stride; ++i) ASSERT_EQ(padding[row * stride + i], after[row * stride + i]) << "padding";
    }
  }
}

TEST(DrawTransparent, SheetFramesClippedAtTheTargetsCorner) {
  // Frame k of a 64 x 256 sheet is filled with 20 + k except a transparent border.
  DibImage sheet = MakeImage(64, 256, [](int32_t i, int32_t j) {
    return static_cast<uint8_t>(i == 0 || j % 64 == 0 ? TRANSPARENT_INDEX : 20 + j / 64 + i);
  });
  DibImage target = MakeImage(100, 100, [](int32_t, int32_t) { return uint8_t{0}; });
  DrawTransparent(sheet, target, -10, -20, 64, 64, 0, 128);
  // dx -10, sx 0: source columns 10..63 land in 0..53; dy -20, sy 128: h 44, sy 148.
  EXPECT_EQ(20 + 2 + 10, Value(target, 0, 0));
  EXPECT_EQ(20 + 2 + 63, Value(target, 53, 43));
  EXPECT_EQ(0, Value(target, 54, 0));
  EXPECT_EQ(0, Value(target, 0, 44));

  // Index 0 is drawn; index 10 keeps what an earlier draw wrote.
  DibImage zero = MakeImage(2, 1, [](int32_t i, int32_t) { return i == 0 ? uint8_t{0} : TRANSPARENT_INDEX; });
  DibImage canvas = MakeImage(2, 1, [](int32_t, int32_t) { return uint8_t{99}; });
  DrawTransparent(zero, canvas, 0, 0, 2, 1, 0, 0);
  EXPECT_EQ(0, Value(canvas, 0, 0));
  EXPECT_EQ(99, Value(canvas, 1, 0));

  // A source with no pixels, or a target without memory, draws nothing.
  DibImage none;
  DrawTransparent(none, target, 0, 0, 10, 10, 0, 0);
  DibImage bare;
  bare.width = 100;
  bare.height = 100;
  DrawTransparent(sheet, bare, 0, 0, 10, 10, 0, 0);
}

TEST(DrawTransparent, ExtremeCoordinatesDoNotOverflow) {
  DibImage source = MakeImage(8, 8, [](int32_t, int32_t) { return uint8_t{1}; });
  DibImage target = MakeImage(8, 8, [](int32_t, int32_t) { return uint8_t{0}; });
  const int32_t big = std::numeric_limits<int32_t>::max(), small = std::numeric_limits<int32_t>::min();
  DrawTransparent(source, target, big, big, big, big, 0, 0);
  DrawTransparent(source, target, small, small, big, big, small, small);
  DrawTransparent(source, target, 0, 0, big, big, big, big);
  DrawTransparent(source, target, -4, -4, big, big, small, small);
  SaveRect(source, target, big, big);
  SaveRect(source, target, small, small);
  RestoreRect(source, target, big - 1, small);
  for (int32_t j = 0; j < 8; ++j) {
    for (int32_t i = 0; i < 8; ++i) ASSERT_EQ(0, Value(target, i, j));
  }
}
