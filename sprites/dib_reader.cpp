// Reading BMP files and packed DIBs from bytes into the engine's 8-bit form.
#include "sprites/dib_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t Load32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The image sizes the engine can address; everything derived from them fits in
// 64 bits with room to spare.
bool IsAddressable(const DibInfoHeader& h) {
  if (h.biBitCount != 8 || h.biCompression != 0) return false;
  if (h.biWidth <= 0 || h.biHeight <= 0) return false;
  if (h.biWidth > kMaxDibSide || h.biHeight > kMaxDibSide) return false;
  return static_cast<uint64_t>(RowStride(h.biWidth)) * static_cast<uint64_t>(h.biHeight) <=
         kMaxDibPixelBytes;
}

}  // namespace

bool ReadDibHeader(const uint8_t* bytes, size_t size, DibHeaderRead& out) {
  if (size < kFileHeaderSize) return false;
  uint64_t pos = 0;
  uint32_t offBits = 0;
  if (Load16(bytes) == kBitmapFileType) {
    offBits = Load32(bytes + 10);
    pos = kFileHeaderSize;
  }
  // Even the 12-byte form needs 40 bytes behind it: a real core-header file has
  // its colour table there.
  if (size - pos < kInfoHeaderSize) return false;
  const uint8_t* h = bytes + pos;
  const uint32_t headerSize = Load32(h);
  DibHeaderRead read;
  if (headerSize == kCoreHeaderSize) {
    read.header.biWidth = Load16(h + 4);  // 16-bit sides, widened without sign
    read.header.biHeight = Load16(h + 6);
    read.header.biPlanes = Load16(h + 8);
    read.header.biBitCount = Load16(h + 10);
    read.colourEntrySize = 3;
  } else if (headerSize >= kInfoHeaderSize && headerSize <= kMaxInfoHeaderSize) {
    read.header = LoadInfoHeader(h);
  } else {
    return false;
  }
  read.header.biSize = kInfoHeaderSize;
  // A longer info header keeps its extra fields before the colour table.
  read.colourTableOffset = pos + headerSize;

  DibInfoHeader& hd = read.header;
  if (hd.biClrUsed != 0) {
    read.colours = hd.biClrUsed;
  } else if (hd.biBitCount <= 8) {
    read.colours = 1u << hd.biBitCount;
  }
  if (hd.biSizeImage == 0) {
    const uint32_t bitsPerRow = uint32_t{hd.biBitCount} * static_cast<uint32_t>(hd.biWidth) + 31;
    hd.biSizeImage = bitsPerRow / 32 * 4 * static_cast<uint32_t>(hd.biHeight);
  }
  if (hd.biClrUsed == 0 && hd.biBitCount <= 8) hd.biClrUsed = 1u << hd.biBitCount;
  // bfOffBits counts from the start of the file header; without one (or with 0)
  // the pixels follow the colour table.
  read.pixelOffset = offBits != 0
      ? uint64_t{offBits}
      : read.colourTableOffset + uint64_t{read.colours} * read.colourEntrySize;
  out = read;
  return true;
}

bool IsEngineDib(const uint8_t* bytes, size_t size) {
  if (size < DIB_PIXEL_OFFSET) return false;
  const DibInfoHeader h = LoadInfoHeader(bytes);
  if (h.biSize != kInfoHeaderSize || !IsAddressable(h)) return false;
  if (h.biClrUsed != 0 && h.biClrUsed != kColourTableEntries) return false;
  const uint64_t pixels = static_cast<uint64_t>(RowStride(h.biWidth)) * static_cast<uint64_t>(h.biHeight);
  return pixels <= size - DIB_PIXEL_OFFSET;
}

std::unique_ptr<uint8_t[]> ReadPackedDib(const uint8_t* bytes, size_t size) {
  DibHeaderRead read;
  if (!ReadDibHeader(bytes, size, read)) return nullptr;
  DibInfoHeader h = read.header;
  if (!IsAddressable(h) || read.colours > kColourTableEntries) return nullptr;

  const uint64_t pixelBytes = static_cast<uint64_t>(RowStride(h.biWidth)) * static_cast<uint64_t>(h.biHeight);
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[DIB_PIXEL_OFFSET + pixelBytes]());
  if (!block) return nullptr;

  // The colour table as far as the bytes hold it; the rest stays black.
  uint8_t* table = block.get() + kInfoHeaderSize;
  for (uint32_t i = 0; i < read.colours; ++i) {
    const uint64_t at = read.colourTableOffset + uint64_t{i} * read.colourEntrySize;
    if (at + read.colourEntrySize > size) break;
    std::memcpy(table + i * 4, bytes + at, read.colourEntrySize);
  }

  // biSizeImage says how much pixel data the file means to give; the block holds
  // the whole image whatever it says, and whatever the bytes lack stays 0.
  const uint64_t available = read.pixelOffset < size ? size - read.pixelOffset : 0;
  const uint64_t copy = std::min({uint64_t{h.biSizeImage}, pixelBytes, available});
  if (copy > 0) std::memcpy(block.get() + DIB_PIXEL_OFFSET, bytes + read.pixelOffset, copy);

  h.biSizeImage = static_cast<uint32_t>(pixelBytes);
  h.biClrUsed = kColourTableEntries;
  StoreInfoHeader(block.get(), h);
  return block;
}
