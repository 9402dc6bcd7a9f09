// make-assets: draws the sprite sheet, the two sounds and the icon of the saver, the
// installer's pictures and the browser page's icons, and writes them as files, the
// same bytes on every run.
//
// The pictures are ray-cast from a small model of the molecule; the sounds are
// synthesised. All arithmetic is plain IEEE double (with our own sine and no
// library power function), so the output does not depend on the math library.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zlib.h>

#include "sprites/palette.h"

namespace {

constexpr const char* kUsage =
    "usage: make-assets [--check] DIRECTORY\n"
    "       make-assets --icon-png SIDE FILE\n";

// ---------------------------------------------------------------- arithmetic

constexpr double kPi = 3.14159265358979323846;

// sin(x) by its series after reducing x to [-pi, pi]; no library call, so every
// compiler and C library gives the same bits.
double Sine(double x) {
  while (x > kPi) x -= 2 * kPi;
  while (x < -kPi) x += 2 * kPi;
  double term = x, sum = x;
  for (int n = 1; n < 30; ++n) {
    term *= -x * x / ((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

double Cosine(double x) { return Sine(x + kPi / 2); }

double Square(double x) { return x * x; }

// x to a power of two, by squaring (the specular exponent).
double PowerOfTwo(double x, int log2Exponent) {
  for (int i = 0; i < log2Exponent; ++i) x *= x;
  return x;
}

double Clamp(double x, double low, double high) { return x < low ? low : (x > high ? high : x); }

// Square root by Newton's method from a fixed start; correctly rounded sqrt would
// also do, this keeps the file free of <cmath> altogether.
double SquareRoot(double x) {
  if (x <= 0) return 0;
  double r = x > 1 ? x : 1;
  for (int i = 0; i < 200; ++i) {
    const double next = 0.5 * (r + x / r);
    if (next >= r) break;
    r = next;
  }
  return r;
}

struct Vec3 {
  double x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Normalised(Vec3 a) { return a * (1.0 / SquareRoot(Dot(a, a))); }

// Rotation of v by `angle` radians about the unit axis (Rodrigues).
Vec3 Rotated(Vec3 v, Vec3 axis, double angle) {
  const double c = Cosine(angle), s = Sine(angle);
  return v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1 - c));
}

// ---------------------------------------------------------------- the model

enum Material : int { kRed = 0, kGreen = 1, kMaterialCount = 2 };

struct Sphere {
  Vec3 centre;
  double radius;
  Material material;
};

struct Stick {
  Vec3 from, to;      // centres of the two atoms it joins
  double radius;
  double split;       // distance from `from` where the colour changes
  Material nearFrom, nearTo;
};

struct Molecule3d {
  std::vector<Sphere> spheres;
  std::vector<Stick> sticks;
};

// Proportions of the model; BuildMolecule scales them to the frame. The bond is
// long enough that a stick shows between the red atom and each green atom
// wherever the projection does not put an atom in front of it.
constexpr double kLargeRadius = 11.5;
constexpr double kSmallRadius = 7.5;
constexpr double kBond = 24.0;
constexpr double kStickRadius = 3.5;

constexpr int kFrames = 32;

// The molecule turns about the model's x axis, which is tilted towards the viewer
// by kTilt radians. The model stands kSkew radians off the pose in which that
// axis is one of its two-fold axes: about a two-fold axis a half turn maps the
// molecule onto itself, so frames half a turn apart would show the same picture.
// Skewed, all frames show different poses of one steady turn. Every bond stays
// within kSkew (7 degrees) of 54.7 degrees from the axis, so no green atom swings
// out straight along the frame's width or height, and the molecule fits its frame
// larger than when a bond can. Directions of the four bonds in the pose of `angle`:
constexpr double kTilt = 0.315;
constexpr double kSkew = 0.12;
std::array<Vec3, 4> BondDirections(double angle) {
  const Vec3 arms[4] = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};
  std::array<Vec3, 4> directions;
  for (int i = 0; i < 4; ++i) {
    const Vec3 arm = Rotated(Normalised(arms[i]), {0, 1, 0}, kSkew);
    directions[i] = Rotated(Rotated(arm, {1, 0, 0}, angle), {0, 1, 0}, -kTilt);
  }
  return directions;
}

// The scale at which the molecule, in the poses of all frames, reaches exactly
// `halfSide` from the centre across or up and down (the frame is square, so
// a green atom towards a corner may stand further out than one towards a side).
double ScaleToFit(double halfSide) {
  double reach = kLargeRadius;
  for (int frame = 0; frame < kFrames; ++frame) {
    for (const Vec3& d : BondDirections(2 * kPi * frame / kFrames)) {
      const double x = d.x < 0 ? -d.x : d.x, y = d.y < 0 ? -d.y : d.y;
      reach = std::max(reach, kBond * std::max(x, y) + kSmallRadius);
    }
  }
  return halfSide / reach;
}

// The distance from the centre, in the molecule's own units, that the molecule
// posed as in `frame` reaches in the picture's plane, in any direction.
double ReachInPlane(int frame) {
  double reach = kLargeRadius;
  for (const Vec3& d : BondDirections(2 * kPi * frame / kFrames)) {
    reach = std::max(reach, kBond * std::hypot(d.x, d.y) + kSmallRadius);
  }
  return reach;
}

// The molecule turned by `angle` about the spin axis, scaled by `scale`.
Molecule3d BuildMolecule(double angle, double scale) {
  Molecule3d m;
  const Vec3 centre{0, 0, 0};
  m.spheres.push_back({centre, kLargeRadius * scale, kRed});
  // Half way along the visible part of each stick the colour changes atom.
  const double split = 0.5 * (kLargeRadius + kBond - kSmallRadius) * scale;
  for (const Vec3& d : BondDirections(angle)) {
    const Vec3 end = d * (kBond * scale);
    m.spheres.push_back({end, kSmallRadius * scale, kGreen});
    m.sticks.push_back({centre, end, kStickRadius * scale, split, kRed, kGreen});
  }
  return m;
}

// Light from the viewer's upper left; the viewer looks along -z.
const Vec3 kLight = Normalised({-0.6, 0.65, 0.8});
const Vec3 kHalfway = Normalised(kLight + Vec3{0, 0, 1});

struct Hit {
  bool found = false;
  double z = -1e30;       // nearest hit has the largest z
  Vec3 normal{0, 0, 1};
  Material material = kRed;
};

// Orthographic ray through (x, y) towards -z, against every sphere and stick.
Hit Trace(const Molecule3d& m, double x, double y) {
  Hit hit;
  for (const Sphere& s : m.spheres) {
    const double dx = x - s.centre.x, dy = y - s.centre.y;
    const double d2 = s.radius * s.radius - dx * dx - dy * dy;
    if (d2 <= 0) continue;
    const double z = s.centre.z + SquareRoot(d2);
    if (z > hit.z) {
      hit = {true, z, Vec3{dx, dy, z - s.centre.z} * (1.0 / s.radius), s.material};
    }
  }
  const Vec3 origin{x, y, 1000.0}, direction{0, 0, -1};
  for (const Stick& c : m.sticks) {
    const Vec3 axisVector = c.to - c.from;
    const double length = SquareRoot(Dot(axisVector, axisVector));
    const Vec3 u = axisVector * (1.0 / length);
    const Vec3 rel = origin - c.from;
    const Vec3 d = direction - u * Dot(direction, u);
    const Vec3 o = rel - u * Dot(rel, u);
    const double a = Dot(d, d);
    if (a < 1e-9) continue;  // seen end on: the atoms hide it
    const double b = 2 * Dot(o, d), cc = Dot(o, o) - c.radius * c.radius;
    const double disc = b * b - 4 * a * cc;
    if (disc <= 0) continue;
    const double t = (-b - SquareRoot(disc)) / (2 * a);
    const Vec3 p = origin + direction * t;
    const double along = Dot(p - c.from, u);
    if (along < 0 || along > length || p.z <= hit.z) continue;
    const Vec3 normal = Normalised(p - c.from - u * along);
    hit = {true, p.z, normal, along < c.split ? c.nearFrom : c.nearTo};
  }
  return hit;
}

// Brightness of a surface point, 0 (unlit) .. 1 (the highlight's centre): diffuse
// light with some ambient, then a tight specular highlight on top.
constexpr double kKnee = 0.74;  // share of the ramp below the highlight
double Shade(Vec3 normal) {
  const double diffuse = Clamp(Dot(normal, kLight), 0, 1);
  const double specular = PowerOfTwo(Clamp(Dot(normal, kHalfway), 0, 1), 5);  // ^32
  const double body = 0.1 + 0.9 * diffuse;
  return Clamp(kKnee * body + (1 - kKnee) * specular * 1.15, 0, 1);
}

// The colour of a ramp at brightness t: dark to full colour, then on to white.
struct Rgb {
  double r, g, b;
};
const Rgb kBaseColour[kMaterialCount] = {{222, 28, 22}, {40, 196, 44}};
const Rgb kWhite = {255, 255, 248};

Rgb RampColour(Material material, double t) {
  const Rgb base = kBaseColour[material];
  if (t <= kKnee) {
    // Square root: an even-looking ramp on a screen's gamma.
    const double k = 0.06 + 0.94 * SquareRoot(t / kKnee);
    return {base.r * k, base.g * k, base.b * k};
  }
  const double w = (t - kKnee) / (1 - kKnee);
  return {base.r + (kWhite.r - base.r) * w, base.g + (kWhite.g - base.g) * w,
          base.b + (kWhite.b - base.b) * w};
}

// ---------------------------------------------------------------- the sheet

constexpr int kFrameSide = 64;
constexpr int kSheetHeight = kFrameSide * kFrames;
constexpr uint8_t kTransparent = 10;
// Ramp entries: reds then greens, filling 11..245.
constexpr int kRampFirst[kMaterialCount] = {11, 128};
constexpr int kRampLength[kMaterialCount] = {117, 118};
constexpr int kSamplesPerSide = 4;

uint8_t ToByte(double v) { return static_cast<uint8_t>(Clamp(v + 0.5, 0, 255)); }

std::array<std::array<uint8_t, 4>, 256> SheetColourTable() {
  std::array<std::array<uint8_t, 4>, 256> table{};  // blue, green, red, 0
  for (int i = 0; i < 20; ++i) {
    const RgbColour c = kDefaultStaticColours[i];
    table[StaticEntryIndex(i)] = {c.blue, c.green, c.red, 0};
  }
  table[kTransparent] = {0, 0, 0, 0};
  for (int m = 0; m < kMaterialCount; ++m) {
    for (int i = 0; i < kRampLength[m]; ++i) {
      const Rgb c = RampColour(static_cast<Material>(m), double(i) / (kRampLength[m] - 1));
      table[kRampFirst[m] + i] = {ToByte(c.b), ToByte(c.g), ToByte(c.r), 0};
    }
  }
  return table;
}

// A pixel that hangs on to the drawing by one side only (the tip of a digital
// circle, a corner of a thin stick) reads as a speck at 1:1; take such pixels
// away until none is left, which also rounds the silhouettes.
void RemoveSpurs(uint8_t* pixels) {
  for (bool changed = true; changed;) {
    changed = false;
    for (int y = 1; y + 1 < kFrameSide; ++y) {
      for (int x = 1; x + 1 < kFrameSide; ++x) {
        uint8_t& p = pixels[y * kFrameSide + x];
        if (p == kTransparent) continue;
        const int neighbours = (pixels[y * kFrameSide + x - 1] != kTransparent) +
                               (pixels[y * kFrameSide + x + 1] != kTransparent) +
                               (pixels[(y - 1) * kFrameSide + x] != kTransparent) +
                               (pixels[(y + 1) * kFrameSide + x] != kTransparent);
        if (neighbours < 2) p = kTransparent, changed = true;
      }
    }
  }
}

// Frame `frame` into `pixels` (64 wide, top-down rows), centred at (32, 32).
// A pixel is opaque when most of its samples hit the molecule; it takes the
// material most of those samples saw and their mean brightness, so silhouettes
// stay hard-edged against the transparent index while shading is smooth.
void RenderFrame(int frame, uint8_t* pixels) {
  // The outer ring of pixels stays transparent.
  const Molecule3d m = BuildMolecule(2 * kPi * frame / kFrames, ScaleToFit(kFrameSide / 2 - 1));
  const int samples = kSamplesPerSide * kSamplesPerSide;
  for (int py = 0; py < kFrameSide; ++py) {
    for (int px = 0; px < kFrameSide; ++px) {
      int count[kMaterialCount] = {0, 0};
      double shade[kMaterialCount] = {0, 0};
      for (int j = 0; j < kSamplesPerSide; ++j) {
        for (int i = 0; i < kSamplesPerSide; ++i) {
          const double x = px + (i + 0.5) / kSamplesPerSide - kFrameSide / 2;
          const double y = kFrameSide / 2 - (py + (j + 0.5) / kSamplesPerSide);
          const Hit hit = Trace(m, x, y);
          if (!hit.found) continue;
          ++count[hit.material];
          shade[hit.material] += Shade(hit.normal);
        }
      }
      uint8_t index = kTransparent;
      if (2 * (count[kRed] + count[kGreen]) >= samples) {
        const Material mat = count[kRed] >= count[kGreen] ? kRed : kGreen;
        const double t = shade[mat] / count[mat];
        index = static_cast<uint8_t>(kRampFirst[mat] + int(t * (kRampLength[mat] - 1) + 0.5));
      }
      pixels[py * kFrameSide + px] = index;
    }
  }
  RemoveSpurs(pixels);
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

// 40-byte info header of an uncompressed bottom-up bitmap.
void PutInfoHeader(std::vector<uint8_t>& out, int32_t width, int32_t height, uint16_t bits,
                   uint32_t imageSize) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, bits);
  Put32(out, 0);          // no compression
  Put32(out, imageSize);
  Put32(out, 0);          // resolutions
  Put32(out, 0);
  Put32(out, 0);          // colours used: all that the depth allows
  Put32(out, 0);          // important colours: all
}

// A BMP file of 8-bit pixels (`indices`, top-down rows) with the sheet's colour
// table: file header, 40-byte info header, 256 colours, rows bottom-up, each
// padded to four bytes.
std::vector<uint8_t> BmpFile(int width, int height, const std::vector<uint8_t>& indices) {
  const int stride = (width + 3) & ~3;
  const uint32_t offset = 14 + 40 + 256 * 4;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + static_cast<uint32_t>(stride * height));
  Put32(out, 0);
  Put32(out, offset);
  PutInfoHeader(out, width, height, 8, 0);
  for (const auto& entry : SheetColourTable()) out.insert(out.end(), entry.begin(), entry.end());
  for (int row = height - 1; row >= 0; --row) {
    out.insert(out.end(), indices.begin() + row * width, indices.begin() + (row + 1) * width);
    out.insert(out.end(), stride - width, 0);
  }
  return out;
}

// The sheet as a BMP file; the resource compiler drops the 14-byte file header.
std::vector<uint8_t> MakeSheet() {
  std::vector<uint8_t> pixels(kFrameSide * kSheetHeight);
  for (int k = 0; k < kFrames; ++k) RenderFrame(k, pixels.data() + k * kFrameSide * kFrameSide);
  return BmpFile(kFrameSide, kSheetHeight, pixels);
}

// ---------------------------------------------------------------- pictures on black

// One molecule in a picture: its centre in pixels from the top left, its pose
// (that of a frame of the sheet) and how far it reaches from the centre.
struct Placement {
  double x, y;
  int frame;
  double halfSide;
};

// The models of the placed molecules, posed and sized.
std::vector<Molecule3d> BuildPlacedModels(const std::vector<Placement>& placements) {
  std::vector<Molecule3d> models;
  for (const Placement& p : placements) {
    models.push_back(BuildMolecule(2 * kPi * p.frame / kFrames, ScaleToFit(p.halfSide)));
  }
  return models;
}

constexpr int kDefaultSamples = 6;  // per pixel and axis

// Casts `samples` x `samples` rays through pixel (px, py); `sum` gets the colours
// of the rays that hit an atom or stick, whose number is returned.
int SamplePixel(const std::vector<Molecule3d>& models, const std::vector<Placement>& placements, int px, int py,
                int samples, Rgb& sum) {
  sum = {0, 0, 0};
  int hits = 0;
  for (int j = 0; j < samples; ++j) {
    for (int i = 0; i < samples; ++i) {
      const double x = px + (i + 0.5) / samples, y = py + (j + 0.5) / samples;
      for (size_t k = 0; k < models.size(); ++k) {
        const Placement& p = placements[k];
        if (Square(x - p.x) + Square(y - p.y) > 2 * Square(p.halfSide)) continue;
        const Hit hit = Trace(models[k], x - p.x, p.y - y);
        if (!hit.found) continue;
        const Rgb c = RampColour(hit.material, Shade(hit.normal));
        sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
        ++hits;
        break;
      }
    }
  }
  return hits;
}

// Molecules on opaque black, for the icons and the installer's pictures: each
// pixel is the mean colour of `samples` x `samples` samples, so the edges are
// smoothed into the black, matched to the nearest of `colours`. Indices into
// `colours`, top-down.
std::vector<uint8_t> RenderOnBlack(int width, int height, const std::vector<Placement>& placements,
                                   const std::vector<Rgb>& colours, int samples = kDefaultSamples) {
  const std::vector<Molecule3d> models = BuildPlacedModels(placements);
  std::vector<uint8_t> index(static_cast<size_t>(width) * height);
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < width; ++px) {
      Rgb sum;
      SamplePixel(models, placements, px, py, samples, sum);
      const double n = samples * samples;
      const Rgb c{sum.r / n, sum.g / n, sum.b / n};
      size_t best = 0;
      double bestDistance = 1e30;
      for (size_t k = 0; k < colours.size(); ++k) {
        const double d = Square(c.r - colours[k].r) + Square(c.g - colours[k].g) +
                         Square(c.b - colours[k].b);
        if (d < bestDistance) bestDistance = d, best = k;
      }
      index[py * width + px] = static_cast<uint8_t>(best);
    }
  }
  return index;
}

