// The X11 window the program draws in, and the putting of rectangles on it.
#include "linux/window_x11.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "linux/x11_shared.h"
#include "shell/monitors.h"
#include "sprites/present_scale.h"

namespace {

// Errors of the requests made between TrapErrors and UntrapErrors are recorded
// instead of ending the program (a window id that names nothing, a segment the
// server cannot attach because it runs on another machine).
int trappedError = 0;
int (*previousHandler)(Display*, XErrorEvent*) = nullptr;

int RecordError(Display*, XErrorEvent* event) {
  trappedError = event->error_code;
  return 0;
}

}  // namespace

void TrapErrors(Display* display) {
  XSync(display, False);
  trappedError = 0;
  previousHandler = XSetErrorHandler(RecordError);
}

bool UntrapErrors(Display* display) {
  XSync(display, False);
  XSetErrorHandler(previousHandler);
  return trappedError == 0;
}

namespace {

// While the program draws, an error about its window means the window was
// destroyed before the server took a request for it: the program's end, not a
// fault. Any other error goes to the handler that was there (Xlib's prints it
// and ends the program).
WindowView* watchedView = nullptr;
int (*otherErrorHandler)(Display*, XErrorEvent*) = nullptr;

int NoteWindowError(Display* display, XErrorEvent* event) {
  if (watchedView != nullptr && event->resourceid == watchedView->window &&
      (event->error_code == BadWindow || event->error_code == BadDrawable)) {
    watchedView->gone = true;
    return 0;
  }
  return otherErrorHandler(display, event);
}

std::string HexId(unsigned long id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

const char* NameVisualClass(int visualClass) {
  static const char* const kNames[] = {"StaticGray", "GrayScale", "StaticColor", "PseudoColor", "TrueColor",
                                       "DirectColor"};
  return visualClass >= 0 && visualClass < 6 ? kNames[visualClass] : "unknown";
}

// The visual -visual asks for on `screen`: the default one, a TrueColor one of
// depth 24 or 32 (the default visual when it is such), or the one with the
// given id. False with the reason in `error` for a class it cannot draw on or an
// id that names no visual.
bool ChooseVisual(Display* display, int screen, const std::string& name, Visual*& visual, int& depth,
                  std::string& error) {
  visual = DefaultVisual(display, screen);
  depth = DefaultDepth(display, screen);
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.empty() || lower == "default") return true;
  if (lower == "truecolor" || lower == "best" || lower == "color") {
    if (visual->c_class == TrueColor && (depth == 24 || depth == 32)) return true;
    XVisualInfo info{};
    if (XMatchVisualInfo(display, screen, 24, TrueColor, &info) ||
        XMatchVisualInfo(display, screen, 32, TrueColor, &info)) {
      visual = info.visual;
      depth = info.depth;
      return true;
    }
    error = "-visual " + name + ": there is no TrueColor visual of depth 24 or 32 on this screen";
    return false;
  }
  // The command line allowed only the names above and ids.
  const unsigned long id = std::strtoul(lower.c_str(), nullptr, 0);
  XVisualInfo wanted{};
  wanted.visualid = id;
  wanted.screen = screen;
  int count = 0;
  XVisualInfo* found = XGetVisualInfo(display, VisualIDMask | VisualScreenMask, &wanted, &count);
  if (found == nullptr) {
    error = "-visual " + name + ": there is no visual " + HexId(id) + " on this screen";
    return false;
  }
  visual = found->visual;
  depth = found->depth;
  const int visualClass = found->c_class;
  XFree(found);
  if (visualClass != TrueColor || (depth != 24 && depth != 32)) {
    error = "-visual " + name + ": visual " + HexId(id) + " is " + NameVisualClass(visualClass) + " of depth " +
            std::to_string(depth) + "; brisel draws on TrueColor visuals of depth 24 or 32 only";
    return false;
  }
  return true;
}

// The dots per inch the desktop asks for: Xft.dpi among the server's resources
// (desktops and xrdb set it), else the screen's size in millimetres; 0 unknown.
int32_t ReadScreenDpi(Display* display, int screen) {
  int32_t dpi = 0;
  if (const char* resources = XResourceManagerString(display)) {
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(resources);
    char* type = nullptr;
    XrmValue value{};
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
      char* end = nullptr;
      const double given = std::strtod(value.addr, &end);
      if (end != value.addr && given >= 1 && given < 100000) dpi = static_cast<int32_t>(std::lround(given));
    }
    XrmDestroyDatabase(database);
  }
  return dpi > 0 ? dpi : DpiFromScreenSize(DisplayWidth(display, screen), DisplayWidthMM(display, screen));
}

