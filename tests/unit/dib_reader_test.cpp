// Tests of the bitmap reader: the header forms it accepts, what it refuses, and
// the order in which a named bitmap is looked for.
#include <gtest/gtest.h>

#include "sprites/dib_reader.h"
#include "tests/unit/sprites_test_images.h"

using namespace sprites_test;

namespace {

// The image the reader made of `bytes`; empty when it refused them.
struct Read {
  std::unique_ptr<uint8_t[]> block;
  DibImage image;
};

Read ReadImage(const std::vector<uint8_t>& bytes) {
  Read r;
  r.block = ReadPackedDib(bytes.data(), bytes.size());
  if (r.block) {
    const DibInfoHeader h = LoadInfoHeader(r.block.get());
    r.image.header = r.image.info = r.block.get();
    r.image.bits = r.block.get() + DIB_PIXEL_OFFSET;
    r.image.width = h.biWidth;
    r.image.height = h.biHeight;
  }
  return r;
}

// Checks every pixel against TestPixel, rows [0, validRows) counted from the
// bottom of the file; the rows the file lacked must read 0.
void ExpectTestPixels(const DibImage& image, int32_t missingTopRows = 0) {
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      const uint8_t expected = y < missingTopRows ? 0 : TestPixel(x, y);
      ASSERT_EQ(expected, *PixelAt(image, x, y)) << "pixel (" << x << ", " << y << ")";
    }
  }
}

void ExpectColour(const DibImage& image, uint32_t i, uint8_t blue, uint8_t green, uint8_t red,
                  uint8_t reserved) {
  const uint8_t* q = image.header + kInfoHeaderSize + i * 4;
  EXPECT_EQ(blue, q[0]) << "blue of entry " << i;
  EXPECT_EQ(green, q[1]) << "green of entry " << i;
  EXPECT_EQ(red, q[2]) << "red of entry " << i;
  EXPECT_EQ(reserved, q[3]) << "reserved byte of entry " << i;
}

}  // namespace

TEST(DibReader, ReadsEachHeaderForm) {
  struct Case {
    const char* what;
    BmpForm form;
  };
  BmpForm packed;  // info header, no file header: pixels right behind the table
  packed.width = 13;
  packed.height = 5;
  BmpForm withFile = packed;  // pixels found through bfOffBits, past junk
  withFile.fileHeader = true;
  withFile.gap = 37;
  BmpForm core = packed;  // 12-byte header, three-byte entries
  core.headerSize = 12;
  BmpForm coreWithFile = core;
  coreWithFile.fileHeader = true;
  coreWithFile.gap = 2;
  BmpForm longer = withFile;  // a drawing program's 124-byte header
  longer.headerSize = 124;
  BmpForm longerPacked = packed;
  longerPacked.headerSize = 108;
  const Case cases[] = {{"packed", packed},           {"file header", withFile},
                        {"core", core},               {"core with file header", coreWithFile},
                        {"124-byte header", longer},  {"108-byte header, packed", longerPacked}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Read r = ReadImage(MakeBmp(c.form));
    ASSERT_TRUE(r.block);
    const DibInfoHeader h = LoadInfoHeader(r.block.get());
    EXPECT_EQ(40u, h.biSize);
    EXPECT_EQ(13, h.biWidth);
    EXPECT_EQ(5, h.biHeight);
    EXPECT_EQ(8, h.biBitCount);
    EXPECT_EQ(16u * 5, h.biSizeImage) << "stride 16 for 13 pixels";
    const uint8_t reserved = c.form.headerSize == 12 ? 0 : 0x5A;
    for (uint32_t i : {0u, 1u, 10u, 200u, 255u}) {
      ExpectColour(r.image, i, TestBlue(i), TestGreen(i), TestRed(i), reserved);
    }
    ExpectTestPixels(r.image);
  }
}

