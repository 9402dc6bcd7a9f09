// The monitors a full-screen window covers: reading them from Xinerama, the
// edge monitors a window manager is asked to span, and following their changes.
#include <X11/Xatom.h>
#include <X11/extensions/Xinerama.h>

#include <algorithm>
#include <vector>

#include "linux/window_x11.h"
#include "linux/x11_shared.h"
#include "shell/monitors.h"

namespace {

// Asks a window manager to span the window over the edge monitors.
void AskForEdgeMonitors(WindowView& view) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = view.window;
  event.xclient.message_type = XInternAtom(view.display, "_NET_WM_FULLSCREEN_MONITORS", False);
  event.xclient.format = 32;
  for (int i = 0; i < 4; ++i) event.xclient.data.l[i] = view.edgeMonitors[i];
  event.xclient.data.l[4] = 1;  // a normal application
  XSendEvent(view.display, DefaultRootWindow(view.display), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &event);
}

}  // namespace

// Reads the monitors into `view`: Xinerama's (which XWayland and RandR-driven
// servers keep too), or the whole screen without them, and which of them, by
// Xinerama's index, hold the top, bottom, left and right edges of their bounds.
// Xinerama's first is the primary: a RandR server lists the monitor RandR calls
// primary first.
void ReadMonitors(WindowView& view, int screen) {
  Display* display = view.display;
  std::vector<ScreenRect> found;
  int eventBase = 0, errorBase = 0, count = 0;
  if (XineramaQueryExtension(display, &eventBase, &errorBase) && XineramaIsActive(display)) {
    if (XineramaScreenInfo* screens = XineramaQueryScreens(display, &count)) {
      for (int i = 0; i < count; ++i) {
        const XineramaScreenInfo& m = screens[i];
        found.push_back({m.x_org, m.y_org, m.x_org + m.width, m.y_org + m.height});
      }
      XFree(screens);
    }
  }
  if (found.empty()) found.push_back({0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)});
  long* edges = view.edgeMonitors;  // top, bottom, left, right
  std::fill(edges, edges + 4, 0);
  for (size_t i = 0; i < found.size(); ++i) {
    const ScreenRect& m = found[i];
    if (m.top < found[edges[0]].top) edges[0] = static_cast<long>(i);
    if (m.bottom > found[edges[1]].bottom) edges[1] = static_cast<long>(i);
    if (m.left < found[edges[2]].left) edges[2] = static_cast<long>(i);
    if (m.right > found[edges[3]].right) edges[3] = static_cast<long>(i);
  }
  view.monitors = found;
}

bool IsWindowManagerRunning(Display* display, Window root) {
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const bool found = XGetWindowProperty(display, root, check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                                        &after, &data) == Success && count == 1;
  if (data != nullptr) XFree(data);
  return found;
}

// Whether the window manager names `name` among the hints it supports.
bool IsHintSupported(Display* display, Window root, const char* name) {
  const Atom wanted = XInternAtom(display, name, False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), 0, 4096, False, XA_ATOM,
                         &type, &format, &count, &after, &data) == Success && format == 32) {
    const auto* atoms = reinterpret_cast<const unsigned long*>(data);  // format 32 comes as longs
    found = std::find(atoms, atoms + count, wanted) != atoms + count;
  }
  if (data != nullptr) XFree(data);
  return found;
}

void NoteWindowMapped(WindowView& view) {
  if (!view.fullscreen) return;
  if (view.windowManager) AskForEdgeMonitors(view);
  view.focusWanted = true;
}

bool FollowMonitors(WindowView& view) {
  const std::vector<ScreenRect> before = view.monitors;
  ReadMonitors(view, DefaultScreen(view.display));
  const ScreenRect bounds = FindDesktopBounds(view.monitors);
  if (view.monitors == before || bounds.right <= bounds.left || bounds.bottom <= bounds.top) return false;
  if (view.windowManager) {
    // The manager fits the window to the monitors; its ConfigureNotify follows.
    AskForEdgeMonitors(view);
  } else {
    view.place = {bounds.left, bounds.top};
    view.width = bounds.right - bounds.left;
    view.height = bounds.bottom - bounds.top;
    XMoveResizeWindow(view.display, view.window, bounds.left, bounds.top, static_cast<unsigned>(view.width),
                      static_cast<unsigned>(view.height));
  }
  return true;
}