ScreenPoint ReadPointer(Display* display, Window root) {
  Window rootFound = 0, child = 0;
  int x = 0, y = 0, windowX = 0, windowY = 0;
  unsigned buttons = 0;
  XQueryPointer(display, root, &rootFound, &child, &x, &y, &windowX, &windowY, &buttons);
  return {x, y};
}

// Asks the window manager, before the window is mapped, to show it in its
// full-screen state above other windows (and panels), and gives the window a
// cursor with no visible pixel.
void MakeFullScreen(WindowView& view) {
  Display* display = view.display;
  const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom states[2] = {XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False),
                          XInternAtom(display, "_NET_WM_STATE_ABOVE", False)};
  XChangeProperty(display, view.window, state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(states), 2);
  const char noBits[1] = {0};
  const Pixmap empty = XCreateBitmapFromData(display, view.window, noBits, 1, 1);
  XColor black{};
  view.blankCursor = XCreatePixmapCursor(display, empty, empty, &black, &black, 0, 0);
  XDefineCursor(display, view.window, view.blankCursor);
  XFreePixmap(display, empty);
}

bool HasSwappedBytes(const XImage& image) {
  return (image.byte_order == LSBFirst) != (std::endian::native == std::endian::little);
}

int FindPixelBits(Display* display, int depth) {
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  int bits = 0;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
  }
  if (formats != nullptr) XFree(formats);
  return bits;
}

void FreeImage(WindowView& view) {
  if (view.image == nullptr) return;
  if (view.shared) {
    XShmDetach(view.display, &view.shm);
    XSync(view.display, False);
    shmdt(view.shm.shmaddr);
    view.image->data = nullptr;  // the segment is not Xlib's to free
  }
  XDestroyImage(view.image);
  view.image = nullptr;
  view.shared = false;
}

// A shared-memory image of width x height, or false when the server or the
// system cannot share one. The segment is marked for removal as soon as both
// sides have it attached, so it disappears with the program however it ends.
bool MakeSharedImage(WindowView& view) {
  const int32_t width = kScratchWidth * view.scale, height = kScratchRows;
  if (!XShmQueryExtension(view.display)) return false;
  view.shm = {};
  XImage* image = XShmCreateImage(view.display, view.visual, view.depth, ZPixmap, nullptr, &view.shm,
                                  width, height);
  if (image == nullptr) return false;
  view.shm.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * height, IPC_CREAT | 0600);
  if (view.shm.shmid < 0) {
    XDestroyImage(image);
    return false;
  }
  view.shm.shmaddr = static_cast<char*>(shmat(view.shm.shmid, nullptr, 0));
  bool attached = false;
  if (view.shm.shmaddr != reinterpret_cast<char*>(-1)) {
    image->data = view.shm.shmaddr;
    view.shm.readOnly = False;
    TrapErrors(view.display);
    XShmAttach(view.display, &view.shm);
    attached = UntrapErrors(view.display);
    if (!attached) shmdt(view.shm.shmaddr);
  }
  shmctl(view.shm.shmid, IPC_RMID, nullptr);
  if (!attached) {
    image->data = nullptr;
    XDestroyImage(image);
    return false;
  }
  view.image = image;
  view.shared = true;
  return true;
}

bool MakePlainImage(WindowView& view) {
  const int32_t width = kScratchWidth * view.scale, height = kScratchRows;
  XImage* image = XCreateImage(view.display, view.visual, view.depth, ZPixmap, 0, nullptr, width, height, 32, 0);
  if (image == nullptr) return false;
  image->data = static_cast<char*>(std::calloc(static_cast<size_t>(image->bytes_per_line), height));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return false;
  }
  view.image = image;
  return true;
}

// Waits until the server has read every piece put from a shared image, so the
// image can be written again from the top.
void FinishPieces(WindowView& view) {
  if (view.shared) {
    XSync(view.display, False);
  } else {
    XFlush(view.display);  // XPutImage has already copied its pixels
  }
  view.nextRow = 0;
}

