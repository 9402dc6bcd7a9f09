// The built-in sheet as the bitmap loader asks for it by resource name.
#include "resources/embedded_assets.h"

#include <cstring>

ByteView FindEmbeddedSheet(void*, const char* name) {
  constexpr size_t kBmpFileHeaderSize = 14;
  if (std::strcmp(name, "SPPAT_R0") != 0 || kBuiltInSheetFileSize < kBmpFileHeaderSize) return {};
  // The packed DIB is the file without its file header.
  return {kBuiltInSheetFile + kBmpFileHeaderSize, kBuiltInSheetFileSize - kBmpFileHeaderSize};
}
