// Fuzz target: a bitmap file as the program may find it beside itself, read,
// addressed, drawn from and rendered in a scene.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sprites/blits.h"
#include "sprites/dib_reader.h"
#include "sprites/sprite_scene.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
  bool asFile;

  static bool ReadFile(void* context, const char*, std::vector<uint8_t>& bytes) {
    auto* self = static_cast<Input*>(context);
    if (!self->asFile) return false;
    bytes.assign(self->data, self->data + self->size);
    return true;
  }
  static ByteView FindBuiltIn(void* context, const char*) {
    auto* self = static_cast<Input*>(context);
    return self->asFile ? ByteView{} : ByteView{self->data, self->size};
  }
};

// Byte i of the input, or 0 past its end: drives positions and hotspots.
int32_t Knob(const uint8_t* data, size_t size, size_t i) { return i < size ? data[i] : 0; }

void Check(bool condition) {
  if (!condition) std::abort();
}

// Every pixel of an accepted image can be read where PixelAt says it is.
uint32_t TouchCorners(const DibImage& image) {
  uint32_t sum = 0;
  for (int32_t y : {0, image.height - 1}) {
    for (int32_t x : {0, image.width - 1}) {
      const uint8_t* p = PixelAt(image, x, y);
      Check(p != nullptr);
      sum += *p;
    }
  }
  Check(PixelAt(image, image.width, 0) == nullptr);
  Check(PixelAt(image, 0, -1) == nullptr);
  return sum;
}

void RenderOnce(const uint8_t* data, size_t size, bool asFile) {
  Input input{data, size, asFile};
  ScenePlatform platform;
  platform.bitmaps = {&input, &Input::ReadFile, &Input::FindBuiltIn};
  SpriteScene scene;
  constexpr int32_t kWidth = 97, kHeight = 61, kPatterns = 4;
  CreateScene(scene, platform, 3, kPatterns, 1, kWidth, kHeight);
  const DibImage& sheet = scene.patternImages[0];
  if (sheet.header != nullptr) TouchCorners(sheet);
  const int32_t sizes[] = {64, 65, 7};
  for (int32_t i = 0; i < 3; ++i) SetSpriteSize(scene, i, sizes[i], sizes[i]);
  for (int32_t k = 0; k < kPatterns - 1; ++k) DefinePattern(scene, k, 0, 32, 32 + 64 * k);
  // One pattern anywhere, inside the sheet or not.
  DefinePattern(scene, kPatterns - 1, 0, Knob(data, size, 20) - 64, Knob(data, size, 21) * 9 - 64);
  for (int frame = 0; frame < 3; ++frame) {
    for (int32_t i = 0; i < 3; ++i) {
      const size_t at = 24 + 3 * (3 * frame + i);
      SetSpritePattern(scene, i, Knob(data, size, at) % (kPatterns + 1));
      SetSpriteCentre(scene, i, Knob(data, size, at + 1) - 64, Knob(data, size, at + 2) - 96);
      SetSpriteVisible(scene, i, 1);
    }
    RenderScene(scene, PresentSink{});
    // The back buffer is black again after every frame.
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) Check(*PixelAt(scene.backBuffer, x, y) == 0);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<uint8_t[]> block = ReadPackedDib(data, size);
  if (block) {
    DibImage image;
    image.header = image.info = block.get();
    image.bits = block.get() + DIB_PIXEL_OFFSET;
    image.width = LoadInfoHeader(block.get()).biWidth;
    image.height = LoadInfoHeader(block.get()).biHeight;
    TouchCorners(image);
    DibImage target;
    CreateBlank(target, 70, 70);
    DrawTransparent(image, target, -5, -7, 80, 80, Knob(data, size, 30) - 8, Knob(data, size, 31) - 8);
    // Restore puts back exactly what Save took: the rectangle's part inside the
    // image, over every pixel inverted in between, and nothing else.
    DibImage store;
    CreateBlank(store, 33, 17);
    const int32_t x0 = Knob(data, size, 32) - 16, y0 = Knob(data, size, 33) - 8;
    SaveRect(store, image, x0, y0);
    std::vector<uint8_t> before;
    for (int32_t y = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x) {
        before.push_back(*PixelAt(image, x, y));
        *PixelAt(image, x, y) ^= 0xFF;
      }
    }
    RestoreRect(store, image, x0, y0);
    for (int32_t y = 0, i = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x, ++i) {
        const bool inside = x >= x0 && x < x0 + 33 && y >= y0 && y < y0 + 17;
        Check(*PixelAt(image, x, y) == (inside ? before[i] : before[i] ^ 0xFF));
      }
    }
  }
  RenderOnce(data, size, true);   // as a file beside the program
  RenderOnce(data, size, false);  // as a built-in bitmap, in place when it can be
  return 0;
}
