// The Win32 palette of the back buffer: the system's static colours, the
// identity palette and its selection on a drawing context.
#include "sprites/palette_win32.h"

#include <cstring>

namespace {

// LOGPALETTE declares one entry; this holds all 256 with the same layout.
struct FullLogPalette {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[256];
};

HPALETTE CreateFullPalette(const FullLogPalette& palette) {
  return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
}

}  // namespace

void FlushSystemPalette() {
  FullLogPalette black{};
  black.palVersion = 0x300;
  black.palNumEntries = 256;
  for (PALETTEENTRY& e : black.palPalEntry) e.peFlags = PC_NOCOLLAPSE;
  const HDC screen = GetDC(nullptr);
  const HPALETTE palette = CreateFullPalette(black);
  if (palette != nullptr) {
    const HPALETTE previous = SelectPalette(screen, palette, FALSE);
    RealizePalette(screen);
    DeleteObject(SelectPalette(screen, previous, FALSE));
  }
  ReleaseDC(nullptr, screen);
}

StaticColours ReadSystemStaticColours() {
  PALETTEENTRY entries[256];
  std::memset(entries, 0, sizeof entries);
  const HDC screen = GetDC(nullptr);
  GetSystemPaletteEntries(screen, 0, 10, entries);
  GetSystemPaletteEntries(screen, 246, 10, entries + 246);
  ReleaseDC(nullptr, screen);
  StaticColours colours{};
  for (int32_t i = 0; i < 20; ++i) {
    const PALETTEENTRY& e = entries[StaticEntryIndex(i)];
    colours[i] = {e.peRed, e.peGreen, e.peBlue};
  }
  return colours;
}

void CreateIdentityPalette(DibImage& image) {
  FlushSystemPalette();
  const std::array<PaletteEntry, 256> entries = BuildIdentityPaletteEntries(image, ReadSystemStaticColours());
  FullLogPalette logical{};
  logical.palVersion = 0x300;
  logical.palNumEntries = 256;
  for (int32_t i = 0; i < 256; ++i) {
    logical.palPalEntry[i] = {entries[i].red, entries[i].green, entries[i].blue, entries[i].flags};
  }
  image.palette = CreateFullPalette(logical);
}

HPALETTE SelectImagePalette(const DibImage& image, HDC dc) {
  return SelectPalette(dc, static_cast<HPALETTE>(image.palette), FALSE);
}
