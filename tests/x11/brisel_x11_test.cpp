// End-to-end tests of the X11 program on a virtual display: what it draws equals
// saver-render's frame (also enlarged, and full screen), a resize starts it over,
// sound reaches SDL's disk output, and SIGTERM ends it at once and cleanly.
// GoogleTest first: Xlib defines macros (None, Status) that its headers use as names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xinerama.h>
#include <X11/keysym.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Pixels = std::vector<uint8_t>;  // red, green, blue; rows from the top

const std::string kScratch = SCRATCH_DIR;

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Starts `args` with extra environment variables and its stderr in `errFile`.
pid_t StartProgram(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env = {},
            const std::string& errFile = "") {
  const pid_t pid = fork();
  if (pid == 0) {
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    if (!errFile.empty()) freopen(errFile.c_str(), "w", stderr);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// The exit status, 256 + the signal that ended the process, or -1 when it is
// still running after `ms`.
int WaitExit(pid_t pid, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > end) return -1;
    Pause(5);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
}

// Ends a program a test left running.
struct Running {
  pid_t pid;
  ~Running() {
    if (pid > 0 && WaitExit(pid, 0) < 0) {
      kill(pid, SIGKILL);
      WaitExit(pid, 5000);
    }
  }
};

Pixels ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Pixels rgb;
  if (png_image_begin_read_from_file(&image, path.c_str()) != 0) {
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) rgb.clear();
  }
  png_image_free(&image);
  return rgb;
}

// saver-render's picture of the given run: a window's, or with a monitor layout
// ("X,Y,W,H;...", the size unused) the desktop's as `monitors` spreads it.
Pixels RenderReference(int seed, int width, int height, int count, int ticks, int scale = 1,
                       const std::string& layout = "", const char* monitors = "each") {
  const std::string out = kScratch + "/reference.png";
  std::remove(out.c_str());  // never the picture of an earlier run
  std::vector<std::string> size = {"--width", std::to_string(width), "--height", std::to_string(height)};
  if (!layout.empty()) size = {"--layout", layout, "--monitors", monitors};
  const pid_t pid = StartProgram({SAVER_RENDER, "--seed", std::to_string(seed), size[0], size[1], size[2], size[3],
                                  "--count", std::to_string(count), "--ticks", std::to_string(ticks), "--scale",
                                  std::to_string(scale), "--out", out});
  EXPECT_EQ(WaitExit(pid, 20000), 0);
  return ReadPng(out);
}

