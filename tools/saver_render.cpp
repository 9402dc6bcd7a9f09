// saver-render: runs the real animation without a window and saves what the
// window would show, as a PNG picture after a given tick or an animated GIF.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "animation/desktop.h"
#include "animation/headless_view.h"
#include "sprites/dib_reader.h"
#include "sprites/present_scale.h"
#include "tools/parse_integer.h"

#if SAVER_RENDER_LIBPNG
#include <png.h>
#else
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_WIDE
#include <stb_image_write.h>
#endif
#if SAVER_RENDER_GIFLIB
#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>
#endif

// The committed sprite sheet as a BMP file, embedded at build time.
extern const unsigned char kBuiltInSheetFile[];
extern const size_t kBuiltInSheetFileSize;

namespace {

constexpr const char* kUsage =
    "usage: saver-render --seed S (--width W --height H | --layout X,Y,W,H[;X,Y,W,H...]) --count N --ticks T\n"
    "       [--monitors main|each|across] [--scale N[,N...]] [--sheet FILE] (--out FILE.png | [--from A] --gif FILE.gif)\n"
    "  W x H is the window's size in screen pixels; at --scale N (1-4) the animation runs on W/N x H/N\n"
    "  and each of its pixels is shown as N x N. A layout lists the monitors in desktop pixels,\n"
    "  the first primary; the picture is their bounding box, black where no monitor is. A list of\n"
    "  scales gives each monitor of the layout its own, in its order (across: the first for all).\n";

constexpr int kGifDelayCentiseconds = 5;  // the animation's 50 ms tick

struct Options {
  int64_t seed = -1, width = -1, height = -1, count = -1, ticks = -1, from = -1;
  std::vector<int32_t> scales;
  const char* sheet = nullptr;
  const char* png = nullptr;
  const char* gif = nullptr;
  DesktopOptions desktop;
};

// "N" or "N,N,...", each 1 to 4, at most one per monitor of a layout.
bool ParseScales(const char* text, std::vector<int32_t>& scales) {
  const std::string all = text != nullptr ? text : "";
  for (size_t start = 0; start <= all.size() && scales.size() < kMaxLayoutMonitors;) {
    const size_t end = std::min(all.find(',', start), all.size());
    int64_t scale = 0;
    if (!ParseInteger(all.substr(start, end - start).c_str(), kMinPresentScale, kMaxPresentScale, scale)) return false;
    scales.push_back(static_cast<int32_t>(scale));
    if (end == all.size()) return true;
    start = end + 1;
  }
  return false;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto text = [&](const char*& field) {
      if (field != nullptr || value == nullptr || *value == '\0') return false;
      field = value;
      return true;
    };
    auto number = [&](int64_t& field, int64_t low, int64_t high) {
      return field < 0 && ParseInteger(value, low, high, field);
    };
    bool ok;
    if (name == "--seed") ok = number(o.seed, 0, UINT32_MAX);
    else if (name == "--width") ok = number(o.width, 1, kMaxDibSide);
    else if (name == "--height") ok = number(o.height, 1, kMaxDibSide);
    else if (name == "--count") ok = number(o.count, kMinMoleculeCount, kMaxMoleculeCount);
    else if (name == "--ticks") ok = number(o.ticks, 0, INT32_MAX);
    else if (name == "--from") ok = number(o.from, 1, INT32_MAX);
    else if (name == "--scale") ok = o.scales.empty() && ParseScales(value, o.scales);
    else if (name == "--sheet") ok = text(o.sheet);
    else if (name == "--out") ok = text(o.png);
    else if (name == "--gif") ok = text(o.gif);
    else if (!o.desktop.Parse(name, value, ok)) ok = false;
    if (!ok) return false;
  }
  if (!o.desktop.Settle(o.width, o.height)) return false;
  const ScreenRect bounds = FindDesktopBounds(o.desktop.layout);
  o.width = bounds.right - bounds.left;
  o.height = bounds.bottom - bounds.top;
  if (o.width > kMaxDibSide || o.height > kMaxDibSide) return false;
  if (o.seed < 0 || o.count < 0 || o.ticks < 0) return false;
  if (o.scales.empty()) o.scales.push_back(1);
  if ((o.png == nullptr) == (o.gif == nullptr)) return false;  // exactly one output
  if (o.png != nullptr) return o.from < 0;
  if (o.from < 0) o.from = 1;
  return o.from <= o.ticks;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  bytes.clear();
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
    if (bytes.size() > kMaxBitmapFileBytes) break;  // the reader refuses it anyway
  }
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// Bitmaps as the saver finds them: a file of the name (here the --sheet file
// stands for "SPPAT_R0" beside the program), else the built-in sheet.
struct SheetFiles {
  std::vector<uint8_t> sheetFile;
  bool haveSheetFile = false;