// Puts `rect` of the back buffer of the picture at `place`, with the sprites
// composed over it (`composed`) or as the back buffer holds it.
void PutRect(WindowView& view, const PicturePlace& place, SceneRect rect, bool composed) {
  const SpriteScene& scene = *place.scene;
  const SceneRect r = ClipRectToImage(rect, scene.backBuffer);
  const int32_t n = place.scale;
  const int32_t pieceRows = composed ? kCanvasRows : kScratchRows;
  for (int32_t left = r.left; left < r.left + r.width; left += kScratchWidth) {
    const int32_t width = std::min(kScratchWidth, r.left + r.width - left);
    for (int32_t top = r.top; top < r.top + r.height;) {
      if (kScratchRows - view.nextRow < n) FinishPieces(view);
      const int32_t height = std::min({r.top + r.height - top, (kScratchRows - view.nextRow) / n, pieceRows});
      auto* pixels = reinterpret_cast<uint32_t*>(view.image->data + view.nextRow * view.image->bytes_per_line);
      if (composed) {
        ComposeSceneRect(scene, {left, top, width, height}, view.canvas);
        ConvertBackBufferRect(view.canvas, {0, 0, width, height}, view.pixels, pixels, view.image->bytes_per_line / 4,
                              n);
      } else {
        ConvertBackBufferRect(scene.backBuffer, {left, top, width, height}, view.pixels, pixels,
                              view.image->bytes_per_line / 4, n);
      }
      if (view.shared) {
        XShmPutImage(view.display, view.window, view.gc, view.image, 0, view.nextRow, place.left + left * n,
                     place.top + top * n, width * n, height * n, False);
      } else {
        XPutImage(view.display, view.window, view.gc, view.image, 0, view.nextRow, place.left + left * n,
                  place.top + top * n, width * n, height * n);
      }
      view.nextRow += height * n;
      top += height;
    }
  }
}

// The back buffer is left alone: the sprites are composed in the canvas.
void PutFrameRect(void* context, const PicturePlace& place, SceneRect rect) {
  auto& view = *static_cast<WindowView*>(context);
  if (view.image != nullptr) PutRect(view, place, rect, true);
}

// A frame's pieces go out at once; the image is only waited for when it is full,
// which saves a round trip to the server on most frames.
void FlushFrame(void* context) { XFlush(static_cast<WindowView*>(context)->display); }

}  // namespace

bool ReadGeometry(const std::string& geometry, int screenWidth, int screenHeight, OwnWindowPlace& place) {
  int x = 0, y = 0;
  unsigned width = place.width, height = place.height;
  const int given = XParseGeometry(geometry.c_str(), &x, &y, &width, &height);
  if (given == NoValue || width == 0 || height == 0 || width > kMaxXWindowSide || height > kMaxXWindowSide ||
      x < kMinXWindowPlace || x > kMaxXWindowPlace || y < kMinXWindowPlace || y > kMaxXWindowPlace) {
    return false;
  }
  place.width = width;
  place.height = height;
  if ((given & XValue) != 0) {
    place.placed = true;
    place.x = (given & XNegative) != 0 ? screenWidth + x - static_cast<int>(width) : x;
    place.y = (given & YNegative) != 0 ? screenHeight + y - static_cast<int>(height) : y;
  }
  return true;
}

