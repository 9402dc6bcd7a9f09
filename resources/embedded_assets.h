// The committed sprite sheet and sounds, whole files built into the programs
// that carry them (cmake/EmbeddedAssets.cmake makes the definitions).
#pragma once

#include <cstddef>

#include "sprites/dib_image.h"

extern const unsigned char kBuiltInSheetFile[];  // resources/sppat_r0.bmp
extern const size_t kBuiltInSheetFileSize;
extern const unsigned char kBounceSoundFile[];   // resources/wavdat0.wav
extern const size_t kBounceSoundFileSize;
extern const unsigned char kAmbientSoundFile[];  // resources/wavdat1.wav
extern const size_t kAmbientSoundFileSize;

// The packed DIB of the built-in sheet for the name "SPPAT_R0", as a
// BitmapSource findBuiltIn callback; empty for any other name.
ByteView FindEmbeddedSheet(void* context, const char* name);
