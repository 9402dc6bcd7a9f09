// The X11 window the program draws in: choosing or making it, checking its
// visual, and putting the back buffer's rectangles on it as true-colour pixels.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <string>
#include <vector>

#include "animation/animation.h"
#include "animation/desktop.h"
#include "shell/input_watch.h"
#include "shell/program_options.h"
#include "sprites/pixel_convert.h"
#include "sprites/sprite_scene.h"

constexpr int32_t kOwnWindowWidth = 800;
constexpr int32_t kOwnWindowHeight = 600;
// X carries a window's size in 16 unsigned bits and its place in 16 signed ones.
constexpr int kMaxXWindowSide = 65535;
constexpr int kMinXWindowPlace = -32768;
constexpr int kMaxXWindowPlace = 32767;

// The image rectangles are converted into before they are put: pieces of at
// most kScratchWidth back-buffer columns (kScratchWidth x scale screen columns)
// stacked one below the other. Rows as narrow as a sprite's rectangle with its
// move in one tick (at most 4 pixels each way) keep a frame's pixels on few
// memory pages, whatever the window's size; wider rectangles go in several pieces.
constexpr int32_t kScratchWidth = kSpriteSide + 8;
constexpr int32_t kScratchRows = 8192;
// A frame's rectangles are composed from the sprites into an 8-bit canvas of
// kScratchWidth x kCanvasRows, small enough to stay in the first-level cache,
// and converted from there; taller rectangles go in several pieces.
constexpr int32_t kCanvasRows = kSpriteSide + 8;

struct WindowView {
  Display* display = nullptr;
  Window window = 0;
  bool ownWindow = false;      // made here: input ends the program, destroyed at the end
  Atom deleteWindow = 0;       // the window manager's close request, for an own window
  Colormap colormap = 0;       // made for an own window whose visual is not the default
  bool gone = false;           // the window was destroyed by someone else
  bool badVisual = false;      // OpenWindowView failed on the visual -visual asked for
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
  int32_t width = 0;           // the window's size as last seen, in screen pixels
  int32_t height = 0;
  int32_t scale = 1;           // screen pixels across and down for each back-buffer pixel
  bool fullscreen = false;     // an own window covering every monitor, pointer hidden
  ScreenPoint pointer{};       // fullscreen: where the pointer was, in root coordinates
  bool windowManager = false;  // fullscreen: a window manager manages the window
  std::vector<ScreenRect> monitors;  // fullscreen: Xinerama's monitors, in its order (the primary first)
  long edgeMonitors[4] = {};   // fullscreen: Xinerama's indices of the top, bottom, left and right monitors
  ScreenPoint place{};         // the window's top-left corner in root coordinates (0, 0 unless fullscreen)
  Cursor blankCursor = 0;      // fullscreen: the cursor with no visible pixel
  bool keyboardHeld = false;   // fullscreen: the keyboard and the pointer grabbed by the window
  bool pointerHeld = false;
  bool raiseWanted = false;    // fullscreen: a window may have come above this one
  XImage* image = nullptr;     // kScratchWidth * scale x kScratchRows, 32 bits a pixel
  XShmSegmentInfo shm{};
  bool shared = false;         // image lives in a MIT-SHM segment
  int32_t nextRow = 0;         // where the next piece goes in the image
  PixelTable pixels{};         // back-buffer index to the visual's pixel
  DibImage canvas;             // kScratchWidth x kCanvasRows: where they are composed
};

// Where and how large a window of its own is made: -geometry over 800 x 600 at
// the window manager's choice.
struct OwnWindowPlace {
  int x = 0;
  int y = 0;
  unsigned width = kOwnWindowWidth;
  unsigned height = kOwnWindowHeight;
  bool placed = false;  // x and y were given
};

// Reads an X geometry ("WxH+X+Y", any part left out) onto `place`; negative
// offsets count from the right and bottom of a screen of the given size. False
// when `geometry` is not one, or gives a size of 0 or above kMaxXWindowSide or an
// offset outside kMinXWindowPlace..kMaxXWindowPlace, which X cannot carry.
bool ReadGeometry(const std::string& geometry, int screenWidth, int screenHeight, OwnWindowPlace& place);

// Opens the drawing target `options` names on `display` (a window of its own is
// made at -geometry with the -visual asked for, titled "Brisel", and mapped) and
// checks that it is a TrueColor visual of depth 24 or 32 with 32-bit pixels
// (the reason names the class, depth and pixel size it has instead).
// With -fullscreen its own window covers the bounds of every monitor (Xinerama's,
// `monitors`), asks the window manager for its full-screen state above other
// windows (on the edge monitors once mapped, see NoteWindowMapped), hides the
// pointer and watches for windows mapped above it.
// Sets the scale: -scale, or with auto the one for the screen's DPI (Xft.dpi,
// else the screen's size in millimetres). Selects the events the program reacts
// to: size changes, exposures and the window's destruction, for its own window
// keys, clicks and the window manager's close, and full screen the pointer's
// moves. From then on, an X error about the window (its destruction
// racing a drawing request) sets `gone` instead of ending the program; other
// errors end it as Xlib does. False with a one-line reason in `error` when the
// window does not exist or its visual is unusable; `badVisual` tells when that
// visual is the one -visual named.
bool OpenWindowView(WindowView& view, Display* display, const ProgramOptions& options, std::string& error);

// Reads where the window stands on the root into `place`; true when it moved.
bool ReadWindowPlace(WindowView& view);

// Full screen, once the window is mapped: asks the window manager to span the
// edge monitors, or takes the focus without one, and has the input taken again.
void NoteWindowMapped(WindowView& view);

// Full screen: grabs the keyboard and the pointer to the window (events from
// anywhere come to it, the pointer hidden), each if not held yet. True when
// both are held; false while another client holds one, to be tried again.
bool TakeInput(WindowView& view);

// Full screen: puts the window above every other one.
void RaiseWindowView(WindowView& view);

// Makes the pixel table from `scene`'s colour table (every scene of a desktop has
// the same) after the animation (re)started, and the first time the canvas and the image: a
// MIT-SHM segment when the server offers it and can attach it, an ordinary image
// put with XPutImage otherwise. False when memory runs out.
bool PrepareWindowView(WindowView& view, const SpriteScene& scene);

// The sink a desktop presents into (PresentDesktop), its origin the window's
// place on the root: each rectangle is composed from the scene's sprites
// (ComposeSceneRect; the back buffer is not touched), converted into the next
// rows of the image, each pixel as the picture's scale x scale, and put on the
// window where the picture lies. When the image is full and shared, a round trip
// to the server comes first, so no piece is overwritten before the server has
// read it. Made again when the window moves.
DesktopSink MakeWindowSink(WindowView& view);

// Puts `area` (in window pixels) of the desktop as it looks now: each view's
// scene where its area lies, with `withSprites` the visible sprites composed
// over the background (the scenes' records are left as they were), without only
// the background. Window pixels that no view's enlarged back buffer covers
// (where no monitor is, the monitors other than the primary's in `main`, fewer
// than `scale` at a picture's right and bottom) are made black. For exposures
// and for clearing the window when the animation starts.
void RepaintWindowView(WindowView& view, Desktop& desktop, SceneRect area, bool withSprites);

// Gives back the keyboard and the pointer, releases the image (detaching the
// shared segment) and destroys the window if it was made here and still exists.
// The display stays open.
void CloseWindowView(WindowView& view);
