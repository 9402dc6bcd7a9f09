// Colour tables and palette entries of the back buffer: twenty static colours
// around the sprite sheet's 236.
#pragma once

#include <array>
#include <cstdint>

#include "sprites/dib_image.h"

struct RgbColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};

// The platform's twenty reserved colours: [0..9] are palette entries 0..9 and
// [10..19] are entries 246..255.
using StaticColours = std::array<RgbColour, 20>;

// The static colours of a standard 256-colour display, for hosts that have no
// system palette to ask.
extern const StaticColours kDefaultStaticColours;

constexpr int32_t kFirstSheetColour = 10;   // entries 10..245 come from the sheet
constexpr int32_t kLastSheetColour = 245;
constexpr int32_t kLastStaticColour = 246;  // entries 246..255 are static again

// Flag of a palette entry that must get a system palette entry of its own.
constexpr uint8_t kNoCollapse = 4;

struct PaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t flags = 0;
};

// Palette entry index of static colour i (0..19).
constexpr int32_t StaticEntryIndex(int32_t i) { return i < 10 ? i : kLastStaticColour + i - 10; }

// Fills the back buffer's colour table once, when the scene is created: entries
// 0..9 and 246..255 from `statics`, 10..245 from the sheet's own table. The
// reserved bytes are not written. A sheet without a colour table leaves 10..245
// as they are (black in a new back buffer). Nothing when the back buffer has no
// header.
void BuildIdentityColourTable(DibImage& backBuffer, const DibImage& sheet, const StaticColours& statics);

// The logical palette that matches the back buffer's colour table: entries
// 10..245 its colours with kNoCollapse, the static entries from `statics` with
// flags 0. Entries 10..245 stay zero when the back buffer has no header.
std::array<PaletteEntry, 256> BuildIdentityPaletteEntries(const DibImage& backBuffer,
                                                          const StaticColours& statics);