bool OpenWindowView(WindowView& view, Display* display, const ProgramOptions& options, std::string& error) {
  view = WindowView{};
  view.display = display;
  const int screen = DefaultScreen(display);
  if (options.target == DrawTarget::OwnWindow) {
    OwnWindowPlace place;  // the geometry's syntax was checked with the command line
    ReadGeometry(options.geometry, DisplayWidth(display, screen), DisplayHeight(display, screen), place);
    const Window root = RootWindow(display, screen);
    if (options.fullscreen) {
      // Sized to the monitors' bounds already, so that it covers them without a
      // window manager too (under bare X servers), and stands where the manager
      // looks.
      view.fullscreen = true;
      view.pointer = ReadPointer(display, root);
      ReadMonitors(view, screen);
      const ScreenRect bounds = FindDesktopBounds(view.monitors);
      place = {bounds.left, bounds.top, static_cast<unsigned>(bounds.right - bounds.left),
               static_cast<unsigned>(bounds.bottom - bounds.top), true};
      view.place = {bounds.left, bounds.top};
    }
    Visual* visual = nullptr;
    int depth = 0;
    if (!ChooseVisual(display, screen, options.visual, visual, depth, error)) {
      view.badVisual = true;
      return false;
    }
    XSetWindowAttributes attributes{};
    unsigned long mask = CWBackPixel | CWEventMask;
    if (view.fullscreen) {
      // A window manager that cannot span several monitors with a full-screen
      // window (openbox 3.6 cannot) would show it on one, also when monitors
      // come while it runs: the window then goes round it, as it does without one.
      view.windowManager =
          IsWindowManagerRunning(display, root) && IsHintSupported(display, root, "_NET_WM_FULLSCREEN_MONITORS");
      attributes.override_redirect = !view.windowManager && IsWindowManagerRunning(display, root);
      mask |= CWOverrideRedirect;
    }
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | ButtonPressMask;
    if (view.fullscreen) {
      attributes.event_mask |=
          PointerMotionMask | EnterWindowMask | LeaveWindowMask | FocusChangeMask | VisibilityChangeMask;
    }
    if (visual != DefaultVisual(display, screen)) {
      view.colormap = XCreateColormap(display, root, visual, AllocNone);
      attributes.colormap = view.colormap;
      attributes.background_pixel = 0;
      attributes.border_pixel = 0;
      mask |= CWColormap | CWBorderPixel;
    }
    view.window = XCreateWindow(display, root, place.x, place.y, place.width, place.height, 0, depth, InputOutput,
                                visual, mask, &attributes);
    view.ownWindow = true;
    XStoreName(display, view.window, "Brisel");
    XClassHint hint{const_cast<char*>("brisel"), const_cast<char*>("Brisel")};
    XSetClassHint(display, view.window, &hint);
    if (!options.geometry.empty() || view.fullscreen) {
      XSizeHints hints{};
      hints.flags = USSize | (place.placed ? USPosition : 0);
      XSetWMNormalHints(display, view.window, &hints);
    }
    if (view.fullscreen) {
      MakeFullScreen(view);
      // Windows mapped above this one, and the root's size; RandR tells of
      // monitors that come, go or change their mode, a bare server of
      // monitors set by hand only through the root's ConfigureNotify.
      XSelectInput(display, root, SubstructureNotifyMask | StructureNotifyMask);
      int errorBase = 0;
      if (XRRQueryExtension(display, &view.randrEventBase, &errorBase)) {
        XRRSelectInput(display, root, RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
      } else {
        view.randrEventBase = -1;
      }
      if (!ClaimFullScreen(view)) {
        error = "full screen already runs on this display; this one ends";
        view.otherFullScreen = true;
        CloseWindowView(view);
        return false;
      }
    }
    view.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, view.window, &view.deleteWindow, 1);
  } else {
    view.window = options.target == DrawTarget::Root ? RootWindow(display, screen)
                                                     : static_cast<Window>(options.windowId);
  }
  XWindowAttributes attributes{};
  TrapErrors(display);
  const Status found = XGetWindowAttributes(display, view.window, &attributes);
  if (!UntrapErrors(display) || found == 0) {
    error = "there is no window " + HexId(view.window);
    return false;
  }
  view.visual = attributes.visual;
  view.depth = attributes.depth;
  const int pixelBits = FindPixelBits(display, view.depth);
  if (view.visual->c_class != TrueColor || (view.depth != 24 && view.depth != 32) || pixelBits != 32) {
    error = "the window's visual is " + std::string(NameVisualClass(view.visual->c_class)) + " of depth " +
            std::to_string(view.depth) + " with " + std::to_string(pixelBits) +
            "-bit pixels; brisel draws on TrueColor of depth 24 or 32 with 32-bit pixels only; nothing is drawn";
    CloseWindowView(view);
    return false;
  }
  if (!view.ownWindow) {
    // Another client may hold the button and key events of this window; the
    // program only needs to know its size, when it must be redrawn and when it
    // is gone.
    XSelectInput(display, view.window, ExposureMask | StructureNotifyMask);
  }
  view.width = attributes.width;
  view.height = attributes.height;
  view.scale = options.scale != kAutoScale ? options.scale : ScaleForDpi(ReadScreenDpi(display, screen));
  view.gc = XCreateGC(display, view.window, 0, nullptr);
  if (view.ownWindow && !view.fullscreen) XMapWindow(display, view.window);
  watchedView = &view;
  otherErrorHandler = XSetErrorHandler(NoteWindowError);
  return true;
}

bool ReadWindowPlace(WindowView& view) {
  Window child = 0;
  int x = 0, y = 0;
  XTranslateCoordinates(view.display, view.window, DefaultRootWindow(view.display), 0, 0, &x, &y, &child);
  const bool moved = x != view.place.x || y != view.place.y;
  view.place = {x, y};
  return moved;
}

