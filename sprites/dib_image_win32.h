// The Win32 side of the images: the back buffer's DIB section and where named
// bitmaps are found (the platform's file search, then the program's resources).
#pragma once

#include <windows.h>

#include "sprites/dib_image.h"

// Writes the image's 8-bit bottom-up header for width x height (allocating the
// header block if the image has none) and makes a DIB section of it on the
// screen's context; `bits` is the section's pixel memory, null on failure. The
// caller owns the returned bitmap (null on failure). Called once, for the back
// buffer.
HBITMAP CreateSection(DibImage& image, int32_t width, int32_t height);

// Named bitmaps as the program finds them: a file of that name by OpenFile's
// search (the program's directory, the current directory, the system
// directories, the path), else a bitmap resource of the running program, used in
// place.
BitmapSource Win32BitmapSource();

// LoadBitmapByName with Win32BitmapSource.
LoadedBitmap LoadBitmapByName(const char* name);