class BriselX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr) << "no X display";
    // A window read before it is mapped, or after it went, fails the request
    // (XGetImage then gives null): the test waits on, rather than exits.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  void TearDown() override {
    if (display_ != nullptr) XCloseDisplay(display_);
  }

  Window MakeWindow(int width, int height) {
    const int screen = DefaultScreen(display_);
    const Window w = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, width, height, 0, 0,
                                         WhitePixel(display_, screen));  // white: brisel must clear it
    XMapWindow(display_, w);
    XSync(display_, False);
    return w;
  }

  Pixels ReadWindow(Window window, int width, int height) {
    XImage* image = XGetImage(display_, window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) return {};
    Pixels rgb;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
      }
    }
    XDestroyImage(image);
    return rgb;
  }

  // Waits until the window shows `expected`; returns the pixels that still
  // differ (0 when it came). Without a reference nothing can match.
  size_t WaitForPicture(Window window, int width, int height, const Pixels& expected) {
    if (expected.empty()) return SIZE_MAX;
    size_t differing = expected.size();
    for (const auto end = Clock::now() + std::chrono::seconds(20); Clock::now() < end; Pause(100)) {
      const Pixels shown = ReadWindow(window, width, height);
      if (shown.size() != expected.size()) continue;
      differing = 0;
      for (size_t i = 0; i < shown.size(); i += 3) differing += shown[i] != expected[i] || shown[i + 1] != expected[i + 1] || shown[i + 2] != expected[i + 2];
      if (differing == 0) break;
    }
    return differing;
  }

  // The first top-level window titled `title`, waiting up to `ms` for one; 0 if none came.
  Window FindTopLevel(const char* title, int ms = 10000) {
    for (const auto end = Clock::now() + std::chrono::milliseconds(ms);; Pause(50)) {
      Window root, parent, *children = nullptr;
      unsigned count = 0;
      XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count);
      Window found = 0;
      for (unsigned i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(display_, children[i], &name) && name != nullptr) {
          if (std::string(name) == title) found = children[i];
          XFree(name);
        }
      }
      if (children != nullptr) XFree(children);
      if (found != 0 || Clock::now() >= end) return found;
    }
  }

  // A key press or a click, sent to the clients that watch `window`'s structure:
  // the program does on every window it draws into, so the event reaches its
  // decision whether the window is its own or one it was given.
  void SendPress(Window window, int type = KeyPress) {
    XEvent event{};
    event.xkey.type = type;  // a button event has the key event's layout
    event.xkey.display = display_;
    event.xkey.window = window;
    event.xkey.root = DefaultRootWindow(display_);
    event.xkey.keycode = XKeysymToKeycode(display_, XK_space);
    XSendEvent(display_, window, False, StructureNotifyMask, &event);
    XFlush(display_);
  }

  bool HasProperty(Window window, const char* name) {
    int count = 0;
    Atom* atoms = XListProperties(display_, window, &count);
    const Atom wanted = XInternAtom(display_, name, False);
    bool found = false;
    for (int i = 0; i < count; ++i) found = found || atoms[i] == wanted;
    if (atoms != nullptr) XFree(atoms);
    return found;
  }

  Display* display_ = nullptr;
};

// The System V shared memory segments made by `pid` that still exist, as
// (marked for removal) flags.
std::vector<bool> ListSegmentsOf(pid_t pid) {
  constexpr long kMarkedForRemoval = 01000;  // SHM_DEST in the listed mode
  std::ifstream list("/proc/sysvipc/shm");
  std::string line;
  std::getline(list, line);  // the heading
  std::vector<bool> found;
  while (std::getline(list, line)) {
    long key, id, mode, size, creator;
    if (std::sscanf(line.c_str(), "%ld %ld %lo %ld %ld", &key, &id, &mode, &size, &creator) == 5 && creator == pid) {
      found.push_back((mode & kMarkedForRemoval) != 0);
    }
  }
  return found;
}

TEST_F(BriselX11, OwnWindowShowsTheRenderedFrameAndAKeyEndsIt) {
  const Pixels expected = RenderReference(11, 800, 600, 12, 30);
  Running brisel{StartProgram({BRISEL, "-seed", "11", "-ticks", "30", "-count", "12"})};
  const Window window = FindTopLevel("Brisel");
  ASSERT_NE(window, 0u) << "no window titled Brisel";
  EXPECT_EQ(WaitForPicture(window, 800, 600, expected), 0u) << "pixels differing from saver-render";
  SendPress(window);
  EXPECT_EQ(WaitExit(brisel.pid, 3000), 0) << "a key ends the program with status 0";
}

TEST_F(BriselX11, GivenWindowShowsTheRenderedFrameAndStartsOverWhenResized) {
  const Window window = MakeWindow(320, 240);
  Running brisel{StartProgram({BRISEL, "-window-id", std::to_string(window), "-seed", "3", "-ticks", "25", "-count", "9"})};
  EXPECT_EQ(WaitForPicture(window, 320, 240, RenderReference(3, 320, 240, 9, 25)), 0u);
  // Input to a window it was given is not its to act on; the picture after the
  // resize shows that the program has read the presses sent before it.
  SendPress(window);
  SendPress(window, ButtonPress);
  XResizeWindow(display_, window, 150, 110);
  XSync(display_, False);
  EXPECT_EQ(WaitForPicture(window, 150, 110, RenderReference(3, 150, 110, 9, 25)), 0u)
      << "after the resize: the same run at the new size";
  EXPECT_EQ(WaitExit(brisel.pid, 0), -1) << "a key or a click in a given window ended the program";
}

