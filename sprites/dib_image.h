// 8-bit packed DIBs in memory: the image record, its pixel addressing and its storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Every image the engine addresses is a 40-byte info header, a 256-entry colour
// table of 4-byte (blue, green, red, reserved) entries, then the pixel rows,
// bottom row first, each padded to a multiple of 4 bytes.
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kColourTableEntries = 256;
constexpr size_t DIB_PIXEL_OFFSET = kInfoHeaderSize + kColourTableEntries * 4;  // 1064

// The largest images the reader and the allocators accept. The sprite sheet is
// 64 x 2048 and a back buffer is a screen; anything beyond these is refused
// rather than allocated.
constexpr int32_t kMaxDibSide = 16384;
constexpr uint64_t kMaxDibPixelBytes = uint64_t{64} << 20;

// The header fields, in their on-disk order; values are little-endian in memory.
struct DibInfoHeader {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

DibInfoHeader LoadInfoHeader(const uint8_t* bytes);
void StoreInfoHeader(uint8_t* bytes, const DibInfoHeader& header);

// An image the engine works on. Empty while `header` is null: the blits then do
// nothing and PixelAt yields null.
struct DibImage {
  // The platform's logical palette made from the colour table (only the back
  // buffer has one); an opaque handle that the platform layer creates and deletes.
  void* palette = nullptr;
  // The packed DIB: header, colour table, and (except for a back buffer whose
  // pixels the platform holds) the pixels at DIB_PIXEL_OFFSET.
  uint8_t* header = nullptr;
  // The block `header` points into when the engine allocated it (read from a
  // file, blank, or a back buffer's header); null for built-in data used in place.
  std::unique_ptr<uint8_t[]> ownedHeader;
  uint8_t* bits = nullptr;  // first byte of the bottom row; null: no pixel memory
  uint8_t* info = nullptr;  // same address as `header`; its biWidth gives the row stride
  int32_t width = 0;
  int32_t height = 0;
};

// Bytes of one stored row of an 8-bit image `width` pixels wide: width rounded up
// to a multiple of 4.
constexpr int64_t RowStride(int64_t width) { return (width + 3) & ~int64_t{3}; }

// Whether an 8-bit image of width x height is within the limits above.
constexpr bool DibFitsLimits(int32_t width, int32_t height) {
  return width > 0 && height > 0 && width <= kMaxDibSide && height <= kMaxDibSide &&
         static_cast<uint64_t>(RowStride(width)) * static_cast<uint64_t>(height) <= kMaxDibPixelBytes;
}

// Address of pixel (x, y), x from the left and y from the top, or null when the
// point lies outside 0 <= x < width, 0 <= y < height or the image has no pixel
// memory. The blits look up one corner per rectangle and walk rows from there.
uint8_t* PixelAt(const DibImage& image, int32_t x, int32_t y);

// A zero-filled packed DIB (black colour table, every pixel index 0) with a
// 40-byte header for `bitsPerPixel`, `width` x `height`, and room for a 256-entry
// table whatever the depth. Null when a side is negative or the size is beyond
// the engine's limits, or memory runs out.
std::unique_ptr<uint8_t[]> AllocBlankDib(int32_t bitsPerPixel, int32_t width, int32_t height);

// Gives an empty image a blank 8-bit block of width x height (a sprite's
// background store). Returns `header`, null on failure (the image stays empty).
uint8_t* CreateBlank(DibImage& image, int32_t width, int32_t height);

// The portable half of making a back buffer: allocates the 1064-byte header block
// unless the image already has one, writes an 8-bit bottom-up header for width x
// height (colour table left as it is: zero in a new block) and sets width, height
// and info. The pixel memory (`bits`) is the caller's to provide.
void WriteSectionHeader(DibImage& image, int32_t width, int32_t height);

struct ByteView {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// Where named bitmaps come from. The Win32 layer fills it with the platform's
// file search and the module's bitmap resources; tools and tests with their own.
struct BitmapSource {
  void* context = nullptr;
  // Reads the whole file `name` into `bytes`; false when there is no such file
  // or it cannot be read. May be null: no files.
  bool (*readFile)(void* context, const char* name, std::vector<uint8_t>& bytes) = nullptr;
  // The built-in bitmap `name`: a packed DIB without file header, valid and
  // unchanged for the life of the process. Empty view when there is none. May
  // be null: nothing built in.
  ByteView (*findBuiltIn)(void* context, const char* name) = nullptr;
};

struct LoadedBitmap {
  uint8_t* header = nullptr;          // null: no such bitmap, or refused
  std::unique_ptr<uint8_t[]> owned;   // the block when it was read into memory
};

// A named bitmap: a file of that name takes precedence; a file that is missing
// or refused by the reader counts as absent and the built-in bitmap is used. A
// built-in bitmap already in the engine's form is used in place (read-only);
// any other accepted form is read into a new block.
LoadedBitmap LoadBitmapByName(const char* name, const BitmapSource& source);

// Fills an empty image from LoadBitmapByName. When nothing is found the image
// stays empty and its other fields are untouched.
void LoadNamed(DibImage& image, const char* name, const BitmapSource& source);
