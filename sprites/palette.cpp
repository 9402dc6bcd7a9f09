// Colour tables and palette entries of the back buffer: twenty static colours
// around the sprite sheet's 236.
#include "sprites/palette.h"

namespace {

// The colour table of an engine image, or null when it has none in the engine's
// form (every image the engine makes or reads has a 40-byte header).
uint8_t* ColourTableOf(const DibImage& image) {
  if (image.header == nullptr || LoadInfoHeader(image.header).biSize != kInfoHeaderSize) return nullptr;
  return image.header + kInfoHeaderSize;
}

}  // namespace

const StaticColours kDefaultStaticColours = {{
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
}};

void BuildIdentityColourTable(DibImage& backBuffer, const DibImage& sheet, const StaticColours& statics) {
  uint8_t* table = ColourTableOf(backBuffer);
  if (table == nullptr) return;
  for (int32_t i = 0; i < 20; ++i) {
    uint8_t* entry = table + StaticEntryIndex(i) * 4;
    entry[0] = statics[i].blue;
    entry[1] = statics[i].green;
    entry[2] = statics[i].red;
  }
  const uint8_t* sheetTable = ColourTableOf(sheet);
  if (sheetTable == nullptr) return;
  for (int32_t i = kFirstSheetColour; i <= kLastSheetColour; ++i) {
    for (int32_t c = 0; c < 3; ++c) table[i * 4 + c] = sheetTable[i * 4 + c];
  }
}

std::array<PaletteEntry, 256> BuildIdentityPaletteEntries(const DibImage& backBuffer,
                                                          const StaticColours& statics) {
  std::array<PaletteEntry, 256> entries{};
  for (int32_t i = 0; i < 20; ++i) {
    entries[StaticEntryIndex(i)] = {statics[i].red, statics[i].green, statics[i].blue, 0};
  }
  const uint8_t* table = ColourTableOf(backBuffer);
  if (table == nullptr) return entries;
  for (int32_t i = kFirstSheetColour; i <= kLastSheetColour; ++i) {
    const uint8_t* q = table + i * 4;
    entries[i] = {q[2], q[1], q[0], kNoCollapse};
  }
  return entries;
}
