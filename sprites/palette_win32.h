// The Win32 palette of the back buffer: the system's static colours, the
// identity palette and its selection on a drawing context.
#pragma once

#include <windows.h>

#include "sprites/dib_image.h"
#include "sprites/palette.h"

// Clears the non-static part of the system palette to black (entries marked
// PC_NOCOLLAPSE), so that a palette realized afterwards gets entries 10..245 in order.
void FlushSystemPalette();

// The system palette's entries 0..9 and 246..255. A display without a system
// palette fills nothing: those colours are black.
StaticColours ReadSystemStaticColours();

// Makes the logical palette of the back buffer from its colour table (after
// flushing the system palette and reading the static colours again) and keeps
// it in image.palette; null when CreatePalette fails.
void CreateIdentityPalette(DibImage& image);

// Selects the image's palette into `dc` (not forced to the background); returns
// the palette selected before. Nothing happens for an image without a palette.
HPALETTE SelectImagePalette(const DibImage& image, HDC dc);