TEST(DibReader, ShortColourTableIsPaddedWithBlack) {
  for (bool fileHeader : {false, true}) {
    SCOPED_TRACE(fileHeader ? "with file header" : "packed");
    BmpForm f;
    f.width = 6;
    f.height = 3;
    f.clrUsed = 16;
    f.fileHeader = fileHeader;
    Read r = ReadImage(MakeBmp(f));
    ASSERT_TRUE(r.block);
    EXPECT_EQ(256u, LoadInfoHeader(r.block.get()).biClrUsed);
    ExpectColour(r.image, 15, TestBlue(15), TestGreen(15), TestRed(15), 0x5A);
    ExpectColour(r.image, 16, 0, 0, 0, 0);
    ExpectColour(r.image, 255, 0, 0, 0, 0);
    ExpectTestPixels(r.image);  // read from behind the 16 entries, stored at 1064
  }
}

TEST(DibReader, SizeImageZeroMeansTheWholeImage) {
  BmpForm f;
  f.width = 64;
  f.height = 2048;
  f.sizeImage = 0;
  Read r = ReadImage(MakeBmp(f));
  ASSERT_TRUE(r.block);
  EXPECT_EQ(131072u, LoadInfoHeader(r.block.get()).biSizeImage);
  EXPECT_EQ(TestPixel(0, 0), *PixelAt(r.image, 0, 0)) << "the first stored row is the top one";
  EXPECT_EQ(TestPixel(63, 2047), *PixelAt(r.image, 63, 2047));
}

TEST(DibReader, PixelsTheFileLacksAreZero) {
  BmpForm f;
  f.width = 10;  // stride 12
  f.height = 6;
  f.dropTail = 12 * 2 + 5;  // the top two rows and part of the third
  Read r = ReadImage(MakeBmp(f));
  ASSERT_TRUE(r.block);
  for (int32_t x = 0; x < 10; ++x) {
    EXPECT_EQ(0, *PixelAt(r.image, x, 0));
    EXPECT_EQ(0, *PixelAt(r.image, x, 1));
    EXPECT_EQ(x < 7 ? TestPixel(x, 2) : 0, *PixelAt(r.image, x, 2)) << "column " << x;
    EXPECT_EQ(TestPixel(x, 3), *PixelAt(r.image, x, 3));
  }

  // A biSizeImage that claims less than the image: only that much is taken.
  f.dropTail = 0;
  f.sizeImage = 12;
  r = ReadImage(MakeBmp(f));
  ASSERT_TRUE(r.block);
  EXPECT_EQ(TestPixel(9, 5), *PixelAt(r.image, 9, 5));
  EXPECT_EQ(0, *PixelAt(r.image, 0, 4));

  // bfOffBits beyond the end of the file: a black image, not a read past it.
  f.sizeImage = 0;
  f.fileHeader = true;
  std::vector<uint8_t> bytes = MakeBmp(f);
  bytes[10] = 0xFF;
  bytes[11] = 0xFF;
  r = ReadImage(bytes);
  ASSERT_TRUE(r.block);
  EXPECT_EQ(0, *PixelAt(r.image, 3, 3));
}

TEST(DibReader, RefusesWhatTheEngineCannotAddress) {
  // Each case is a valid 8 x 4 file with one header field (at its offset in the
  // 40-byte header) changed, or another form.
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
  };
  const Case patches[] = {
      {"4 bits", 14, 4},        {"24 bits", 14, 24},           {"run-length compressed", 16, 1},
      {"width 0", 4, 0},        {"height 0", 8, 0},            {"negative width", 4, 0xFFFFFFF8},
      {"top-down", 8, 0xFFFFFFFC}, {"257 colours", 32, 257},   {"too wide", 4, kMaxDibSide + 1},
      {"too high", 8, kMaxDibSide + 1},
      {"too many pixels", 4, 16384},  // with height 16384 below
      {"header size 20", 0, 20}, {"header size 200", 0, 200}, {"header size 13", 0, 13},
  };
  for (const Case& c : patches) {
    std::vector<uint8_t> bytes = MakeBmp(BmpForm{});
    std::memcpy(bytes.data() + c.offset, &c.value, 4);
    if (c.value == 16384) std::memcpy(bytes.data() + 8, &c.value, 4);
    EXPECT_EQ(nullptr, ReadPackedDib(bytes.data(), bytes.size())) << c.what;
  }
  BmpForm core1bit;
  core1bit.headerSize = 12;
  core1bit.bitCount = 1;
  core1bit.width = 300;
  const std::vector<uint8_t> bytes = MakeBmp(core1bit);
  EXPECT_EQ(nullptr, ReadPackedDib(bytes.data(), bytes.size())) << "1-bit core header";
}