// A picture for the installer's pages in the sheet's colours: 8 bits a pixel and
// a plain 40-byte info header, which every Windows from 95 on loads; on a
// 256-colour screen it shows in the same colours as the saver.
std::vector<uint8_t> MakeInstallerPicture(int width, int height, const std::vector<Placement>& placements) {
  const auto table = SheetColourTable();
  std::vector<Rgb> colours;  // the black of entry 10 and the shades after it
  for (int i = kTransparent; i <= kRampFirst[kGreen] + kRampLength[kGreen] - 1; ++i) {
    colours.push_back({double(table[i][2]), double(table[i][1]), double(table[i][0])});
  }
  std::vector<uint8_t> indices = RenderOnBlack(width, height, placements, colours);
  for (uint8_t& index : indices) index += kTransparent;
  return BmpFile(width, height, indices);
}

// The welcome and finish pages' side picture, 164 x 314 as the installer lays it
// out: one large molecule and two small ones drifting below it.
std::vector<uint8_t> MakeInstallerSidePicture() {
  return MakeInstallerPicture(164, 314, {{82, 100, 13, 70}, {44, 222, 5, 28}, {120, 270, 24, 22}});
}

// The inner pages' header picture, 150 x 57, at the header's right.
std::vector<uint8_t> MakeInstallerHeaderPicture() {
  return MakeInstallerPicture(150, 57, {{119, 28.5, 13, 27}, {62, 31, 24, 17}, {19, 22, 5, 11}});
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutPngChunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  PutTag(out, tag);
  out.insert(out.end(), data.begin(), data.end());
  PutBig32(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// A PNG file of `side` x `side` pixels, 8 bits a channel, not interlaced:
// `colourType` 3 (palette indices into `palette`, RGB triples) or 6 (RGBA), with
// `rows` holding each row after its filter byte.
std::vector<uint8_t> PngFile(int side, uint8_t colourType, const std::vector<uint8_t>& palette,
                             const std::vector<uint8_t>& rows) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(side));
  PutBig32(header, static_cast<uint32_t>(side));
  header.insert(header.end(), {8, colourType, 0, 0, 0});  // deflate, no interlace
  PutPngChunk(out, "IHDR", header);
  if (!palette.empty()) PutPngChunk(out, "PLTE", palette);
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::vector<uint8_t> packed(packedSize);
  compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 9);
  packed.resize(packedSize);
  PutPngChunk(out, "IDAT", packed);
  PutPngChunk(out, "IEND", {});
  return out;
}

