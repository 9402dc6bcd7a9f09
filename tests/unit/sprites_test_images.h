// Bitmaps made in memory for the sprite engine's tests: BMP files in each header
// form and small sprite sheets.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "sprites/dib_image.h"

namespace sprites_test {

inline void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Colour entry i of the test files: distinct in every channel.
inline uint8_t TestBlue(uint32_t i) { return static_cast<uint8_t>(i); }
inline uint8_t TestGreen(uint32_t i) { return static_cast<uint8_t>(255 - i); }
inline uint8_t TestRed(uint32_t i) { return static_cast<uint8_t>(i * 7 + 3); }

// Pixel (x, y), counted from the top, of the test files.
inline uint8_t TestPixel(int32_t x, int32_t y) { return static_cast<uint8_t>(x * 3 + y * 5 + 1); }

struct BmpForm {
  int32_t width = 8;
  int32_t height = 4;
  uint16_t bitCount = 8;
  uint32_t compression = 0;
  uint32_t clrUsed = 0;       // written as is; the table holds clrUsed entries, 256 when 0
  uint32_t sizeImage = 0;     // written as is
  uint32_t headerSize = 40;   // 12 for the core form, 108 or 124 for the longer ones
  bool fileHeader = false;
  uint32_t gap = 0;           // junk bytes (0xAB) between the colour table and the pixels
  uint32_t dropTail = 0;      // bytes cut off the end of the file
};

// A BMP as a drawing program would write it, pixel rows bottom-up.
inline std::vector<uint8_t> MakeBmp(const BmpForm& f) {
  const uint32_t colours = f.clrUsed != 0 ? f.clrUsed : (f.bitCount <= 8 ? 1u << f.bitCount : 0);
  const bool core = f.headerSize == 12;
  const uint32_t entrySize = core ? 3 : 4;
  const uint32_t stride = (static_cast<uint32_t>(f.width) * f.bitCount + 31) / 32 * 4;
  const uint32_t rows = static_cast<uint32_t>(f.height < 0 ? -f.height : f.height);
  const uint32_t tableEnd = (f.fileHeader ? 14 : 0) + f.headerSize + colours * entrySize;
  std::vector<uint8_t> b;
  if (f.fileHeader) {
    Put16(b, 0x4D42);
    Put32(b, tableEnd + f.gap + stride * rows);
    Put32(b, 0);
    Put32(b, tableEnd + f.gap);
  }
  if (core) {
    Put32(b, 12);
    Put16(b, static_cast<uint16_t>(f.width));
    Put16(b, static_cast<uint16_t>(f.height));
    Put16(b, 1);
    Put16(b, f.bitCount);
  } else {
    Put32(b, f.headerSize);
    Put32(b, static_cast<uint32_t>(f.width));
    Put32(b, static_cast<uint32_t>(f.height));
    Put16(b, 1);
    Put16(b, f.bitCount);
    Put32(b, f.compression);
    Put32(b, f.sizeImage);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, f.clrUsed);
    Put32(b, 0);
    // The fields of the longer forms: masks and colour space, here junk that
    // must not be taken for colours.
    for (uint32_t i = 40; i < f.headerSize; ++i) b.push_back(0xC5);
  }
  for (uint32_t i = 0; i < colours; ++i) {
    b.push_back(TestBlue(i));
    b.push_back(TestGreen(i));
    b.push_back(TestRed(i));
    if (!core) b.push_back(0x5A);
  }
  for (uint32_t i = 0; i < f.gap; ++i) b.push_back(0xAB);
  for (uint32_t row = 0; row < rows; ++row) {
    const int32_t y = static_cast<int32_t>(rows - 1 - row);
    for (uint32_t x = 0; x < stride; ++x) {
      b.push_back(x < static_cast<uint32_t>(f.width) ? TestPixel(static_cast<int32_t>(x), y) : 0xEE);
    }
  }
  b.resize(b.size() - f.dropTail);
  return b;
}

// An engine-form DIB (40-byte header, 256 colours, pixels at DIB_PIXEL_OFFSET)
// with colour i = TestRed/Green/Blue(i) and pixel (x, y) = pixel(x, y).
template <typename PixelFn>
std::vector<uint8_t> MakeEngineDib(int32_t width, int32_t height, PixelFn pixel) {
  std::vector<uint8_t> b;
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, 8);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (uint32_t i = 0; i < 256; ++i) {
    b.push_back(TestBlue(i));
    b.push_back(TestGreen(i));
    b.push_back(TestRed(i));
    b.push_back(0);
  }
  const int32_t stride = (width + 3) & ~3;
  for (int32_t row = 0; row < height; ++row) {
    for (int32_t x = 0; x < stride; ++x) b.push_back(x < width ? pixel(x, height - 1 - row) : 0);
  }
  return b;
}

// A blank image of width x height with pixel (x, y) = pixel(x, y).
template <typename PixelFn>
DibImage MakeImage(int32_t width, int32_t height, PixelFn pixel) {
  DibImage image;
  CreateBlank(image, width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) *PixelAt(image, x, y) = pixel(x, y);
  }
  return image;
}

// A bitmap source serving one built-in byte block and, optionally, one file.
struct FakeBitmaps {
  const char* name = "SPPAT_R0";
  std::vector<uint8_t> builtIn;
  bool hasFile = false;
  std::vector<uint8_t> file;
  int fileReads = 0;

  static bool ReadFile(void* context, const char* name, std::vector<uint8_t>& bytes) {
    auto* self = static_cast<FakeBitmaps*>(context);
    if (!self->hasFile || std::strcmp(name, self->name) != 0) return false;
    ++self->fileReads;
    bytes = self->file;
    return true;
  }
  static ByteView FindBuiltIn(void* context, const char* name) {
    auto* self = static_cast<FakeBitmaps*>(context);
    if (self->builtIn.empty() || std::strcmp(name, self->name) != 0) return {};
    return {self->builtIn.data(), self->builtIn.size()};
  }
  BitmapSource Source() { return {this, &ReadFile, &FindBuiltIn}; }
};

}  // namespace sprites_test
