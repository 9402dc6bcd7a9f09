// The twenty static colours of a default 256-colour display, in palette order.
#pragma once

#include <cstdint>

struct StaticColour {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

// Entries 0..9 of the palette are the first ten, entries 246..255 the last ten.
// The sprite sheet carries them in its own colour table, and a presentation
// without a system palette uses them in place of the live system colours.
constexpr StaticColour kDefaultStaticColours[20] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

// Palette index of static colour i (0..19).
constexpr int32_t StaticColourIndex(int32_t i) { return i < 10 ? i : 236 + i; }