// The browser page's icons (its favicon and the web app's icons): PNG files of
// `side` x `side` pixels, one molecule on opaque black in the sheet's colours.
// The web app's icons keep it within `radius` pixels of the middle, inside the
// middle 80 % circle that a launcher cropping icons to a circle or a rounded
// square keeps; the favicon (`radius` 0) fills its few pixels.
std::vector<uint8_t> MakePageIcon(int side, double radius) {
  constexpr int kFrame = 13;
  // Placements are sized by the square the molecule's poses fill; a radius is
  // turned into that square's half side for this pose.
  const double reach = radius > 0 ? radius / (ScaleToFit(1) * ReachInPlane(kFrame)) : side / 2.0 - 0.5;
  const auto table = SheetColourTable();
  std::vector<Rgb> colours;  // the black of entry 10 and the shades after it, as for the installer
  for (int i = kTransparent; i <= kRampFirst[kGreen] + kRampLength[kGreen] - 1; ++i) {
    colours.push_back({double(table[i][2]), double(table[i][1]), double(table[i][0])});
  }
  const double middle = side / 2.0;
  // Nine samples a pixel are plenty for smooth edges at the web app's sizes.
  const std::vector<uint8_t> indices =
      RenderOnBlack(side, side, {{middle, middle, kFrame, reach}}, colours, side >= 192 ? 3 : 6);

  std::vector<uint8_t> palette;
  for (const Rgb& c : colours) palette.insert(palette.end(), {ToByte(c.r), ToByte(c.g), ToByte(c.b)});
  std::vector<uint8_t> rows;  // each row after its filter byte, 0 (none)
  for (int row = 0; row < side; ++row) {
    rows.push_back(0);
    rows.insert(rows.end(), indices.begin() + row * side, indices.begin() + (row + 1) * side);
  }
  return PngFile(side, 3, palette, rows);
}