  static bool ReadFile(void* context, const char* name, std::vector<uint8_t>& bytes) {
    const auto* self = static_cast<SheetFiles*>(context);
    if (!self->haveSheetFile || std::strcmp(name, "SPPAT_R0") != 0) return false;
    bytes = self->sheetFile;
    return true;
  }
  static ByteView FindBuiltIn(void*, const char* name) {
    if (std::strcmp(name, "SPPAT_R0") != 0 || kBuiltInSheetFileSize < 14) return {};
    // A bitmap resource is the file without its 14-byte file header.
    return {kBuiltInSheetFile + 14, kBuiltInSheetFileSize - 14};
  }
};

bool WritePng(const char* path, const HeadlessView& view) {
#if SAVER_RENDER_LIBPNG
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(view.width);
  image.height = static_cast<png_uint_32>(view.height);
  image.format = PNG_FORMAT_RGB;
  const bool ok = png_image_write_to_file(&image, path, 0, view.rgb.data(), view.width * 3, nullptr) != 0;
  png_image_free(&image);
  return ok;
#else
  return stbi_write_png(path, view.width, view.height, 3, view.rgb.data(), view.width * 3) != 0;
#endif
}

#if SAVER_RENDER_GIFLIB
// An animated GIF of the view, one frame per tick. Every colour on the screen
// comes from the back buffer's colour table, so that table is the GIF's colour
// map and each frame is stored losslessly; after the first frame only the box
// around the pixels that changed is stored.
class GifWriter {
 public:
  ~GifWriter() { Close(); }