TEST_F(BriselX11, GivenWindowAtScaleTwoShowsEachPixelAsATwoByTwoBlockAndTheOddEdgeBlack) {
  const Window window = MakeWindow(321, 241);
  const char dpi[] = "Xft.dpi:\t192\n";  // a desktop's resource for a 200 % screen: -scale auto takes 2
  XChangeProperty(display_, DefaultRootWindow(display_), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(dpi), sizeof dpi - 1);
  XSync(display_, False);
  Running brisel{StartProgram({BRISEL, "-window-id", std::to_string(window), "-scale", "auto", "-seed", "3", "-ticks",
                               "25", "-count", "9"})};
  EXPECT_EQ(WaitForPicture(window, 321, 241, RenderReference(3, 321, 241, 9, 25, 2)), 0u);
  XDeleteProperty(display_, DefaultRootWindow(display_), XA_RESOURCE_MANAGER);
}

TEST_F(BriselX11, FullScreenCoversTheScreenHidesThePointerAndAMoveOfFivePixelsEndsIt) {
  const int width = DisplayWidth(display_, 0), height = DisplayHeight(display_, 0);
  Running brisel{StartProgram({BRISEL, "-fullscreen", "-scale", "1", "-seed", "4", "-ticks", "20", "-count", "6"})};
  const Window window = FindTopLevel("Brisel");
  ASSERT_NE(window, 0u) << "no window titled Brisel";
  EXPECT_EQ(WaitForPicture(window, width, height, RenderReference(4, width, height, 6, 20)), 0u);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* state = nullptr;
  XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_STATE", False), 0, 2, False, XA_ATOM, &type,
                     &format, &count, &after, &state);
  ASSERT_EQ(count, 2u) << "the window manager's state, asked for before mapping";
  EXPECT_EQ(reinterpret_cast<Atom*>(state)[0], XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False));
  EXPECT_EQ(reinterpret_cast<Atom*>(state)[1], XInternAtom(display_, "_NET_WM_STATE_ABOVE", False));
  XFree(state);
  XFixesCursorImage* cursor = XFixesGetCursorImage(display_);
  ASSERT_NE(cursor, nullptr);
  int visible = 0;
  for (int i = 0; i < cursor->width * cursor->height; ++i) visible += (cursor->pixels[i] & 0xFF000000u) != 0;
  EXPECT_EQ(visible, 0) << "visible pixels of the pointer";
  XFree(cursor);
  // Small moves add up from where the pointer was: 3 + 1 is not beyond the
  // saver's threshold, one pixel more is.
  EXPECT_EQ(WaitExit(StartProgram({"/usr/bin/xdotool", "mousemove_relative", "3", "1"}), 3000), 0);
  EXPECT_EQ(WaitExit(brisel.pid, 500), -1) << "ended by a move of 4 pixels";
  EXPECT_EQ(WaitExit(StartProgram({"/usr/bin/xdotool", "mousemove_relative", "1", "0"}), 3000), 0);
  EXPECT_EQ(WaitExit(brisel.pid, 3000), 0) << "a move of 5 pixels ends it with status 0";
}