// The icon: 32 x 32 in 16 colours of our own: black, seven reds, seven greens,
// white. The ground is opaque black.
std::vector<uint8_t> MakeIcon() {
  constexpr int kSide = 32;
  std::vector<Rgb> colours(16);
  colours[0] = {0, 0, 0};
  const double steps[7] = {0.16, 0.32, 0.48, 0.62, 0.74, 0.85, 0.95};
  for (int i = 0; i < 7; ++i) {
    colours[1 + i] = RampColour(kRed, steps[i]);
    colours[8 + i] = RampColour(kGreen, steps[i]);
  }
  colours[15] = kWhite;
  const std::vector<uint8_t> index =
      RenderOnBlack(kSide, kSide, {{kSide / 2, kSide / 2, 13, kSide / 2 - 0.5}}, colours);

  constexpr uint32_t kXorBytes = kSide * kSide / 2, kAndBytes = kSide * 4;
  constexpr uint32_t kImageBytes = 40 + 16 * 4 + kXorBytes + kAndBytes;
  std::vector<uint8_t> out;
  Put16(out, 0);  // icon directory: reserved, type 1 (icon), one image
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(kSide);
  out.push_back(kSide);
  out.push_back(16);  // colours
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, kImageBytes);
  Put32(out, 22);  // offset of the image
  // The image's height counts the colour rows and the mask rows together.
  PutInfoHeader(out, kSide, 2 * kSide, 4, kXorBytes + kAndBytes);
  for (const Rgb& c : colours) {
    out.push_back(ToByte(c.b));
    out.push_back(ToByte(c.g));
    out.push_back(ToByte(c.r));
    out.push_back(0);
  }
  for (int row = kSide - 1; row >= 0; --row) {
    for (int px = 0; px < kSide; px += 2) {
      out.push_back(static_cast<uint8_t>(index[row * kSide + px] << 4 | index[row * kSide + px + 1]));
    }
  }
  out.insert(out.end(), kAndBytes, 0);  // mask: every pixel opaque
  return out;
}

