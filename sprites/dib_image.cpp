// 8-bit packed DIBs in memory: the image record, its pixel addressing and its storage.
#include "sprites/dib_image.h"

#include <new>

#include "sprites/dib_reader.h"

namespace {

uint32_t Load32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void Store32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

void Store16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

DibInfoHeader LoadInfoHeader(const uint8_t* b) {
  DibInfoHeader h;
  h.biSize = Load32(b);
  h.biWidth = static_cast<int32_t>(Load32(b + 4));
  h.biHeight = static_cast<int32_t>(Load32(b + 8));
  h.biPlanes = static_cast<uint16_t>(b[12] | b[13] << 8);
  h.biBitCount = static_cast<uint16_t>(b[14] | b[15] << 8);
  h.biCompression = Load32(b + 16);
  h.biSizeImage = Load32(b + 20);
  h.biXPelsPerMeter = static_cast<int32_t>(Load32(b + 24));
  h.biYPelsPerMeter = static_cast<int32_t>(Load32(b + 28));
  h.biClrUsed = Load32(b + 32);
  h.biClrImportant = Load32(b + 36);
  return h;
}

void StoreInfoHeader(uint8_t* b, const DibInfoHeader& h) {
  Store32(b, h.biSize);
  Store32(b + 4, static_cast<uint32_t>(h.biWidth));
  Store32(b + 8, static_cast<uint32_t>(h.biHeight));
  Store16(b + 12, h.biPlanes);
  Store16(b + 14, h.biBitCount);
  Store32(b + 16, h.biCompression);
  Store32(b + 20, h.biSizeImage);
  Store32(b + 24, static_cast<uint32_t>(h.biXPelsPerMeter));
  Store32(b + 28, static_cast<uint32_t>(h.biYPelsPerMeter));
  Store32(b + 32, h.biClrUsed);
  Store32(b + 36, h.biClrImportant);
}

uint8_t* PixelAt(const DibImage& image, int32_t x, int32_t y) {
  if (image.bits == nullptr || image.info == nullptr) return nullptr;
  if (x < 0 || x >= image.width || y < 0 || y >= image.height) return nullptr;
  const int32_t headerWidth = static_cast<int32_t>(Load32(image.info + 4));
  const int64_t stride = RowStride(headerWidth);
  return image.bits + stride * (int64_t{image.height} - y - 1) + x;
}

std::unique_ptr<uint8_t[]> AllocBlankDib(int32_t bitsPerPixel, int32_t width, int32_t height) {
  if (bitsPerPixel <= 0 || width < 0 || height < 0) return nullptr;
  if (width > kMaxDibSide || height > kMaxDibSide) return nullptr;
  const int64_t stride = (int64_t{width} * bitsPerPixel / 8 + 3) & ~int64_t{3};
  const uint64_t pixelBytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  if (pixelBytes > kMaxDibPixelBytes) return nullptr;
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[DIB_PIXEL_OFFSET + pixelBytes]());
  if (!block) return nullptr;
  DibInfoHeader h;
  h.biSize = kInfoHeaderSize;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(bitsPerPixel);
  StoreInfoHeader(block.get(), h);
  return block;
}

uint8_t* CreateBlank(DibImage& image, int32_t width, int32_t height) {
  std::unique_ptr<uint8_t[]> block = AllocBlankDib(8, width, height);
  if (!block) return nullptr;
  image.ownedHeader = std::move(block);
  image.header = image.ownedHeader.get();
  image.width = width;
  image.height = height;
  image.bits = image.header + DIB_PIXEL_OFFSET;
  image.info = image.header;
  return image.header;
}

void WriteSectionHeader(DibImage& image, int32_t width, int32_t height) {
  if (image.header == nullptr) {
    image.ownedHeader.reset(new (std::nothrow) uint8_t[DIB_PIXEL_OFFSET]());
    image.header = image.ownedHeader.get();
    if (image.header == nullptr) return;
  }
  DibInfoHeader h;
  h.biSize = kInfoHeaderSize;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 8;
  StoreInfoHeader(image.header, h);
  image.width = width;
  image.height = height;
  image.info = image.header;
}

LoadedBitmap LoadBitmapByName(const char* name, const BitmapSource& source) {
  LoadedBitmap loaded;
  if (source.readFile != nullptr) {
    std::vector<uint8_t> bytes;
    if (source.readFile(source.context, name, bytes)) {
      loaded.owned = ReadPackedDib(bytes.data(), bytes.size());
      if (loaded.owned) {
        loaded.header = loaded.owned.get();
        return loaded;
      }
    }
  }
  if (source.findBuiltIn == nullptr) return loaded;
  const ByteView builtIn = source.findBuiltIn(source.context, name);
  if (builtIn.data == nullptr) return loaded;
  if (IsEngineDib(builtIn.data, builtIn.size)) {
    // Built-in data lives as long as the process and is only ever read.
    loaded.header = const_cast<uint8_t*>(builtIn.data);
    return loaded;
  }
  loaded.owned = ReadPackedDib(builtIn.data, builtIn.size);
  loaded.header = loaded.owned.get();
  return loaded;
}

void LoadNamed(DibImage& image, const char* name, const BitmapSource& source) {
  LoadedBitmap loaded = LoadBitmapByName(name, source);
  if (loaded.header == nullptr) return;
  const DibInfoHeader h = LoadInfoHeader(loaded.header);
  image.ownedHeader = std::move(loaded.owned);
  image.header = loaded.header;
  image.width = h.biWidth;
  image.height = h.biHeight;
  image.bits = image.header + DIB_PIXEL_OFFSET;
  image.info = image.header;
}
