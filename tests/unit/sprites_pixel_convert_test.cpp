// Tests of the conversion of back-buffer indices to true-colour pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sprites/pixel_convert.h"
#include "sprites/present_scale.h"

namespace {

// Entry i is red i, green 255 - i, blue i / 2.
std::vector<uint8_t> TestColourTable() {
  std::vector<uint8_t> table(256 * 4);
  for (int i = 0; i < 256; ++i) {
    table[4 * i] = static_cast<uint8_t>(i / 2);
    table[4 * i + 1] = static_cast<uint8_t>(255 - i);
    table[4 * i + 2] = static_cast<uint8_t>(i);
    table[4 * i + 3] = 0x5A;  // the reserved byte never shows
  }
  return table;
}

TEST(PixelConvert, TableFollowsTheVisualsMasks) {
  const std::vector<uint8_t> colours = TestColourTable();
  PixelTable t{};
  ASSERT_TRUE(BuildPixelTable(colours.data(), {0xFF0000, 0x00FF00, 0x0000FF, 0}, false, t));
  EXPECT_EQ(t[200], 0x00C83764u);
  ASSERT_TRUE(BuildPixelTable(colours.data(), {0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000}, false, t));
  EXPECT_EQ(t[200], 0xFFC83764u) << "depth 32: opaque";
  ASSERT_TRUE(BuildPixelTable(colours.data(), {0xFF0000, 0x00FF00, 0x0000FF, 0}, true, t));
  EXPECT_EQ(t[200], 0x6437C800u) << "the other byte order";
  ASSERT_TRUE(BuildPixelTable(colours.data(), {0x0000FF, 0x00FF00, 0xFF0000, 0}, false, t));
  EXPECT_EQ(t[200], 0x006437C8u) << "blue high";
  ASSERT_TRUE(BuildPixelTable(colours.data(), {0xF800, 0x07E0, 0x001F, 0}, false, t));
  EXPECT_EQ(t[200], uint32_t{200 >> 3} << 11 | uint32_t{55 >> 2} << 5 | 100 >> 3) << "5-6-5 keeps the high bits";

  const PixelTable before = t;
  for (const PixelLayout bad : {PixelLayout{0, 0xFF00, 0xFF, 0}, PixelLayout{0xFF0F00, 0xF000, 0xFF, 0},
                                PixelLayout{0x3FF00000, 0xFFC00, 0x3FF, 0},
                                PixelLayout{0xFF0000, 0xFF0000, 0xFF, 0},
                                PixelLayout{0xFF0000, 0xFF00, 0xFF, 0xFF}}) {
    EXPECT_FALSE(BuildPixelTable(colours.data(), bad, false, t)) << std::hex << bad.redMask;
  }
  EXPECT_EQ(t, before);
}

TEST(PixelConvert, RectangleRowsGoTopFirstAtTheGivenStride) {
  DibImage back;
  ASSERT_NE(CreateBlank(back, 21, 3), nullptr);  // rows padded to 24 bytes
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 21; ++x) *PixelAt(back, x, y) = static_cast<uint8_t>(y == 2 && x > 1 ? 0 : 30 * y + x);
  }
  PixelTable t;
  for (int i = 0; i < 256; ++i) t[i] = 1000 + i;
  constexpr uint32_t kUntouched = 7;
  std::vector<uint32_t> out(20 * 3, kUntouched);  // rows 20 pixels apart
  ConvertBackBufferRect(back, {2, 1, 18, 2}, t, out.data(), 20);
  for (int row = 0; row < 3; ++row) {
    for (int i = 0; i < 20; ++i) {
      const int x = 2 + i, y = 1 + row;
      const uint32_t expected = row < 2 && i < 18 ? 1000u + (y == 2 && x > 1 ? 0 : 30 * y + x) : kUntouched;
      EXPECT_EQ(out[row * 20 + i], expected) << "row " << row << ", column " << i;
    }
  }
}

}  // namespace

TEST(PixelConvert, ScaledRectangleShowsEachPixelAsABlock) {
  DibImage back;
  ASSERT_NE(CreateBlank(back, 21, 3), nullptr);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 21; ++x) *PixelAt(back, x, y) = static_cast<uint8_t>(y == 2 && x > 1 ? 0 : 30 * y + x);
  }
  PixelTable t;
  for (int i = 0; i < 256; ++i) t[i] = 1000 + i;
  std::vector<uint32_t> out(40 * 7, 7);  // room for 18 x 2 pixels at scale 2, and a row more
  ConvertBackBufferRect(back, {2, 1, 18, 2}, t, out.data(), 40, 2);
  for (int row = 0; row < 5; ++row) {
    for (int i = 0; i < 40; ++i) {
      const uint32_t expected = row < 4 && i < 36 ? 1000u + (row < 2 ? 32 + i / 2 : 0) : 7;
      EXPECT_EQ(out[row * 40 + i], expected) << "row " << row << ", column " << i;
    }
  }
  const std::pair<int32_t, int32_t> dpiToScale[] = {{0, 1}, {96, 1}, {120, 1}, {143, 1}, {144, 2}, {192, 2},
                                                    {240, 3}, {288, 3}, {384, 4}, {960, 4}, {-5, 1}};
  for (const auto& [dpi, scale] : dpiToScale) EXPECT_EQ(ScaleForDpi(dpi), scale) << dpi << " DPI";
  // An X screen's size: 3840 pixels on 508 mm (192 DPI), Xvfb's 975 mm (100 DPI), and no size at all.
  EXPECT_EQ(DpiFromScreenSize(3840, 508), 192);
  EXPECT_EQ(DpiFromScreenSize(3840, 975), 100);
  EXPECT_EQ(DpiFromScreenSize(1920, 0), 0);
}