// The icon's molecule as a PNG of side x side pixels in full colour for the
// desktops' icon themes: the ground is transparent, each pixel's opacity the
// share of its samples that hit the molecule.
std::vector<uint8_t> MakeIconPng(int side) {
  const std::vector<Placement> placements{{side / 2.0, side / 2.0, 13, side / 2.0 - 0.5}};
  const std::vector<Molecule3d> models = BuildPlacedModels(placements);
  std::vector<uint8_t> rows;  // each row: filter type 0, then RGBA
  for (int py = 0; py < side; ++py) {
    rows.push_back(0);
    for (int px = 0; px < side; ++px) {
      Rgb sum;
      const int hits = SamplePixel(models, placements, px, py, kDefaultSamples, sum);
      const double shown = hits > 0 ? hits : 1;
      rows.insert(rows.end(), {ToByte(sum.r / shown), ToByte(sum.g / shown), ToByte(sum.b / shown),
                               ToByte(255.0 * hits / (kDefaultSamples * kDefaultSamples))});
    }
  }
  return PngFile(side, 6, {}, rows);
}

// ---------------------------------------------------------------- the sounds

constexpr uint32_t kSampleRate = 11025;

// One sample of a pure tone at `hz`, `t` seconds in.
double Tone(double hz, double t) {
  const double cycles = hz * t;
  return Sine(2 * kPi * (cycles - static_cast<int64_t>(cycles)));
}