  bool Open(const char* path, const HeadlessView& view, const uint8_t* colourTable) {
    // Opened here rather than by giflib, which would make the file private to its owner.
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return false;
    int error = 0;
    gif_ = EGifOpenFileHandle(fd, &error);
    if (gif_ == nullptr) {
      close(fd);
      return false;
    }
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    if (map == nullptr) return false;
    for (int i = 255; i >= 0; --i) {
      const uint8_t* e = colourTable + 4 * i;  // blue, green, red, reserved
      map->Colors[i] = {e[2], e[1], e[0]};
      indexOf_[Key(e[2], e[1], e[0])] = static_cast<uint8_t>(i);  // the lowest index wins
    }
    EGifSetGifVersion(gif_, true);
    bool ok = EGifPutScreenDesc(gif_, view.width, view.height, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    // Loop forever (the application extension that viewers know).
    const uint8_t loop[3] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_OK &&
         EGifPutExtensionBlock(gif_, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif_) == GIF_OK;
    previous_.assign(view.rgb.size(), 0);
    row_.resize(view.width);
    return ok;
  }

  bool AddFrame(const HeadlessView& view) {
    int left = 0, top = 0, right = view.width - 1, bottom = view.height - 1;
    if (frames_ > 0 && !ChangedBox(view, left, top, right, bottom)) {
      left = top = right = bottom = 0;  // nothing changed: one pixel, as it was
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = kGifDelayCentiseconds;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_OK) return false;
    const int width = right - left + 1;
    if (EGifPutImageDesc(gif_, left, top, width, bottom - top + 1, false, nullptr) != GIF_OK) return false;
    for (int y = top; y <= bottom; ++y) {
      const size_t start = (static_cast<size_t>(y) * view.width + left) * 3;
      const uint8_t* p = &view.rgb[start];
      uint32_t lastKey = 0;
      uint8_t lastIndex = 0;  // black is entry 0
      for (int x = 0; x < width; ++x, p += 3) {
        const uint32_t key = Key(p[0], p[1], p[2]);
        if (key != lastKey) {
          const auto found = indexOf_.find(key);
          lastKey = key;
          lastIndex = found == indexOf_.end() ? 0 : found->second;
        }
        row_[x] = lastIndex;
      }
      if (EGifPutLine(gif_, row_.data(), width) != GIF_OK) return false;
    }
    previous_ = view.rgb;
    ++frames_;
    return true;
  }

  bool Close() {
    if (gif_ == nullptr) return true;
    int error = 0;
    const bool ok = EGifCloseFile(gif_, &error) == GIF_OK;
    gif_ = nullptr;
    return ok;
  }

 private:
  static uint32_t Key(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(r) << 16 | g << 8 | b; }

  bool ChangedBox(const HeadlessView& view, int& left, int& top, int& right, int& bottom) const {
    left = view.width, top = view.height, right = -1, bottom = -1;
    for (int y = 0; y < view.height; ++y) {
      const size_t row = static_cast<size_t>(y) * view.width * 3;
      for (int x = 0; x < view.width; ++x) {
        const size_t i = row + x * 3;
        if (std::memcmp(&view.rgb[i], &previous_[i], 3) == 0) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    return right >= 0;
  }

  GifFileType* gif_ = nullptr;
  std::unordered_map<uint32_t, uint8_t> indexOf_;
  std::vector<uint8_t> previous_;
  std::vector<GifPixelType> row_;
  int frames_ = 0;
};
#endif

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
#if !SAVER_RENDER_GIFLIB
  if (o.gif != nullptr) {
    std::fputs("saver-render: this build writes PNG only (--out)\n", stderr);
    return 2;
  }
#endif
  if (uint64_t(o.width) * uint64_t(o.height) > kMaxDibPixelBytes) {
    std::fputs("saver-render: the picture is larger than the sprite engine accepts\n", stderr);
    return 2;
  }

  SheetFiles files;
  if (o.sheet != nullptr) {
    if (!ReadWholeFile(o.sheet, files.sheetFile)) {
      std::fprintf(stderr, "saver-render: cannot read %s\n", o.sheet);
      return 2;
    }
    files.haveSheetFile = true;
    if (ReadPackedDib(files.sheetFile.data(), files.sheetFile.size()) == nullptr) {
      std::fprintf(stderr, "saver-render: %s is not a bitmap the saver can use; the built-in sheet is shown\n",
                   o.sheet);
    }
  }
  ScenePlatform platform;
  platform.bitmaps.context = &files;
  platform.bitmaps.readFile = SheetFiles::ReadFile;
  platform.bitmaps.findBuiltIn = SheetFiles::FindBuiltIn;

  Desktop desktop;
  const std::vector<ScreenRect>& layout = o.desktop.layout;
  PlanDesktop(desktop, o.desktop.monitors, layout);
  for (auto& view : desktop.views) {
    const size_t k = std::find(layout.begin(), layout.end(), view->area) - layout.begin();
    view->scale = o.scales[k < o.scales.size() ? k : 0];
  }
  SaverSettings settings;
  settings.moleculeCount = static_cast<int32_t>(o.count);
  SetUpDesktop(desktop, settings, static_cast<uint32_t>(o.seed), &platform);
  for (const auto& view : desktop.views) {
    if (view->scene.backBuffer.bits == nullptr || view->scene.backBuffer.header == nullptr) {
      std::fputs("saver-render: out of memory\n", stderr);
      return 1;
    }
  }
  HeadlessView view;
  ResetHeadlessView(view, static_cast<int32_t>(o.width), static_cast<int32_t>(o.height));
  const DesktopSink sink = HeadlessSink(view, desktop.bounds.left, desktop.bounds.top);
  auto tick = [&] {
    StepDesktop(desktop, nullptr, nullptr);
    PresentDesktop(desktop, sink);
  };

  if (o.png != nullptr) {
    for (int64_t t = 1; t <= o.ticks; ++t) tick();
    if (!WritePng(o.png, view)) {
      std::fprintf(stderr, "saver-render: cannot write %s\n", o.png);
      return 1;
    }
    return 0;
  }
#if SAVER_RENDER_GIFLIB
  GifWriter gif;
  const DibImage& backBuffer = desktop.views.front()->scene.backBuffer;
  const uint8_t* table = backBuffer.header + LoadInfoHeader(backBuffer.header).biSize;
  bool ok = gif.Open(o.gif, view, table);
  for (int64_t t = 1; ok && t <= o.ticks; ++t) {
    tick();
    if (t >= o.from) ok = gif.AddFrame(view);
  }
  ok = gif.Close() && ok;
  if (!ok) {
    std::fprintf(stderr, "saver-render: cannot write %s\n", o.gif);
    return 1;
  }
#endif
  return 0;
}
