// The X11 window the program draws in: choosing or making it, checking its
// visual, and putting the back buffer's rectangles on it as true-colour pixels.
// The monitors full screen covers are read and followed in monitors_x11.cpp,
// its input and stacking among other windows are kept in stacking_x11.cpp.
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

// Full screen: a window this one was raised over or took the focus from, and how
// often; one that keeps coming back is left alone (see RaiseWindowView).
struct Contender {
  Window window = 0;
  int raises = 0;
  int focusTakes = 0;
};

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
  Atom selection = 0;          // fullscreen: the display's full-screen selection, owned by the window
  bool otherFullScreen = false;  // OpenWindowView failed because another full screen owns the selection
  bool raiseWanted = false;    // fullscreen: a window may have come above this one
  bool focusWanted = false;    // fullscreen: another window may have taken the input focus
  bool monitorsStale = false;  // fullscreen: the monitors may have changed (RandR, the root's size)
  int randrEventBase = -1;     // fullscreen: RandR's first event number, -1 without RandR
  std::vector<Contender> contenders;  // fullscreen: windows raised over or taken the focus from
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
// pointer, watches for windows mapped above it, for the focus and for the
// monitors' changes, and claims the display's full-screen selection; it is not
// mapped yet (see ShowWindowView). False with `otherFullScreen` set when another
// full screen owns that selection: one per display.
// Sets the scale: -scale, or with auto the one for the screen's DPI (Xft.dpi,
// else the screen's size in millimetres). Selects the events the program reacts
// to: size changes, exposures and the window's destruction, for its own window
// keys, clicks and the window manager's close, and full screen the pointer's
// moves and crossings. From then on, an X error about the window (its destruction
// racing a drawing request) sets `gone` instead of ending the program; other
// errors end it as Xlib does. False with a one-line reason in `error` when the
// window does not exist or its visual is unusable; `badVisual` tells when that
// visual is the one -visual named.
bool OpenWindowView(WindowView& view, Display* display, const ProgramOptions& options, std::string& error);

// Reads where the window stands on the root into `place`; true when it moved.
bool ReadWindowPlace(WindowView& view);

// Full screen, before the window is mapped: whether another client holds the
// keyboard or the pointer (a locked screen, an open menu), learnt by grabbing
// each for a moment on the root; `held` names what is held. Full screen holds
// no grab while it runs, so that a screen locker can always take the input.
bool IsInputHeldElsewhere(WindowView& view, std::string& held);

// Full screen: maps the window, once IsInputHeldElsewhere is false (any other
// window of its own OpenWindowView mapped).
void ShowWindowView(WindowView& view);

// Full screen, once the window is mapped: asks the window manager to span the
// edge monitors, and has the focus taken.
void NoteWindowMapped(WindowView& view);

// Full screen: gives the window the input focus (the keys come to it, no grab
// needed) unless the window holding it has had it taken kInsistLimit times. False
// when the window is not viewable yet, to be tried again.
bool TakeFocus(WindowView& view);

// Full screen: puts the window above the viewable windows that have come above
// it, but never above another client's override-redirect window (a locker's, a
// menu's) nor above a window that came back above it after being covered
// kInsistLimit times: the window then stays just below those. Called at most a
// few times a second, so that nothing that raises itself starts a fight.
constexpr int kInsistLimit = 2;
void RaiseWindowView(WindowView& view);

// Full screen, after RandR or the root told of a change: reads the monitors
// again; when they changed, moves and sizes the window over their bounds (or
// tells a window manager that spans windows the new edge monitors) and returns
// true, for the desktop to be planned again on `monitors`.
bool FollowMonitors(WindowView& view);

// Full screen: answers another client's request to convert the full-screen
// selection with a refusal (it carries no data; owning it is all it says).
void RefuseSelectionRequest(WindowView& view, const XSelectionRequestEvent& request);

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

// Releases the image (detaching the shared segment) and destroys the window
// (with it the selection) if it was made here and still exists. The display
// stays open.
void CloseWindowView(WindowView& view);