// e^x for the small negative x of the envelopes, by its series after halving.
double Exponential(double x) {
  int halvings = 0;
  while (x < -0.5) x *= 0.5, ++halvings;
  double term = 1, sum = 1;
  for (int n = 1; n < 25; ++n) {
    term *= x / n;
    sum += term;
  }
  while (halvings-- > 0) sum *= sum;
  return sum;
}

uint8_t ToSample(double v) { return static_cast<uint8_t>(Clamp(128 + 127 * v + 0.5, 1, 255)); }

// A RIFF "WAVE" image: mono 8-bit PCM at 11,025 Hz. With `withFact` the format
// chunk has its 18-byte form and a "fact" chunk with the sample count follows.
std::vector<uint8_t> MakeWave(const std::vector<uint8_t>& samples, bool withFact) {
  const uint32_t count = static_cast<uint32_t>(samples.size());
  const uint32_t formatSize = withFact ? 18 : 16;
  const uint32_t pad = count & 1;  // chunks keep an even length
  const uint32_t riffSize =
      4 + (8 + formatSize) + (withFact ? 8 + 4 : 0) + (8 + count + pad);
  std::vector<uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, riffSize);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, formatSize);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, kSampleRate);
  Put32(out, kSampleRate);  // bytes per second
  Put16(out, 1);            // block align
  Put16(out, 8);            // bits per sample
  if (withFact) {
    Put16(out, 0);  // no extra format bytes
    PutTag(out, "fact");
    Put32(out, 4);
    Put32(out, count);
  }
  PutTag(out, "data");
  Put32(out, count);
  out.insert(out.end(), samples.begin(), samples.end());
  if (pad) out.push_back(128);
  return out;
}