// Two monitors of different sizes, the primary (the second on the desktop, at
// the bottom right) first: without a window manager, the other added while it
// runs, and under openbox, full screen shows each choice as saver-render draws
// that desktop. A managed window opened meanwhile shows nowhere and a key still
// ends it; an override-redirect one (a locker's, a menu's) stays above it.
TEST_F(BriselX11, FullScreenSpreadsOverTwoMonitorsAsTheyComeKeepsTheKeysAndStaysBelowOverrideRedirect) {
  const std::string layout = "400,300,624,468;0,0,400,400";
  const std::vector<std::vector<std::string>> xrandr = {
      {"--setmonitor", "*primary", "624/165x468/124+400+300", "screen"},
      {"--setmonitor", "other", "400/106x400/106+0+0", "none"},
      {"--delmonitor", "primary"}, {"--delmonitor", "other"}};
  const auto runXrandr = [&](size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i) {
      std::vector<std::string> args = {"/usr/bin/xrandr"};
      args.insert(args.end(), xrandr[i].begin(), xrandr[i].end());
      EXPECT_EQ(WaitExit(StartProgram(args), 5000), 0);
    }
  };
  runXrandr(0, 1);
  const Window root = DefaultRootWindow(display_);
  Running openbox{0};
  for (const char* monitors : {"each", "main", "across"}) {
    if (std::string(monitors) == "main") {
      openbox.pid = StartProgram({"/usr/bin/openbox"});
      for (int i = 0; i < 100 && !HasProperty(root, "_NET_SUPPORTING_WM_CHECK"); ++i) Pause(50);
    }
    const bool first = openbox.pid == 0, last = std::string(monitors) == "across";
    Running brisel{StartProgram({BRISEL, "-fullscreen", "-monitors", monitors, "-scale", "1", "-seed", "8", "-ticks",
                                 "15", "-count", "5"})};
    if (first) {
      EXPECT_EQ(WaitForPicture(FindTopLevel("Brisel"), 624, 468, RenderReference(8, 624, 468, 5, 15)), 0u);
      runXrandr(1, 1);
    }
    const Pixels expected = RenderReference(8, 0, 0, 5, 15, 1, layout, monitors);
    EXPECT_EQ(WaitForPicture(root, 1024, 768, expected), 0u) << monitors;
    if (!last) continue;
    // A window the window manager places and focuses, and a white one that
    // places itself on top, as notices do.
    Running message{StartProgram({"/usr/bin/xmessage", "-center", "a new window"})};
    XSetWindowAttributes bypass{};
    bypass.override_redirect = True;
    bypass.background_pixel = WhitePixel(display_, 0);
    XMapWindow(display_, XCreateWindow(display_, root, 300, 250, 300, 200, 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWOverrideRedirect | CWBackPixel, &bypass));
    XSync(display_, False);
    Pause(1500);
    Pixels shown = expected;
    for (int y = 250; y < 450; ++y) std::fill_n(shown.begin() + (y * 1024 + 300) * 3, 300 * 3, 255);
    EXPECT_EQ(WaitForPicture(root, 1024, 768, shown), 0u) << "with a new window open";
    EXPECT_EQ(WaitExit(StartProgram({"/usr/bin/xdotool", "key", "space"}), 3000), 0);
    EXPECT_EQ(WaitExit(brisel.pid, 3000), 0) << "a key ends it: the focus taken back from the new window";
  }
  kill(openbox.pid, SIGTERM);  // so that it takes its hints off the root window
  WaitExit(openbox.pid, 3000);
  runXrandr(2, 2);
}