TEST(DibReader, RefusesTruncatedHeaders) {
  BmpForm f;
  f.fileHeader = true;
  const std::vector<uint8_t> full = MakeBmp(f);
  for (size_t size : {size_t{0}, size_t{13}, size_t{14}, size_t{53}}) {
    EXPECT_EQ(nullptr, ReadPackedDib(full.data(), size)) << size << " bytes";
  }
  f.fileHeader = false;
  const std::vector<uint8_t> packed = MakeBmp(f);
  EXPECT_EQ(nullptr, ReadPackedDib(packed.data(), 39)) << "39 bytes without file header";
  // A complete header with nothing after it: black colours, black pixels.
  Read r = ReadImage(std::vector<uint8_t>(packed.begin(), packed.begin() + 40));
  ASSERT_TRUE(r.block);
  ExpectColour(r.image, 0, 0, 0, 0, 0);
  EXPECT_EQ(0, *PixelAt(r.image, 7, 3));
}

TEST(DibReader, EngineFormIsRecognisedForUseInPlace) {
  const std::vector<uint8_t> sheet = MakeEngineDib(64, 8, [](int32_t, int32_t) { return uint8_t{10}; });
  EXPECT_TRUE(IsEngineDib(sheet.data(), sheet.size()));
  EXPECT_FALSE(IsEngineDib(sheet.data(), sheet.size() - 1)) << "last row incomplete";
  BmpForm shortTable;
  shortTable.clrUsed = 16;
  const std::vector<uint8_t> other = MakeBmp(shortTable);
  EXPECT_FALSE(IsEngineDib(other.data(), other.size()));
}

TEST(LoadBitmapByName, FileFirstThenBuiltIn) {
  FakeBitmaps bitmaps;
  bitmaps.builtIn = MakeEngineDib(4, 2, [](int32_t, int32_t) { return uint8_t{77}; });
  BmpForm f;
  f.fileHeader = true;
  bitmaps.hasFile = true;
  bitmaps.file = MakeBmp(f);

  DibImage fromFile;
  LoadNamed(fromFile, "SPPAT_R0", bitmaps.Source());
  ASSERT_NE(nullptr, fromFile.header);
  EXPECT_EQ(8, fromFile.width);
  EXPECT_EQ(TestPixel(5, 1), *PixelAt(fromFile, 5, 1));

  // A refused file is as good as none.
  bitmaps.file.resize(20);
  DibImage fallback;
  LoadNamed(fallback, "SPPAT_R0", bitmaps.Source());
  EXPECT_EQ(bitmaps.builtIn.data(), fallback.header) << "the built-in sheet is used in place";
  EXPECT_EQ(4, fallback.width);
  EXPECT_EQ(77, *PixelAt(fallback, 3, 1));

  DibImage missing;
  missing.width = 5;
  LoadNamed(missing, "SPPAT_R1", bitmaps.Source());
  EXPECT_EQ(nullptr, missing.header);
  EXPECT_EQ(5, missing.width) << "an image that stays empty is not touched";
  EXPECT_EQ(nullptr, PixelAt(missing, 0, 0));
}

TEST(LoadBitmapByName, BuiltInInAnotherFormIsCopied) {
  FakeBitmaps bitmaps;
  BmpForm f;
  f.clrUsed = 2;
  bitmaps.builtIn = MakeBmp(f);
  LoadedBitmap loaded = LoadBitmapByName("SPPAT_R0", bitmaps.Source());
  ASSERT_NE(nullptr, loaded.header);
  EXPECT_EQ(loaded.owned.get(), loaded.header);
  DibImage image;
  LoadNamed(image, "SPPAT_R0", bitmaps.Source());
  EXPECT_EQ(TestPixel(7, 3), *PixelAt(image, 7, 3));
}