void ShowWindowView(WindowView& view) {
  if (view.fullscreen) XMapWindow(view.display, view.window);
}

bool PrepareWindowView(WindowView& view, const SpriteScene& scene) {
  const DibImage& backBuffer = scene.backBuffer;
  if (backBuffer.header == nullptr) return false;
  if (view.canvas.header == nullptr && CreateBlank(view.canvas, kScratchWidth, kCanvasRows) == nullptr) return false;
  if (view.image == nullptr && !MakeSharedImage(view) && !MakePlainImage(view)) return false;
  PixelLayout layout;
  layout.redMask = static_cast<uint32_t>(view.visual->red_mask);
  layout.greenMask = static_cast<uint32_t>(view.visual->green_mask);
  layout.blueMask = static_cast<uint32_t>(view.visual->blue_mask);
  if (view.depth == 32) layout.alphaMask = ~(layout.redMask | layout.greenMask | layout.blueMask);
  const uint8_t* colourTable = backBuffer.header + LoadInfoHeader(backBuffer.header).biSize;
  return BuildPixelTable(colourTable, layout, HasSwappedBytes(*view.image), view.pixels);
}

DesktopSink MakeWindowSink(WindowView& view) {
  DesktopSink sink;
  sink.context = &view;
  sink.originX = view.place.x;
  sink.originY = view.place.y;
  sink.composes = true;
  sink.put = PutFrameRect;
  sink.end = FlushFrame;
  return sink;
}

void RepaintWindowView(WindowView& view, Desktop& desktop, SceneRect area, bool withSprites) {
  if (view.image == nullptr) return;
  XRectangle exposed{static_cast<short>(area.left), static_cast<short>(area.top),
                     static_cast<unsigned short>(area.width), static_cast<unsigned short>(area.height)};
  Region black = XCreateRegion();
  XUnionRectWithRegion(&exposed, black, black);
  for (auto& desktopView : desktop.views) {
    const SpriteScene& scene = desktopView->scene;
    const int32_t n = desktopView->scale;
    const PicturePlace place{&scene, desktopView->area.left - view.place.x, desktopView->area.top - view.place.y, n};
    // The part of the area this picture covers, in its back-buffer pixels.
    const int32_t left = std::max(area.left, place.left), top = std::max(area.top, place.top);
    const int32_t right = std::min(area.left + area.width, place.left + scene.backBuffer.width * n);
    const int32_t bottom = std::min(area.top + area.height, place.top + scene.backBuffer.height * n);
    if (right <= left || bottom <= top) continue;
    XRectangle covered{static_cast<short>(left), static_cast<short>(top), static_cast<unsigned short>(right - left),
                       static_cast<unsigned short>(bottom - top)};
    Region picture = XCreateRegion();
    XUnionRectWithRegion(&covered, picture, picture);
    XSubtractRegion(black, picture, black);
    XDestroyRegion(picture);
    const int32_t x0 = (left - place.left) / n, y0 = (top - place.top) / n;
    PutRect(view, place, {x0, y0, (right - place.left + n - 1) / n - x0, (bottom - place.top + n - 1) / n - y0},
            withSprites);
  }
  if (!XEmptyRegion(black)) {
    const uint32_t background = view.pixels[0];
    XSetForeground(view.display, view.gc, HasSwappedBytes(*view.image) ? __builtin_bswap32(background) : background);
    XSetRegion(view.display, view.gc, black);
    XFillRectangle(view.display, view.window, view.gc, area.left, area.top, area.width, area.height);
    XSetClipMask(view.display, view.gc, 0);
  }
  XDestroyRegion(black);
  FinishPieces(view);
}

void CloseWindowView(WindowView& view) {
  if (view.blankCursor != 0) XFreeCursor(view.display, view.blankCursor);
  view.blankCursor = 0;
  FreeImage(view);
  if (view.gc != nullptr) XFreeGC(view.display, view.gc);
  view.gc = nullptr;
  if (view.ownWindow && !view.gone) XDestroyWindow(view.display, view.window);
  if (view.colormap != 0) XFreeColormap(view.display, view.colormap);
  view.colormap = 0;
  if (watchedView == &view) {
    XSync(view.display, False);  // errors about the requests above are still expected
    XSetErrorHandler(otherErrorHandler);
    watchedView = nullptr;
  }
  view.window = 0;
}