// Two monitors of 8200 pixels side by side (brisel_x11_wide_across gives the
// screen): their bounds are wider than one picture may be, yet across animates both.
TEST_F(BriselX11, AcrossOnTwoMonitorsWiderTogetherThanAPictureAnimatesBoth) {
  if (DisplayWidth(display_, 0) < 16400) GTEST_SKIP() << "needs a screen 16400 pixels wide";
  for (const char* monitor : {"*left 8200/2170x600/159+0+0 screen", "right 8200/2170x600/159+8200+0 none"}) {
    std::istringstream words(monitor);
    std::vector<std::string> args = {"/usr/bin/xrandr", "--setmonitor"};
    for (std::string word; words >> word;) args.push_back(word);
    ASSERT_EQ(WaitExit(StartProgram(args), 5000), 0) << monitor;
  }
  Running brisel{StartProgram({BRISEL, "-fullscreen", "-monitors", "across", "-seed", "3", "-count", "64"})};
  size_t lit[2] = {};
  for (const auto end = Clock::now() + std::chrono::seconds(20); Clock::now() < end && !(lit[0] && lit[1]); Pause(200)) {
    const Pixels shown = ReadWindow(DefaultRootWindow(display_), 16400, 600);
    lit[0] = lit[1] = 0;
    for (size_t i = 0; i < shown.size(); i += 3) lit[(i / 3) % 16400 >= 8200] += shown[i] | shown[i + 1] | shown[i + 2];
  }
  EXPECT_EQ(WaitExit(brisel.pid, 0), -1) << "still running";
  EXPECT_GT(lit[0], 0u) << "molecules on the left monitor";
  EXPECT_GT(lit[1], 0u) << "molecules on the right monitor";
  for (const char* name : {"left", "right"}) WaitExit(StartProgram({"/usr/bin/xrandr", "--delmonitor", name}), 5000);
}

// Under a window manager that spans full-screen windows (the test acts as one)
// it asks for the monitors that hold the desktop's top, bottom, left and right
// edges, by Xinerama's index: in layouts people have, and again when a monitor
// is plugged in while it runs.
TEST_F(BriselX11, FullScreenAsksAWindowManagerForTheMonitorsAtTheDesktopsEdges) {
  const Window root = DefaultRootWindow(display_), check = XCreateSimpleWindow(display_, root, 0, 0, 1, 1, 0, 0, 0);
  const Atom request = XInternAtom(display_, "_NET_WM_FULLSCREEN_MONITORS", False);
  const Atom supported[2] = {request, XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False)};
  XChangeProperty(display_, root, XInternAtom(display_, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(supported), 2);
  XChangeProperty(display_, root, XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False), XA_WINDOW, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&check), 1);
  XSelectInput(display_, root, SubstructureRedirectMask | SubstructureNotifyMask);
  const auto setMonitors = [&](const std::string& monitors) {  // "W/MMxH/MM+X+Y ...", the primary first
    std::string command = "for m in primary b c; do xrandr --delmonitor $m; done 2>/dev/null; true";
    std::string name = "*primary";
    for (size_t at = 0, end; at < monitors.size(); at = end + 1, name = name == "*primary" ? "b" : "c") {
      end = std::min(monitors.find(' ', at), monitors.size());
      command += " && xrandr --setmonitor " + name + " " + monitors.substr(at, end - at) +
                 (at == 0 ? " screen" : " none");
    }
    EXPECT_EQ(WaitExit(StartProgram({"/bin/sh", "-c", "(" + command + ") >/dev/null"}), 10000), 0) << command;
  };
  // The monitors named by the last request, once they settle (mapping the
  // window as asked), are the desktop's top, bottom, left and right ones.
  const auto expectEdges = [&](const std::string& layout) {
    long edges[4] = {-1, -1, -1, -1};
    for (auto end = Clock::now() + std::chrono::seconds(5); Clock::now() < end; Pause(5)) {
      for (XEvent event; XPending(display_) > 0;) {
        XNextEvent(display_, &event);
        if (event.type == MapRequest) XMapWindow(display_, event.xmaprequest.window);
        if (event.type != ClientMessage || event.xclient.message_type != request) continue;
        std::copy_n(event.xclient.data.l, 4, edges);
        end = Clock::now() + std::chrono::milliseconds(500);
      }
    }
    int count = 0;
    XineramaScreenInfo* screens = XineramaQueryScreens(display_, &count);
    int top = 99999, bottom = 0, left = 99999, right = 0;
    for (int i = 0; i < count; ++i) {
      top = std::min(top, int{screens[i].y_org}), left = std::min(left, int{screens[i].x_org});
      bottom = std::max(bottom, screens[i].y_org + screens[i].height);
      right = std::max(right, screens[i].x_org + screens[i].width);
    }
    const auto at = [&](long i) { return i >= 0 && i < count ? screens[i] : XineramaScreenInfo{-1, -9, -9, 0, 0}; };
    EXPECT_TRUE(at(edges[0]).y_org == top && at(edges[1]).y_org + at(edges[1]).height == bottom &&
                at(edges[2]).x_org == left && at(edges[3]).x_org + at(edges[3]).width == right)
        << layout << ": top, bottom, left, right " << edges[0] << " " << edges[1] << " " << edges[2] << " " << edges[3];
    XFree(screens);
  };
  const std::vector<std::pair<std::string, std::string>> layouts = {
      {"a monitor plugged in left of the primary while it runs", "512/135x384/101+512+0 512/135x384/101+0+0"},
      {"a monitor above the primary", "512/135x384/101+0+384 512/135x384/101+0+0"},
      {"a row of three, the primary in the middle", "340/90x256/68+340+0 340/90x256/68+0+0 340/90x256/68+680+0"},
      {"an L", "512/135x384/101+0+384 512/135x384/101+0+0 512/135x384/101+512+384"}};
  for (const auto& [name, monitors] : layouts) {
    const bool plugged = name.find("plugged") != std::string::npos;
    setMonitors(plugged ? monitors.substr(0, monitors.find(' ')) : monitors);
    Running brisel{StartProgram({BRISEL, "-fullscreen", "-count", "3"})};
    expectEdges(name);
    if (plugged) setMonitors(monitors), expectEdges(name);
  }
  XSelectInput(display_, root, 0);
  for (const char* hint : {"_NET_SUPPORTING_WM_CHECK", "_NET_SUPPORTED"}) {
    XDeleteProperty(display_, root, XInternAtom(display_, hint, False));
  }
  setMonitors("");
}

