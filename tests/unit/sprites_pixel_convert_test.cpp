// Tests of the conversion of back-buffer indices to true-colour pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sprites/pixel_convert.h"

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

TEST(PixelConvert, RectangleIsClippedToTheBackBufferAndKeepsItsPlace) {
  DibImage back;
  ASSERT_NE(CreateBlank(back, 5, 3), nullptr);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) *PixelAt(back, x, y) = static_cast<uint8_t>(10 * y + x);
  }
  PixelTable t;
  for (int i = 0; i < 256; ++i) t[i] = 1000 + i;
  constexpr uint32_t kUntouched = 7;
  std::vector<uint32_t> out(8 * 3, kUntouched);  // rows 8 pixels apart
  const SceneRect done = ConvertBackBufferRect(back, {3, -1, 4, 3}, t, out.data(), 8);
  EXPECT_EQ(done.left, 3);
  EXPECT_EQ(done.top, 0);
  EXPECT_EQ(done.width, 2);
  EXPECT_EQ(done.height, 2);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 3 && x < 5 && y < 2;
      EXPECT_EQ(out[y * 8 + x], inside ? 1000u + 10 * y + x : kUntouched) << x << "," << y;
    }
  }
  EXPECT_EQ(ConvertBackBufferRect(back, {5, 0, 3, 3}, t, out.data(), 8).width, 0);
}

}  // namespace
