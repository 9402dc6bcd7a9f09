// Tests of the resources as they lie in the built .scr: the sprite sheet, the two
// sounds, the icon, the configuration dialog's template and the application name.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "sprites/palette.h"

namespace {

uint16_t Word(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Dword(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// The .scr beside this test program, mapped as data: its resources are read,
// nothing of it runs.
class ScrResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string scr(path, length);
    scr = scr.substr(0, scr.find_last_of("\\/") + 1) + "brisel.scr";
    module = LoadLibraryExA(scr.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  static void TearDownTestSuite() {
    if (module != nullptr) FreeLibrary(module);
  }
  void SetUp() override { ASSERT_NE(module, nullptr) << "brisel.scr not found beside the tests"; }

  // The bytes of a resource, or an empty vector when it is missing.
  static std::vector<uint8_t> Bytes(const char* name, const char* type) {
    HRSRC found = FindResourceA(module, name, type);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const auto* data = static_cast<const uint8_t*>(LockResource(loaded));
    if (data == nullptr) return {};
    return {data, data + SizeofResource(module, found)};
  }

  static HMODULE module;
};
HMODULE ScrResources::module = nullptr;

std::vector<uint8_t> ReadSourceFile(const char* name) {
  const std::string path = std::string(SAVER_SOURCE_DIR) + "/resources/" + name;
  std::vector<uint8_t> bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return bytes;
}

TEST_F(ScrResources, SpriteSheetHeaderAndSize) {
  const std::vector<uint8_t> sheet = Bytes("SPPAT_R0", MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  ASSERT_EQ(sheet.size(), 40u + 256 * 4 + 64 * 2048);
  const uint8_t* h = sheet.data();
  EXPECT_EQ(Dword(h + 0), 40u) << "header size";
  EXPECT_EQ(int32_t(Dword(h + 4)), 64) << "width";
  EXPECT_EQ(int32_t(Dword(h + 8)), 2048) << "height: positive, rows bottom-up";
  EXPECT_EQ(Word(h + 12), 1) << "planes";
  EXPECT_EQ(Word(h + 14), 8) << "bits per pixel";
  for (int field = 0; field < 6; ++field) {
    // compression, image size, two resolutions, colours used, important colours
    EXPECT_EQ(Dword(h + 16 + 4 * field), 0u) << "field at offset " << 16 + 4 * field;
  }
}

TEST_F(ScrResources, SpriteSheetColoursAndTransparentPixels) {
  const std::vector<uint8_t> sheet = Bytes("SPPAT_R0", MAKEINTRESOURCEA(2));
  ASSERT_EQ(sheet.size(), 132136u);
  const uint8_t* table = sheet.data() + 40;
  for (int i = 0; i < 20; ++i) {
    const uint8_t* entry = table + 4 * StaticEntryIndex(i);
    const RgbColour c = kDefaultStaticColours[i];
    EXPECT_EQ(entry[0], c.blue) << "entry " << StaticEntryIndex(i);
    EXPECT_EQ(entry[1], c.green) << "entry " << StaticEntryIndex(i);
    EXPECT_EQ(entry[2], c.red) << "entry " << StaticEntryIndex(i);
  }
  EXPECT_EQ(Dword(table + 4 * 10), 0u) << "entry 10 is black";
  for (int i = 0; i < 256; ++i) EXPECT_EQ(table[4 * i + 3], 0) << "reserved byte of entry " << i;

  // Every frame's outer rows and columns are transparent, the drawing lies inside.
  const uint8_t* pixels = sheet.data() + 1064;
  int transparent = 0;
  for (int row = 0; row < 2048; ++row) {
    for (int x = 0; x < 64; ++x) {
      const uint8_t p = pixels[row * 64 + x];
      transparent += p == 10;
      const int y = row % 64;
      if (x == 0 || x == 63 || y == 0 || y == 63) {
        ASSERT_EQ(p, 10) << "stored row " << row << " x " << x;
      }
      ASSERT_TRUE(p == 10 || (p >= 11 && p <= 245)) << "stored row " << row << " x " << x;
    }
  }
  // The molecule's size on screen: ball and stick, covering 30-37 % of each frame.
  EXPECT_TRUE(transparent >= 82000 && transparent <= 92000) << transparent << " transparent";
  // The resource is the committed file without its 14-byte file header.
  const std::vector<uint8_t> file = ReadSourceFile("sppat_r0.bmp");
  ASSERT_EQ(file.size(), sheet.size() + 14);
  EXPECT_TRUE(std::equal(sheet.begin(), sheet.end(), file.begin() + 14));
}

// Chunk `tag` of a RIFF image: its offset (past the 8-byte chunk head) and size.
struct Chunk {
  size_t at = 0;
  uint32_t size = 0;
  bool found = false;
};
Chunk FindChunk(const std::vector<uint8_t>& riff, const char* tag) {
  for (size_t at = 12; at + 8 <= riff.size();) {
    const uint32_t size = Dword(riff.data() + at + 4);
    if (std::memcmp(riff.data() + at, tag, 4) == 0) return {at + 8, size, true};
    at += 8 + size + (size & 1);
  }
  return {};
}

void ExpectMono8BitPcm(const std::vector<uint8_t>& wave, uint32_t formatSize, uint32_t samples) {
  ASSERT_GE(wave.size(), 12u);
  EXPECT_EQ(std::memcmp(wave.data(), "RIFF", 4), 0);
  EXPECT_EQ(Dword(wave.data() + 4) + 8, wave.size()) << "RIFF size covers the whole image";
  EXPECT_EQ(std::memcmp(wave.data() + 8, "WAVE", 4), 0);
  const Chunk format = FindChunk(wave, "fmt ");
  ASSERT_TRUE(format.found);
  EXPECT_EQ(format.at, 20u) << "format chunk first";
  EXPECT_EQ(format.size, formatSize);
  const uint8_t* f = wave.data() + format.at;
  EXPECT_EQ(Word(f + 0), 1) << "PCM";
  EXPECT_EQ(Word(f + 2), 1) << "channels";
  EXPECT_EQ(Dword(f + 4), 11025u) << "samples per second";
  EXPECT_EQ(Dword(f + 8), 11025u) << "bytes per second";
  EXPECT_EQ(Word(f + 12), 1) << "block align";
  EXPECT_EQ(Word(f + 14), 8) << "bits per sample";
  const Chunk data = FindChunk(wave, "data");
  ASSERT_TRUE(data.found);
  EXPECT_EQ(data.size, samples);
  EXPECT_LE(data.at + data.size, wave.size());
}

TEST_F(ScrResources, BounceSoundFormatAndLength) {
  const std::vector<uint8_t> wave = Bytes("WAVDAT0", "WAVE");
  ExpectMono8BitPcm(wave, 16, 3857);
  EXPECT_FALSE(FindChunk(wave, "fact").found);
  EXPECT_EQ(wave, ReadSourceFile("wavdat0.wav"));
}

TEST_F(ScrResources, AmbientSoundFormatFactChunkAndLength) {
  const std::vector<uint8_t> wave = Bytes("WAVDAT1", "WAVE");
  ExpectMono8BitPcm(wave, 18, 3522);
  EXPECT_EQ(Word(wave.data() + 20 + 16), 0) << "no extra format bytes";
  const Chunk fact = FindChunk(wave, "fact");
  ASSERT_TRUE(fact.found);
  EXPECT_EQ(fact.size, 4u);
  EXPECT_EQ(Dword(wave.data() + fact.at), 3522u) << "sample count";
  EXPECT_LT(fact.at, FindChunk(wave, "data").at);
  EXPECT_EQ(wave, ReadSourceFile("wavdat1.wav"));
}

TEST_F(ScrResources, IconIsOne32By32ImageIn16Colours) {
  const std::vector<uint8_t> group = Bytes(MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
  ASSERT_EQ(group.size(), 6u + 14);
  EXPECT_EQ(Word(group.data() + 2), 1) << "icon";
  EXPECT_EQ(Word(group.data() + 4), 1) << "one image";
  const uint8_t* e = group.data() + 6;
  EXPECT_EQ(e[0], 32);
  EXPECT_EQ(e[1], 32);
  EXPECT_EQ(e[2], 16) << "colours";
  EXPECT_EQ(Word(e + 6), 4) << "bits per pixel";
  const std::vector<uint8_t> image = Bytes(MAKEINTRESOURCEA(Word(e + 12)), MAKEINTRESOURCEA(3) /* RT_ICON */);
  ASSERT_EQ(image.size(), Dword(e + 8));
  ASSERT_EQ(image.size(), 40u + 16 * 4 + 32 * 16 + 32 * 4);
  EXPECT_EQ(int32_t(Dword(image.data() + 4)), 32);
  EXPECT_EQ(int32_t(Dword(image.data() + 8)), 64) << "colour rows and mask rows";
  EXPECT_EQ(Word(image.data() + 14), 4);
  // Opaque black ground: black in the corners, an all-clear mask, and both
  // reds and greens in the picture.
  const uint8_t* colours = image.data() + 40;
  const uint8_t* pixels = colours + 64;
  EXPECT_EQ(Dword(colours + 4 * (pixels[0] >> 4)), 0u) << "corner is black";
  EXPECT_EQ(Dword(colours + 4 * (pixels[511] & 15)), 0u) << "corner is black";
  bool red = false, green = false;
  for (int i = 0; i < 512; ++i) {
    for (int nibble : {pixels[i] >> 4, pixels[i] & 15}) {
      const uint8_t* c = colours + 4 * nibble;
      red |= c[2] > 2 * c[1] + 40;
      green |= c[1] > 2 * c[2] + 40;
    }
  }
  EXPECT_TRUE(red && green);
  for (int i = 512; i < 640; ++i) ASSERT_EQ(image[40 + 64 + i], 0) << "mask byte " << i - 512;
  HICON icon = LoadIconA(module, MAKEINTRESOURCEA(100));
  EXPECT_NE(icon, nullptr);
}

TEST_F(ScrResources, ApplicationNameString) {
  char text[64] = {};
  EXPECT_EQ(LoadStringA(module, 1007, text, 60), 6);
  EXPECT_STREQ(text, "Brisel");
}

// A reader of the classic dialog template form.
struct TemplateReader {
  const std::vector<uint8_t>& bytes;
  size_t at = 0;

  uint16_t NextWord() {
    const uint16_t w = at + 2 <= bytes.size() ? Word(bytes.data() + at) : 0xDEAD;
    at += 2;
    return w;
  }
  uint32_t NextDword() {
    const uint32_t low = NextWord();
    return low | uint32_t(NextWord()) << 16;
  }
  // A name or ordinal field: "#n" for an ordinal, else the text.
  std::string NextNameOrOrdinal() {
    const uint16_t first = NextWord();
    std::string text;
    if (first == 0xFFFF) return text.append("#").append(std::to_string(NextWord()));
    for (uint16_t c = first; c != 0; c = NextWord()) text += c < 128 ? char(c) : '?';
    return text;
  }
  void AlignToDword() { at = (at + 3) & ~size_t(3); }
};

struct Control {
  uint16_t id;
  const char* windowClass;  // ordinal of the system class
  const char* text;         // nullptr: any text the program chooses
  uint32_t style;
  int16_t x, y, cx, cy;
};

TEST_F(ScrResources, ConfigurationDialogTemplate) {
  const std::vector<uint8_t> bytes = Bytes(MAKEINTRESOURCEA(2003), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
  ASSERT_FALSE(bytes.empty());
  TemplateReader r{bytes};
  ASSERT_NE(Word(bytes.data() + 2), 0xFFFF) << "classic template, not the extended form";
  EXPECT_EQ(r.NextDword(), 0x90C800C0u) << "style";
  EXPECT_EQ(r.NextDword(), 0u) << "extended style";
  const uint16_t count = r.NextWord();
  EXPECT_EQ(int16_t(r.NextWord()), 18);
  EXPECT_EQ(int16_t(r.NextWord()), 18);
  EXPECT_EQ(int16_t(r.NextWord()), 151);
  EXPECT_EQ(int16_t(r.NextWord()), 167);
  EXPECT_EQ(r.NextNameOrOrdinal(), "") << "menu";
  EXPECT_EQ(r.NextNameOrOrdinal(), "") << "class";
  EXPECT_EQ(r.NextNameOrOrdinal(), "Configuration");
  EXPECT_EQ(r.NextWord(), 9) << "point size";
  EXPECT_EQ(r.NextNameOrOrdinal(), "Times New Roman");

  const char* kButton = "#128";
  const char* kStatic = "#130";
  const char* kScrollBar = "#132";
  const char* kComboBox = "#133";
  const Control expected[] = {
      {65535, kStatic, "#100", 0x50000003, 17, 5, 18, 20},
      {65535, kStatic, "Brisel molecule", 0x50020000, 40, 5, 90, 8},
      {65535, kStatic, "Screen Saver (Freeware)", 0x50020000, 40, 13, 90, 8},
      {65535, kStatic, "Number of the molecules", 0x50020000, 35, 31, 89, 8},
      {104, kScrollBar, "", 0x50000000, 34, 39, 74, 8},
      {105, kStatic, "16 ", 0x50020000, 111, 39, 20, 8},
      {103, kButton, "Sound", 0x50010002, 48, 51, 52, 10},
      {65535, kStatic, "Sound frequency (%)", 0x50020000, 35, 61, 94, 8},
      {108, kScrollBar, "", 0x50000000, 34, 69, 74, 8},
      {109, kStatic, "16 ", 0x50020000, 111, 69, 20, 8},
      {65535, kStatic, "Monitors", 0x50020000, 21, 81, 94, 8},
      {110, kComboBox, "", 0x50210003, 20, 90, 111, 50},
      {65535, kStatic, "Ver. 2.0 (in English)", 0x50020000, 29, 105, 100, 8},
      {65535, kStatic, nullptr, 0x50020000, 29, 115, 100, 8},
      {65535, kStatic, nullptr, 0x50020000, 29, 123, 100, 8},
      {1, kButton, "OK", 0x50010000, 61, 144, 32, 17},
      {65535, kStatic, nullptr, 0x50020000, 31, 133, 96, 8},
  };
  ASSERT_EQ(count, std::size(expected));
  for (const Control& c : expected) {
    SCOPED_TRACE("control " + std::to_string(&c - expected + 1));
    r.AlignToDword();
    EXPECT_EQ(r.NextDword(), c.style);
    EXPECT_EQ(r.NextDword(), 0u) << "extended style";
    EXPECT_EQ(int16_t(r.NextWord()), c.x);
    EXPECT_EQ(int16_t(r.NextWord()), c.y);
    EXPECT_EQ(int16_t(r.NextWord()), c.cx);
    EXPECT_EQ(int16_t(r.NextWord()), c.cy);
    EXPECT_EQ(r.NextWord(), c.id);
    EXPECT_EQ(r.NextNameOrOrdinal(), c.windowClass);
    const std::string text = r.NextNameOrOrdinal();
    if (c.text != nullptr) {
      EXPECT_EQ(text, c.text);
    } else {
      EXPECT_FALSE(text.empty() || text[0] == '#') << "a line of text";
    }
    EXPECT_EQ(r.NextWord(), 0) << "creation data";
  }
  EXPECT_LE(r.at, bytes.size());
  EXPECT_GE(r.at + 3, bytes.size()) << "nothing after the last control";
}

}  // namespace