// The bounce: a loud 870 Hz tone that starts at full strength and dies away,
// with an overtone that fades faster for a knock at the start. The last few
// milliseconds fade to silence so the end does not click.
std::vector<uint8_t> MakeBounceSound() {
  constexpr int kCount = 3857;
  std::vector<uint8_t> out(kCount);
  for (int n = 0; n < kCount; ++n) {
    const double t = double(n) / kSampleRate;
    const double tail = Clamp(double(kCount - 1 - n) / 120, 0, 1);
    const double v = Exponential(-t / 0.085) * (0.84 * Tone(870, t) + 0.16 * Tone(1740, t) *
                                                Exponential(-t / 0.03));
    out[n] = ToSample(1.12 * v * tail);
  }
  return out;
}

// The ambient sound: two short 1,350 Hz beeps, each faded in and out over a few
// milliseconds so that neither edge clicks.
std::vector<uint8_t> MakeAmbientSound() {
  constexpr int kCount = 3522;
  std::vector<uint8_t> out(kCount);
  const double starts[2] = {0.010, 0.165}, length = 0.120, ramp = 0.006;
  for (int n = 0; n < kCount; ++n) {
    const double t = double(n) / kSampleRate;
    double v = 0;
    for (double start : starts) {
      const double u = t - start;
      if (u < 0 || u > length) continue;
      const double edge = Clamp(u / ramp, 0, 1) * Clamp((length - u) / ramp, 0, 1);
      const double envelope = edge * (0.55 + 0.45 * Exponential(-u / 0.05));
      v += 0.9 * envelope * Tone(1350, u);
    }
    out[n] = ToSample(v);
  }
  return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return (std::fclose(f) == 0) && ok;
}

