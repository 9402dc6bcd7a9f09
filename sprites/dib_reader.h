// Reading BMP files and packed DIBs from bytes into the engine's 8-bit form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "sprites/dib_image.h"

constexpr uint16_t kBitmapFileType = 0x4D42;  // "BM"
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
// The longest info header form (the fifth version); longer sizes are refused.
constexpr size_t kMaxInfoHeaderSize = 124;
// The largest bitmap file worth reading: the largest image the engine accepts,
// with room for headers and a gap before the pixels.
constexpr uint64_t kMaxBitmapFileBytes = kMaxDibPixelBytes + (uint64_t{1} << 20);

// What the header of a bitmap says, with the 12-byte core header widened to the
// 40-byte form, biSizeImage filled in when it was 0 and biClrUsed when it was 0.
struct DibHeaderRead {
  DibInfoHeader header;
  uint32_t colours = 0;              // entries the file's colour table holds
  uint32_t colourEntrySize = 4;      // 3 for a core header's triples
  uint64_t colourTableOffset = 0;    // in the bytes given
  uint64_t pixelOffset = 0;          // where the pixel rows begin in the bytes given
};

// Parses the optional 14-byte file header and the 12-byte or 40-byte (or longer
// info) header at the start of `bytes`. False when the bytes are shorter than a
// file header or an info header, or the header size is not one of those forms.
// Says nothing yet about whether the engine can use the image.
bool ReadDibHeader(const uint8_t* bytes, size_t size, DibHeaderRead& out);

// True when `bytes` already is a packed DIB in the engine's form: a 40-byte
// header, 8 bits, uncompressed, a 256-entry table, sides positive and within
// limits, and all the pixel rows present. Such bytes can be addressed in place.
bool IsEngineDib(const uint8_t* bytes, size_t size);

// Reads a BMP file (with or without its file header) or a packed DIB into a new
// block in the engine's form: 40-byte header, colour table padded with black to
// 256 entries, pixels at DIB_PIXEL_OFFSET. Pixel bytes the input lacks are 0.
// Null when the input is not an uncompressed 8-bit image of at most 256 colours
// with positive sides within the engine's limits, or memory runs out.
std::unique_ptr<uint8_t[]> ReadPackedDib(const uint8_t* bytes, size_t size);