TEST_F(BriselX11, BouncesReachTheAudioOutputAndSigtermEndsAtOnceLeavingNoSegment) {
  const std::string raw = kScratch + "/audio.raw";
  std::remove(raw.c_str());
  const Window window = MakeWindow(40, 40);  // a bounce every few ticks
  Running brisel{StartProgram({BRISEL, "-window-id", std::to_string(window), "-sound", "-seed", "1"},
                       {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", raw}})};
  // The bounce sound is 8-bit; silence is 128.
  size_t loud = 0;
  for (const auto end = Clock::now() + std::chrono::seconds(15); Clock::now() < end && loud < 100; Pause(200)) {
    std::ifstream in(raw, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    loud = 0;
    for (char b : bytes) loud += std::abs(static_cast<uint8_t>(b) - 128) > 40;
  }
  EXPECT_GE(loud, 100u) << "loud samples in the disk driver's output";
  EXPECT_EQ(ListSegmentsOf(brisel.pid), std::vector<bool>{true}) << "one MIT-SHM segment, marked for removal";
  const auto sent = Clock::now();
  kill(brisel.pid, SIGTERM);
  EXPECT_EQ(WaitExit(brisel.pid, 1000), 256 + SIGTERM) << "within a second of SIGTERM, ended as by SIGTERM";
  EXPECT_LT(Clock::now() - sent, std::chrono::milliseconds(500));
  EXPECT_TRUE(ListSegmentsOf(brisel.pid).empty()) << "shared memory segments left";
}

TEST_F(BriselX11, ADestroyedWindowEndsItAtOnceWithStatusZeroAndNoMessage) {
  // One run draws when its window goes: an exposure just before the end makes its
  // repaint reach the server after the window has gone, as when the two race.
  // The other has stopped and only waits.
  const Window windows[2] = {MakeWindow(300, 200), MakeWindow(300, 200)};
  const std::string errors[2] = {kScratch + "/destroyed-drawing.err", kScratch + "/destroyed-stopped.err"};
  Running runs[2] = {{StartProgram({BRISEL, "-window-id", std::to_string(windows[0]), "-count", "64"}, {}, errors[0])},
                     {StartProgram({BRISEL, "-window-id", std::to_string(windows[1]), "-ticks", "2"}, {}, errors[1])}};
  Pause(1000);
  for (int i = 0; i < 2; ++i) {
    if (i == 0) {
      XRaiseWindow(display_, windows[i]);  // the other window covers it
      XClearArea(display_, windows[i], 0, 0, 0, 0, True);
    }
    XDestroyWindow(display_, windows[i]);
    XSync(display_, False);
    EXPECT_EQ(WaitExit(runs[i].pid, 3000), 0) << errors[i];
    std::ifstream in(errors[i]);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "") << errors[i];
  }
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(BriselX11, TakesTheDisplayGeometryAndVisualOptionsOfXPrograms) {
  const Pixels expected = RenderReference(7, 320, 200, 5, 20);
  Running brisel{StartProgram({BRISEL, "-display", DisplayString(display_), "-geometry", "320x200-10+40", "-visual",
                               "truecolor", "-fps", "-seed", "7", "-ticks", "20", "-count", "5"},
                              {{"DISPLAY", ":9999"}})};
  const Window window = FindTopLevel("Brisel");
  ASSERT_NE(window, 0u) << "no window titled Brisel";
  EXPECT_EQ(WaitForPicture(window, 320, 200, expected), 0u);
  const std::string errors = kScratch + "/no-display.err";
  EXPECT_EQ(WaitExit(StartProgram({BRISEL}, {{"DISPLAY", ""}}, errors), 3000), 1);
  EXPECT_EQ(ReadText(errors), "brisel: no X display: DISPLAY is not set and -display was not given\n");
  // A size X cannot carry and a visual it cannot draw on are bad command lines.
  EXPECT_EQ(WaitExit(StartProgram({BRISEL, "-geometry", "99999x99999"}, {}, errors), 3000), 2);
  const std::string said = ReadText(errors);
  EXPECT_EQ(said.substr(0, said.find('\n')),
            "brisel: bad value \"99999x99999\" for -geometry (WxH+X+Y: sizes 1 to 65535, places -32768 to 32767)");
  EXPECT_EQ(WaitExit(StartProgram({BRISEL, "--count=65"}, {}, errors), 3000), 2);
  EXPECT_EQ(ReadText(errors).rfind("brisel: bad value \"65\" for --count (1 to 64)\nusage:", 0), 0u);
  XVisualInfo direct{};
  ASSERT_TRUE(XMatchVisualInfo(display_, DefaultScreen(display_), 24, DirectColor, &direct));
  char id[16];
  std::snprintf(id, sizeof id, "0x%lx", direct.visualid);
  EXPECT_EQ(WaitExit(StartProgram({BRISEL, "-visual", id}, {}, errors), 3000), 2);
  EXPECT_EQ(ReadText(errors), std::string("brisel: -visual ") + id + ": visual " + id +
                                  " is DirectColor of depth 24; brisel draws on TrueColor visuals of depth 24 or 32 "
                                  "only\n");
}

TEST_F(BriselX11, WithoutAnAudioDeviceItDrawsSilentlyAndSaysSoInOneLine) {
  const std::string errors = kScratch + "/no-device.err";
  const Window window = MakeWindow(200, 150);
  Running brisel{StartProgram({BRISEL, "-window-id", std::to_string(window), "-sound", "-sound-frequency", "100",
                        "-seed", "5", "-ticks", "40"},
                       {{"SDL_AUDIODRIVER", "alsa"}, {"AUDIODEV", "no-such-device"}}, errors)};
  EXPECT_EQ(WaitForPicture(window, 200, 150, RenderReference(5, 200, 150, 10, 40)), 0u);
  kill(brisel.pid, SIGTERM);
  EXPECT_EQ(WaitExit(brisel.pid, 2000), 256 + SIGTERM);
  const std::string said = ReadText(errors);
  EXPECT_EQ(said.rfind("brisel: no sound: no audio device can be opened (", 0), 0u) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
}

// A screen locker locking while full screen runs ends it with status 0, and
// locks; full screen started over the lock never shows and ends with a message.
TEST_F(BriselX11, FullScreenEndsWhenI3lockLocksAndDoesNotStartOverTheLock) {
  Running brisel{StartProgram({BRISEL, "-fullscreen", "-count", "3"})};
  ASSERT_NE(FindTopLevel("Brisel"), 0u);
  Pause(1000);
  const std::string lockErrors = kScratch + "/i3lock.err", errors = kScratch + "/locked.err";
  Running lock{StartProgram({"/usr/bin/i3lock", "-n"}, {}, lockErrors)};
  EXPECT_EQ(WaitExit(brisel.pid, 3000), 0) << "ended when i3lock locked";
  Pause(500);
  const Window root = DefaultRootWindow(display_);
  EXPECT_EQ(XGrabKeyboard(display_, root, False, GrabModeAsync, GrabModeAsync, CurrentTime), AlreadyGrabbed);
  const pid_t overLock = StartProgram({BRISEL, "-fullscreen", "-count", "3"}, {}, errors);
  int status = -1;
  bool shown = false;
  for (const auto end = Clock::now() + std::chrono::seconds(5); status < 0 && Clock::now() < end; Pause(20)) {
    XWindowAttributes window{};
    const Window found = FindTopLevel("Brisel", 0);
    shown = shown || (found != 0 && XGetWindowAttributes(display_, found, &window) && window.map_state == IsViewable);
    status = WaitExit(overLock, 0);
  }
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(shown) << "mapped over the lock";
  EXPECT_EQ(ReadText(errors), "brisel: another program holds the keyboard and the pointer (is the screen locked?); "
                              "full screen does not start over it\n");
  EXPECT_EQ(WaitExit(lock.pid, 0), -1) << ReadText(lockErrors);
}

// A second full screen finds the first and ends; a window that raises itself
// whenever covered (as an earlier brisel did) is left on top after a few tries;
// another client grabbing the pointer ends it, as a locker's grab would.
TEST_F(BriselX11, FullScreenIsOnePerDisplayAndStopsRaisingOverAWindowThatComesBack) {
  const Window root = DefaultRootWindow(display_);
  Running brisel{StartProgram({BRISEL, "-fullscreen", "-count", "3"})};
  ASSERT_NE(FindTopLevel("Brisel"), 0u);
  Pause(1000);
  XSelectInput(display_, root, SubstructureNotifyMask);
  const std::string errors = kScratch + "/second.err";
  EXPECT_EQ(WaitExit(StartProgram({BRISEL, "-fullscreen"}, {}, errors), 3000), 0);
  EXPECT_EQ(ReadText(errors), "brisel: full screen already runs on this display; this one ends\n");
  const Window fighter = XCreateSimpleWindow(display_, root, 0, 0, 200, 200, 0, 0, 0);
  XSelectInput(display_, fighter, VisibilityChangeMask);
  XMapWindow(display_, fighter);
  int restacks = 0;
  for (const auto end = Clock::now() + std::chrono::seconds(4); Clock::now() < end; Pause(5)) {
    for (XEvent event; XPending(display_) > 0;) {
      XNextEvent(display_, &event);
      restacks += event.type == ConfigureNotify;
      if (event.type == VisibilityNotify && event.xvisibility.state != VisibilityUnobscured) {
        XRaiseWindow(display_, fighter);
      }
    }
  }
  EXPECT_TRUE(restacks >= 2 && restacks <= 6) << restacks << " restacks in 4 s: raised over it, then left on top";
  EXPECT_EQ(XGrabPointer(display_, root, False, 0, GrabModeAsync, GrabModeAsync, 0, 0, CurrentTime), GrabSuccess);
  EXPECT_EQ(WaitExit(brisel.pid, 3000), 0) << "another client grabbing the pointer ends it";
}

}  // namespace