// True when the file holds exactly `bytes`.
bool FileHolds(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::vector<uint8_t> held(bytes.size() + 1);
  const size_t got = std::fread(held.data(), 1, held.size(), f);
  std::fclose(f);
  return got == bytes.size() && std::equal(bytes.begin(), bytes.end(), held.begin());
}

struct Asset {
  const char* fileName;
  std::vector<uint8_t> bytes;
};

}  // namespace

// make-assets DIR writes the files into DIR; make-assets --check DIR
// regenerates them and exits with 1 unless DIR holds exactly the same bytes;
// make-assets --icon-png SIDE FILE writes the icon for the desktops' icon themes
// (made when building, not kept with the committed assets).
int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--icon-png") {
    const int side = std::atoi(argv[2]);
    if (side < 16 || side > 1024) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    if (!WriteFile(argv[3], MakeIconPng(side))) {
      std::fprintf(stderr, "make-assets: cannot write %s\n", argv[3]);
      return 1;
    }
    return 0;
  }
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if ((argc != 2 && !check) || argv[argc - 1][0] == '\0') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string dir = std::string(argv[argc - 1]) + "/";
  const Asset assets[] = {
      {"sppat_r0.bmp", MakeSheet()},
      {"wavdat0.wav", MakeWave(MakeBounceSound(), false)},
      {"wavdat1.wav", MakeWave(MakeAmbientSound(), true)},
      {"molecule.ico", MakeIcon()},
      {"setup_side.bmp", MakeInstallerSidePicture()},
      {"setup_header.bmp", MakeInstallerHeaderPicture()},
      // A pixel inside the 40 % radius, so that the smoothed edge stays within too.
      {"icon-32.png", MakePageIcon(32, 0)},
      {"icon-192.png", MakePageIcon(192, 192 * 0.4 - 1)},
      {"icon-512.png", MakePageIcon(512, 512 * 0.4 - 1)},
  };
  int status = 0;
  for (const Asset& asset : assets) {
    const std::string path = dir + asset.fileName;
    if (check && !FileHolds(path, asset.bytes)) {
      std::fprintf(stderr, "make-assets: %s differs from what the generator makes\n", path.c_str());
      status = 1;
    } else if (!check && !WriteFile(path, asset.bytes)) {
      std::fprintf(stderr, "make-assets: cannot write %s\n", path.c_str());
      status = 1;
    }
  }
  return status;
}
