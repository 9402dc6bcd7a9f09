// Fuzz target: a sprite scene driven by random operations (sizes, patterns,
// centres far outside the buffer, visibility, counts, any sheet), rendered and
// presented, with the back buffer checked to hold only the background between frames.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "sprites/sprite_scene.h"

namespace {

constexpr int kMaxOperations = 128;
constexpr int32_t kMaxSide = 256;  // of the back buffer

void Check(bool condition) {
  if (!condition) std::abort();
}

// Reads the input front to back; past its end every byte is 0.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return at_ >= size_; }
  uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
  uint32_t Next16() { return Next() | static_cast<uint32_t>(Next()) << 8; }
  int32_t Next32() { return static_cast<int32_t>(Next16() | Next16() << 16); }
  const uint8_t* Take(size_t count, size_t& taken) {
    taken = count < size_ - at_ ? count : size_ - at_;
    const uint8_t* start = data_ + at_;
    at_ += taken;
    return start;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Image 0 ("SPPAT_R0") is the sheet from the input, as a file or built in;
// every other image is missing.
struct Sheet {
  const uint8_t* data;
  size_t size;
  bool asFile;

  static bool ReadFile(void* context, const char* name, std::vector<uint8_t>& bytes) {
    auto* self = static_cast<Sheet*>(context);
    if (!self->asFile || std::string_view(name) != "SPPAT_R0") return false;
    bytes.assign(self->data, self->data + self->size);
    return true;
  }
  static ByteView FindBuiltIn(void* context, const char* name) {
    auto* self = static_cast<Sheet*>(context);
    if (self->asFile || std::string_view(name) != "SPPAT_R0") return {};
    return {self->data, self->size};
  }
};

// Every rectangle handed to the sink, once clipped, lies inside the back buffer.
void CheckPut(void*, const DibImage& backBuffer, SceneRect rect) {
  const SceneRect clipped = ClipRectToImage(rect, backBuffer);
  if (clipped.width == 0 || clipped.height == 0) return;
  Check(clipped.left >= 0 && clipped.top >= 0 && clipped.left + clipped.width <= backBuffer.width &&
        clipped.top + clipped.height <= backBuffer.height);
  Check(PixelAt(backBuffer, clipped.left + clipped.width - 1, clipped.top + clipped.height - 1) != nullptr);
}

void RenderAndCheck(SpriteScene& scene) {
  RenderScene(scene, PresentSink{nullptr, nullptr, CheckPut, nullptr});
  const DibImage& buffer = scene.backBuffer;
  if (buffer.bits == nullptr) return;
  // Whole rows at a time: this check is most of the target's work.
  static const uint8_t kBlackRow[kMaxSide] = {};
  for (int32_t y = 0; y < buffer.height; ++y) Check(std::memcmp(PixelAt(buffer, 0, y), kBlackRow, buffer.width) == 0);
}

}  // namespace

// Input: a byte of counts (sprites 0..7, patterns 0..7, sheet as file or built
// in, one or two pattern images), width and height bytes (1..256), a 16-bit
// sheet length and the sheet's bytes, then up to kMaxOperations operations.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const uint8_t counts = in.Next();
  const int32_t spriteCount = counts & 7;
  const int32_t patternCount = (counts >> 3) & 7;
  const int32_t width = in.Next() + 1;
  const int32_t height = in.Next() + 1;
  size_t sheetSize = 0;
  const uint8_t* sheetBytes = in.Take(in.Next16(), sheetSize);
  Sheet sheet{sheetBytes, sheetSize, (counts & 0x40) != 0};

  ScenePlatform platform;
  platform.bitmaps = {&sheet, &Sheet::ReadFile, &Sheet::FindBuiltIn};
  SpriteScene scene;
  CreateScene(scene, platform, spriteCount, patternCount, 1 + (counts >> 7), width, height);

  // Indices run one past either end, so that out-of-range calls are tried too.
  auto index = [&](int32_t count) { return static_cast<int32_t>(in.Next() % (count + 2)) - 1; };
  // A bounded number of operations keeps each input quick, whatever its length.
  for (int operation = 0; operation < kMaxOperations && !in.AtEnd(); ++operation) {
    switch (in.Next() % 6) {
      case 0: {
        const int32_t sprite = index(spriteCount);
        const int32_t w = in.Next() - 8, h = in.Next() - 8;
        SetSpriteSize(scene, sprite, w, h);
        break;
      }
      case 1: {
        const int32_t pattern = index(patternCount), image = index(2);
        const auto hotspotX = static_cast<int16_t>(in.Next16()), hotspotY = static_cast<int16_t>(in.Next16());
        DefinePattern(scene, pattern, image, hotspotX, hotspotY);
        break;
      }
      case 2: {
        const int32_t sprite = index(spriteCount);
        SetSpritePattern(scene, sprite, index(patternCount));
        break;
      }
      case 3: {
        const int32_t sprite = index(spriteCount);
        // Near the buffer mostly; anywhere in 32 bits now and then.
        const bool far = (in.Next() & 1) != 0;
        const int32_t x = far ? in.Next32() : in.Next() * 2 - 128;
        const int32_t y = far ? in.Next32() : in.Next() * 2 - 128;
        SetSpriteCentre(scene, sprite, x, y);
        break;
      }
      case 4: {
        const int32_t sprite = index(spriteCount);
        SetSpriteVisible(scene, sprite, static_cast<int32_t>(in.Next16()));
        break;
      }
      default:
        RenderAndCheck(scene);
        break;
    }
  }
  RenderAndCheck(scene);
  return 0;
}
