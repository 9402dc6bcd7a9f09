// Full screen among the other windows: the one-per-display selection, the
// momentary grab check, the input focus and staying above new windows.
#include <vector>

#include "linux/window_x11.h"
#include "linux/x11_shared.h"

namespace {

// The window's ancestor that is a child of the root: its window manager's frame,
// or the window itself; 0 when it cannot be learnt.
Window FindTopLevel(WindowView& view) {
  Window window = view.window;
  for (;;) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    TrapErrors(view.display);
    const Status found = XQueryTree(view.display, window, &root, &parent, &children, &count);
    if (!UntrapErrors(view.display) || found == 0) return 0;
    if (children != nullptr) XFree(children);
    if (parent == root) return window;
    window = parent;
  }
}

// The record of `window` among the contenders, made when it is new.
Contender& FindContender(WindowView& view, Window window) {
  for (Contender& contender : view.contenders) {
    if (contender.window == window) return contender;
  }
  view.contenders.push_back({window, 0, 0});
  return view.contenders.back();
}

}  // namespace

// Claims the display's full-screen selection for the window, as window managers
// claim WM_Sn: false when another client owns it. Of two starting at once, the
// one that set it last owns it, and the other learns so here or by its
// SelectionClear.
bool ClaimFullScreen(WindowView& view) {
  Display* display = view.display;
  const std::string name = "_BRISEL_FULLSCREEN_S" + std::to_string(DefaultScreen(display));
  view.selection = XInternAtom(display, name.c_str(), False);
  if (XGetSelectionOwner(display, view.selection) != 0) return false;
  XSetSelectionOwner(display, view.selection, view.window, CurrentTime);
  return XGetSelectionOwner(display, view.selection) == view.window;
}

bool IsInputHeldElsewhere(WindowView& view, std::string& held) {
  Display* display = view.display;
  const Window root = DefaultRootWindow(display);
  const int keyboard = XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (keyboard == GrabSuccess) XUngrabKeyboard(display, CurrentTime);
  const int pointer = XGrabPointer(display, root, False, 0, GrabModeAsync, GrabModeAsync, 0, 0, CurrentTime);
  if (pointer == GrabSuccess) XUngrabPointer(display, CurrentTime);
  XSync(display, False);
  held = keyboard != GrabSuccess ? (pointer != GrabSuccess ? "keyboard and the pointer" : "keyboard") : "pointer";
  return keyboard != GrabSuccess || pointer != GrabSuccess;
}

bool TakeFocus(WindowView& view) {
  Display* display = view.display;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  if (focus == view.window) return true;
  Contender* from = focus == None || focus == PointerRoot ? nullptr : &FindContender(view, focus);
  if (from != nullptr && from->focusTakes >= kInsistLimit) return true;
  // A window a window manager has not framed and shown yet cannot have the focus.
  XWindowAttributes attributes{};
  TrapErrors(display);
  const bool viewable = XGetWindowAttributes(display, view.window, &attributes) && attributes.map_state == IsViewable;
  if (viewable) XSetInputFocus(display, view.window, RevertToParent, CurrentTime);
  const bool taken = UntrapErrors(display) && viewable;
  if (taken && from != nullptr) ++from->focusTakes;
  return taken;
}

void RaiseWindowView(WindowView& view) {
  Display* display = view.display;
  const Window root = DefaultRootWindow(display);
  const Window top = FindTopLevel(view);
  Window rootFound = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (top == 0 || !XQueryTree(display, root, &rootFound, &parent, &children, &count)) return;
  // The root's children from the bottom up: the viewable ones above this
  // window, up to the first it must stay below.
  std::vector<Window> covered;
  Window limit = 0;
  TrapErrors(display);  // a window above may go meanwhile
  bool above = false;
  for (unsigned i = 0; i < count && limit == 0; ++i) {
    if (children[i] == top) above = true;
    XWindowAttributes attributes{};
    if (!above || children[i] == top || !XGetWindowAttributes(display, children[i], &attributes) ||
        attributes.map_state != IsViewable) {
      continue;
    }
    if (attributes.override_redirect || FindContender(view, children[i]).raises >= kInsistLimit) {
      limit = children[i];
    } else {
      covered.push_back(children[i]);
    }
  }
  UntrapErrors(display);
  if (children != nullptr) XFree(children);
  if (covered.empty()) return;
  for (Window window : covered) ++FindContender(view, window).raises;
  if (limit == 0) {
    XRaiseWindow(display, view.window);
  } else if (top == view.window) {
    // A window manager would take a sibling it does not manage amiss: under
    // one, its own stacking of the full-screen state is left as it is.
    XWindowChanges changes{};
    changes.sibling = limit;
    changes.stack_mode = Below;
    XConfigureWindow(display, view.window, CWSibling | CWStackMode, &changes);
  }
  XFlush(display);
}

void RefuseSelectionRequest(WindowView& view, const XSelectionRequestEvent& request) {
  XEvent answer{};
  answer.xselection.type = SelectionNotify;
  answer.xselection.requestor = request.requestor;
  answer.xselection.selection = request.selection;
  answer.xselection.target = request.target;
  answer.xselection.property = 0;  // refused
  answer.xselection.time = request.time;
  TrapErrors(view.display);  // the requestor may be gone
  XSendEvent(view.display, request.requestor, False, NoEventMask, &answer);
  UntrapErrors(view.display);
}
