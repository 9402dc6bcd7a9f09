// The Win32 side of the images: the back buffer's DIB section and where named
// bitmaps are found (the platform's file search, then the program's resources).
#include "sprites/dib_image_win32.h"

#include "sprites/dib_reader.h"

namespace {

bool ReadNamedFile(void*, const char* name, std::vector<uint8_t>& bytes) {
  OFSTRUCT found{};
  const HFILE file = OpenFile(name, &found, OF_READ);
  if (file == HFILE_ERROR) return false;
  const LONG size = _llseek(file, 0, FILE_END);
  // A file larger than any image the engine takes is not read at all.
  if (size < 0 || static_cast<uint64_t>(size) > kMaxBitmapFileBytes) {
    _lclose(file);
    return false;
  }
  _llseek(file, 0, FILE_BEGIN);
  bytes.resize(static_cast<size_t>(size));
  const long got = size > 0 ? _hread(file, bytes.data(), size) : 0;
  bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  _lclose(file);
  return true;
}

ByteView FindBitmapResource(void*, const char* name) {
  const HMODULE module = GetModuleHandleA(nullptr);
  const HRSRC resource = FindResourceA(module, name, RT_BITMAP);
  if (resource == nullptr) return {};
  const HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  return {static_cast<const uint8_t*>(data), SizeofResource(module, resource)};
}

}  // namespace

HBITMAP CreateSection(DibImage& image, int32_t width, int32_t height) {
  WriteSectionHeader(image, width, height);
  image.bits = nullptr;
  if (image.header == nullptr) return nullptr;
  void* bits = nullptr;
  const HDC screen = GetDC(nullptr);
  const HBITMAP section = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(image.info), DIB_RGB_COLORS,
                                           &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (section != nullptr) image.bits = static_cast<uint8_t*>(bits);
  return section;
}

BitmapSource Win32BitmapSource() { return {nullptr, &ReadNamedFile, &FindBitmapResource}; }

LoadedBitmap LoadBitmapByName(const char* name) { return LoadBitmapByName(name, Win32BitmapSource()); }
