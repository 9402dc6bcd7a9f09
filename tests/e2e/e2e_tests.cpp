// End-to-end tests: starts the built saver under Wine with desktop command lines
// and checks what the desktop and a person would see: exit codes, windows,
// closing on input, the preview, the dialog and the Win9x password path.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/desktop_win32.h"
#include "tests/support/pixels_win32.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

using test_support::BinDirectory;
using test_support::ColourCensus;
using test_support::CountColours;
using test_support::PumpFor;
using test_support::ReadPixels;
using test_support::RegistryValueGuard;

constexpr char kSaverClass[] = "WindowsScreenSaverClass";
constexpr DWORD kStartTimeoutMs = 10000;
constexpr DWORD kEndTimeoutMs = 10000;

std::string WorkDirectory(const char* name) {
  const std::string directory = BinDirectory() + "\\e2e-work\\" + name;
  CreateDirectoryA((BinDirectory() + "\\e2e-work").c_str(), nullptr);
  CreateDirectoryA(directory.c_str(), nullptr);
  return directory;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int CountLinesStartingWith(const std::string& text, const std::string& prefix) {
  int count = 0;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}

struct WindowSearch {
  DWORD processId;
  const char* className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  if (owner == search->processId && (search->className[0] == 0 || std::string(name) == search->className)) {
    search->found.push_back(window);
  }
  return TRUE;
}

// One run of a saver program; killed if a test leaves it running.
class SaverRun {
 public:
  SaverRun(const std::string& program, const std::string& arguments, const std::string& directory = "") {
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    std::vector<char> text(commandLine.begin(), commandLine.end());
    text.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started = CreateProcessA(program.c_str(), text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             directory.empty() ? nullptr : directory.c_str(), &startup, &process) != 0;
  }
  ~SaverRun() {
    if (started && Running()) TerminateProcess(process.hProcess, 99);
    if (started) {
      WaitForSingleObject(process.hProcess, 5000);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
  SaverRun(const SaverRun&) = delete;
  SaverRun& operator=(const SaverRun&) = delete;

  bool started = false;
  PROCESS_INFORMATION process{};

  bool Running() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }

  // The exit code once the program ended within `timeout` ms; 0x7FFFFFFF if it still runs.
  int32_t Ends(DWORD timeout = kEndTimeoutMs) const {
    const DWORD end = GetTickCount() + timeout;
    while (Running() && static_cast<LONG>(end - GetTickCount()) > 0) PumpFor(20);
    if (Running()) return 0x7FFFFFFF;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int32_t>(code);
  }

  // Top-level windows of this process with the given class ("" for any).
  std::vector<HWND> TopWindows(const char* className) const {
    WindowSearch search{process.dwProcessId, className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // Waits for the first top-level window of the class; null on timeout or exit.
  HWND WaitForWindow(const char* className, DWORD timeout = kStartTimeoutMs) const {
    const DWORD end = GetTickCount() + timeout;
    while (static_cast<LONG>(end - GetTickCount()) > 0 && Running()) {
      const std::vector<HWND> windows = TopWindows(className);
      for (HWND window : windows) {
        if (IsWindowVisible(window)) return window;
      }
      PumpFor(20);
    }
    return nullptr;
  }
};

std::string WindowTitle(HWND window) {
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

// A window of the harness: the preview's parent, or something to take the foreground.
class HarnessWindow {
 public:
  HarnessWindow(int clientWidth, int clientHeight, int x = 40, int y = 40) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSA windowClass{};
      windowClass.lpfnWndProc = DefWindowProcA;
      windowClass.hInstance = GetModuleHandleA(nullptr);
      windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
      windowClass.lpszClassName = "E2eHarnessWindow";
      registered = RegisterClassA(&windowClass) != 0;
    }
    window = CreateWindowExA(0, "E2eHarnessWindow", "Harness", WS_POPUP | WS_VISIBLE, x, y, clientWidth,
                             clientHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    PumpFor(50);
  }
  ~HarnessWindow() {
    if (IsWindow(window)) DestroyWindow(window);
  }
  HWND window = nullptr;
};

// A key of the saver's section in CONTROL.INI, put back as it was when the test ends.
class ProfileValueGuard {
 public:
  explicit ProfileValueGuard(const char* key) : key_(key) {
    char text[64] = {};
    GetPrivateProfileStringA("Brisel", key, "\x01", text, sizeof text, "CONTROL.INI");
    existed_ = std::string(text) != "\x01";
    original_ = text;
  }
  ~ProfileValueGuard() {
    WritePrivateProfileStringA("Brisel", key_, existed_ ? original_.c_str() : nullptr, "CONTROL.INI");
  }
  void Set(const char* value) { WritePrivateProfileStringA("Brisel", key_, value, "CONTROL.INI"); }

 private:
  const char* key_;
  bool existed_ = false;
  std::string original_;
};

// The whole screen as 0x00RRGGBB pixels, top row first.
std::vector<uint32_t> TakeScreen() {
  return ReadPixels(nullptr, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

// A full-screen start checks: one window, its shape, molecules drawn (optional).
// A key as a person presses it: Shift down and up, to whichever window has the focus.
void PressShift() {
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_SHIFT;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

void ExpectFullScreenWindow(const SaverRun& saver, HWND window) {
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(1u, saver.TopWindows(kSaverClass).size());
  EXPECT_EQ("Screen Saver", WindowTitle(window));
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(0, rect.left);
  EXPECT_EQ(0, rect.top);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rect.bottom);
}

// The Windows version Wine reports to the Win9x copies of the saver (win95, win98).
const char* Win9xVersion() {
  const char* version = std::getenv("SAVER_TEST_WIN9X_VERSION");
  return version != nullptr ? version : "win98";
}

class EndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The Windows version of every other copy: the prefix's default from now on.
    if (const char* version = std::getenv("SAVER_TEST_NT_VERSION"))
      RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine", "Version", REG_SZ, version, std::strlen(version) + 1);
    ntDirectory = WorkDirectory("nt");
    saver = ntDirectory + "\\brisel.scr";
    ASSERT_TRUE(CopyFileA((BinDirectory() + "\\brisel.scr").c_str(), saver.c_str(), FALSE))
        << "brisel.scr is not beside the harness";
  }
  void SetUp() override {
    SetCursorPos(200, 200);  // a resting mouse, away from the harness's windows
    PumpFor(30);
  }
  // Runs a copy of the saver, sound on with 64 molecules (they bounce within a
  // second) and the given ambient frequency, beside the stand-in sound library,
  // which logs each request and, with `failing`, reports every sound as failed,
  // as on a machine without an audio device. The molecules must keep moving.
  // Returns the log.
  static std::string RunWithStandInSound(const char* name, const char* frequency, bool failing) {
    const std::string directory = WorkDirectory(name);
    const std::string copy = directory + "\\brisel-sound.scr";
    const std::string log = directory + "\\sound.log";
    EXPECT_TRUE(CopyFileA(saver.c_str(), copy.c_str(), FALSE));
    EXPECT_TRUE(CopyFileA((BinDirectory() + "\\test_winmm.dll").c_str(), (directory + "\\winmm.dll").c_str(), FALSE));
    DeleteFileA(log.c_str());
    ProfileValueGuard soundSwitch("SOUND_SW");
    ProfileValueGuard count("EVENT_FREQ");
    ProfileValueGuard soundFrequency("SOUND_FREQ");
    soundSwitch.Set("1");
    count.Set("64");
    soundFrequency.Set(frequency);
    // Wine reads WINEDLLOVERRIDES from the Unix environment only; the per-program
    // override in the registry makes this copy take the stand-in beside it.
    RegistryValueGuard useStandIn("Software\\Wine\\AppDefaults\\brisel-sound.scr\\DllOverrides", "winmm");
    useStandIn.SetString("native");
    SetEnvironmentVariableA("SAVER_TEST_SOUND_LOG", log.c_str());
    SetEnvironmentVariableA("SAVER_TEST_SOUND_FAILS", failing ? "1" : nullptr);
    SaverRun run(copy, "/s", directory);
    SetEnvironmentVariableA("SAVER_TEST_SOUND_LOG", nullptr);
    SetEnvironmentVariableA("SAVER_TEST_SOUND_FAILS", nullptr);

    EXPECT_NE(nullptr, run.WaitForWindow(kSaverClass));
    PumpFor(800);
    const std::vector<uint32_t> first = TakeScreen();
    PumpFor(700);
    EXPECT_NE(first, TakeScreen()) << "the molecules stopped";
    SetCursorPos(260, 260);
    EXPECT_EQ(0, run.Ends());
    return ReadFile(log);
  }

  static std::string ntDirectory;
  static std::string saver;
};
std::string EndToEnd::ntDirectory;
std::string EndToEnd::saver;

int32_t ExitCodeOf(const std::string& program, const std::string& arguments) {
  SaverRun run(program, arguments);
  if (!run.started) return 0x7FFFFFFE;
  return run.Ends();
}

// saver-render's picture of a run (its PNG read back as 0x00RRGGBB pixels, top
// row first); empty when it failed.
std::vector<uint32_t> RenderReference(const std::string& directory, const std::string& arguments) {
  const std::string picture = directory + "\\reference.png";
  if (ExitCodeOf(BinDirectory() + "\\saver-render.exe", arguments + " --out " + picture) != 0) return {};
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgb = stbi_load(picture.c_str(), &width, &height, &channels, 3);
  std::vector<uint32_t> pixels;
  for (int i = 0; rgb != nullptr && i < width * height; ++i)
    pixels.push_back(uint32_t{rgb[3 * i]} << 16 | uint32_t{rgb[3 * i + 1]} << 8 | rgb[3 * i + 2]);
  stbi_image_free(rgb);
  return pixels;
}

}  // namespace

TEST_F(EndToEnd, UnusableCommandLinesEndWithMinusOne) {
  // A number that names no window here.
  uint32_t noWindow = 3999999999u;
  while (IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(noWindow)))) --noWindow;
  for (const std::string& arguments : {std::string("/x"), std::string("/\ts"), std::string("-q"), std::string("/p:1234"),
                                       std::string("/p"), "/p " + std::to_string(noWindow), std::string("/a"),
                                       std::string("-A 12")}) {
    EXPECT_EQ(-1, ExitCodeOf(saver, arguments)) << "arguments \"" << arguments << "\"";
  }
}

TEST_F(EndToEnd, FullScreenWindowAndSecondStartAndMouseThreshold) {
  SaverRun first(saver, "/s");
  ASSERT_TRUE(first.started);
  const HWND window = first.WaitForWindow(kSaverClass);
  ExpectFullScreenWindow(first, window);

  for (const char* arguments : {"/S", "-s"}) {
    EXPECT_EQ(0, ExitCodeOf(saver, arguments)) << "second start " << arguments;
  }
  EXPECT_TRUE(first.Running());
  EXPECT_EQ(1u, first.TopWindows(kSaverClass).size());

  SetCursorPos(203, 201);  // 3 across, 1 down: travel 4
  PumpFor(400);
  EXPECT_TRUE(first.Running()) << "a travel of 4 pixels closed the saver";
  SetCursorPos(203, 202);  // 3 across, 2 down from where it started: travel 5
  EXPECT_EQ(0, first.Ends());
}

TEST_F(EndToEnd, KeyCloses) {
  SaverRun run(saver, "/s");
  const HWND window = run.WaitForWindow(kSaverClass);
  ASSERT_NE(nullptr, window);
  PumpFor(200);
  ASSERT_TRUE(run.Running());
  PressShift();
  EXPECT_EQ(0, run.Ends());
}

TEST_F(EndToEnd, DeactivationCloses) {
  SaverRun run(saver, "/s");
  const HWND window = run.WaitForWindow(kSaverClass);
  ASSERT_NE(nullptr, window);
  PumpFor(200);
  HarnessWindow other(100, 100);
  SetForegroundWindow(other.window);
  EXPECT_EQ(0, run.Ends());
}

TEST_F(EndToEnd, PreviewLivesInItsParentUntilTheParentGoes) {
  HarnessWindow parent(152, 112);
  ASSERT_NE(nullptr, parent.window);
  SaverRun run(saver, "/p " + std::to_string(reinterpret_cast<uintptr_t>(parent.window)));
  HWND child = nullptr;
  for (int i = 0; i < 250 && child == nullptr && run.Running(); ++i) {
    PumpFor(20);
    child = FindWindowExA(parent.window, nullptr, kSaverClass, "Preview");
  }
  ASSERT_NE(nullptr, child);
  DWORD owner = 0;
  GetWindowThreadProcessId(child, &owner);
  EXPECT_EQ(run.process.dwProcessId, owner);
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent.window, reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(0, rect.left);
  EXPECT_EQ(0, rect.top);
  EXPECT_EQ(152, rect.right);
  EXPECT_EQ(112, rect.bottom);

  PostMessageA(child, WM_KEYDOWN, 'A', 0);
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  PostMessageA(child, WM_ACTIVATEAPP, FALSE, 0);
  SetCursorPos(60, 60);  // over the preview
  SetCursorPos(120, 90);
  PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(80, 50));
  PumpFor(400);
  EXPECT_TRUE(run.Running()) << "input closed the preview";
  EXPECT_TRUE(IsWindow(child));

  DestroyWindow(parent.window);
  EXPECT_EQ(0, run.Ends());
}

TEST_F(EndToEnd, ConfigurationDialogEndsWithOne) {
  for (const char* arguments : {"/c", "", "/c:1234"}) {
    SaverRun run(saver, arguments);
    const HWND dialog = run.WaitForWindow("#32770");
    ASSERT_NE(nullptr, dialog) << "no dialog for \"" << arguments << "\"";
    EXPECT_TRUE(run.TopWindows(kSaverClass).empty());
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(1, run.Ends()) << "arguments \"" << arguments << "\"";
  }
}

TEST_F(EndToEnd, MoleculesAppearAndMove) {
  SaverRun run(saver, "/s", ntDirectory);
  const HWND window = run.WaitForWindow(kSaverClass);
  ASSERT_NE(nullptr, window);
  PumpFor(500);
  const std::vector<uint32_t> first = TakeScreen();
  PumpFor(300);
  const std::vector<uint32_t> second = TakeScreen();
  const ColourCensus census = CountColours(first);
  const int area = static_cast<int>(first.size());
  EXPECT_GT(census.black, area / 2) << "the screen is not mostly black";
  EXPECT_GT(census.red, 200) << "no red atoms";
  EXPECT_GT(census.green, 200) << "no green atoms";
  EXPECT_NE(first, second) << "the molecules do not move";
  EXPECT_EQ(0, GetWindowLongPtrA(window, GWLP_USERDATA)) << "the tick counter of brisel-bench.scr shipped";
  EXPECT_TRUE(run.Running());
  SetCursorPos(260, 260);
  EXPECT_EQ(0, run.Ends());
}

// A fixed run of brisel-bench.scr on a 100 % and a 200 % screen ("LogPixels", read
// when a program starts) shows, pixel for pixel, saver-render's picture of the same
// run at scale 1 and 2 (every pixel as 2 x 2, the animation on half the size).
TEST_F(EndToEnd, FixedRunShowsTheRenderedFrameAtTheScreensScale) {
  const std::string directory = WorkDirectory("fixed-run"), copy = directory + "\\brisel-bench.scr";
  ASSERT_TRUE(CopyFileA((BinDirectory() + "\\brisel-bench.scr").c_str(), copy.c_str(), FALSE));
  ProfileValueGuard count("EVENT_FREQ"), sound("SOUND_SW");
  count.Set("12");
  sound.Set("0");
  RegistryValueGuard dotsPerInch("Control Panel\\Desktop", "LogPixels");
  SetEnvironmentVariableA("SAVER_TEST_SEED", "7");
  SetEnvironmentVariableA("SAVER_TEST_TICKS", "25");
  const std::string size = " --width " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " --height " +
                           std::to_string(GetSystemMetrics(SM_CYSCREEN));
  for (const int scale : {1, 2}) {
    dotsPerInch.SetDword(96 * scale);
    SaverRun run(copy, "/s", directory);
    const HWND window = run.WaitForWindow(kSaverClass);
    for (int i = 0; i < 200 && window != nullptr && GetWindowLongPtrA(window, GWLP_USERDATA) < 25; ++i) PumpFor(50);
    PumpFor(200);  // the last tick's rectangles are on the screen
    const std::vector<uint32_t> shown = TakeScreen(), expected = RenderReference(
        directory, "--seed 7 --count 12 --ticks 25 --scale " + std::to_string(scale) + size);
    ASSERT_EQ(shown.size(), expected.size()) << "scale " << scale;
    size_t differing = 0;
    for (size_t i = 0; i < shown.size(); ++i) differing += shown[i] != expected[i];
    EXPECT_EQ(0u, differing) << "pixels unlike saver-render's at scale " << scale;
    SetCursorPos(260, 260);
    EXPECT_EQ(0, run.Ends());
    SetCursorPos(200, 200);
  }
  SetEnvironmentVariableA("SAVER_TEST_SEED", nullptr);
  SetEnvironmentVariableA("SAVER_TEST_TICKS", nullptr);
}

// A sheet file beside the saver is used: the built-in sheet with red and blue
// swapped in its colour table gives blue atoms; a broken file gives the built-in sheet.
TEST_F(EndToEnd, SheetFileIsUsedAndABrokenOneFallsBackToTheBuiltInSheet) {
  const HMODULE module = LoadLibraryExA(saver.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC resource = FindResourceA(module, "SPPAT_R0", RT_BITMAP);
  ASSERT_NE(nullptr, resource);
  std::string sheet(static_cast<const char*>(LockResource(LoadResource(module, resource))),
                    SizeofResource(module, resource));
  FreeLibrary(module);
  BITMAPINFOHEADER header;
  std::memcpy(&header, sheet.data(), sizeof header);
  const DWORD colours = header.biClrUsed != 0 ? header.biClrUsed : 256;
  for (DWORD i = 0; i < colours; ++i) std::swap(sheet[header.biSize + 4 * i], sheet[header.biSize + 4 * i + 2]);
  const BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sheet.size()), 0, 0,
                              static_cast<DWORD>(sizeof file + header.biSize + 4 * colours)};
  sheet.insert(0, reinterpret_cast<const char*>(&file), sizeof file);

  for (const bool broken : {false, true}) {
    const std::string directory = WorkDirectory(broken ? "broken-sheet" : "recoloured-sheet");
    const std::string copy = directory + "\\brisel.scr";
    ASSERT_TRUE(CopyFileA(saver.c_str(), copy.c_str(), FALSE));
    WriteFile(directory + "\\SPPAT_R0", broken ? std::string("BM\x10\0\0\0garbage, not a bitmap") : sheet);
    SaverRun run(copy, "/s", directory);
    ASSERT_NE(nullptr, run.WaitForWindow(kSaverClass));
    PumpFor(500);
    std::vector<uint32_t> screen = TakeScreen();
    const ColourCensus census = CountColours(screen);
    for (uint32_t& p : screen) p = (p & 0x00FF00) | (p >> 16) | (p & 0xFF) << 16;  // red and blue swapped
    const ColourCensus swapped = CountColours(screen);
    EXPECT_GT((broken ? census : swapped).red, 200) << (broken ? "broken" : "recoloured");
    EXPECT_LT((broken ? swapped : census).red, 20) << (broken ? "broken" : "recoloured");
    EXPECT_GT(census.green, 200);
    EXPECT_TRUE(run.Running());
    SetCursorPos(260, 260);
    EXPECT_EQ(0, run.Ends());
    SetCursorPos(200, 200);
  }
}

TEST_F(EndToEnd, SoundOnWithoutAnAudioDeviceRuns) {
  const std::string requests = RunWithStandInSound("no-sound-device", "100", true);
  EXPECT_GT(CountLinesStartingWith(requests, "play 0"), 1) << "bounces after a failed sound:\n" << requests;
}

TEST_F(EndToEnd, BouncesRequestTheBounceSound) {
  const std::string requests = RunWithStandInSound("sound", "2", false);
  EXPECT_GT(CountLinesStartingWith(requests, "play 0"), 0) << requests;
  EXPECT_EQ(0, CountLinesStartingWith(requests, "play ?")) << requests;
  EXPECT_EQ(1, CountLinesStartingWith(requests, "stop")) << "the sound stops once, at the end:\n" << requests;
}

namespace {

// Puts "brisel98.scr" (which the tests have Wine run as Win9xVersion()) and the
// stand-in verifier as "PASSWORD.CPL" into `directory`, and points the verifier there.
void PrepareWin98Copy(const std::string& directory) {
  ASSERT_TRUE(CopyFileA((BinDirectory() + "\\brisel.scr").c_str(), (directory + "\\brisel98.scr").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((BinDirectory() + "\\test_password_verifier.dll").c_str(),
                        (directory + "\\PASSWORD.CPL").c_str(), FALSE));
  SetEnvironmentVariableA("SAVER_TEST_VERIFIER_DIR", directory.c_str());
}

}  // namespace

// The Win9x platform: a copy of the saver that Wine runs as Windows 95 or 98, with the
// stand-in verifier beside it as "PASSWORD.CPL".
class Win9xEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    directory = WorkDirectory("win98");
    saver = directory + "\\brisel98.scr";
    PrepareWin98Copy(directory);
  }
  static void TearDownTestSuite() { SetEnvironmentVariableA("SAVER_TEST_VERIFIER_DIR", nullptr); }

  void SetUp() override {
    version.SetString(Win9xVersion());
    DeleteFileA(Log().c_str());
    SetCursorPos(200, 200);
    PumpFor(30);
  }

  static std::string Log() { return directory + "\\calls.log"; }
  static void Answer(const char* answer) { WriteFile(directory + "\\answer.txt", answer); }

  // Starts the full-screen saver and asks it to close, as a key would.
  static HWND StartAndAskToClose(SaverRun& run) {
    const HWND window = run.WaitForWindow(kSaverClass);
    if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
    return window;
  }

  static std::string directory;
  static std::string saver;
  RegistryValueGuard version{"Software\\Wine\\AppDefaults\\brisel98.scr", "Version"};
  RegistryValueGuard usePassword{"Control Panel\\Desktop", "ScreenSaveUsePassword"};
};
std::string Win9xEndToEnd::directory;
std::string Win9xEndToEnd::saver;

TEST_F(Win9xEndToEnd, RefusalKeepsTheSaverAndAQuickSecondCloseAsksNothing) {
  usePassword.SetDword(1);
  Answer("c");  // refuse, and ask to close again right away
  SaverRun run(saver, "/s", directory);
  const HWND window = StartAndAskToClose(run);
  ASSERT_NE(nullptr, window);
  PumpFor(500);
  EXPECT_TRUE(run.Running());
  const std::string log = ReadFile(Log());
  EXPECT_EQ(1, CountLinesStartingWith(log, "load")) << log;
  EXPECT_EQ(1, CountLinesStartingWith(log, "ask")) << "the close within 200 ms asked again:\n" << log;

  Answer("1");
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, run.Ends());
  EXPECT_EQ(2, CountLinesStartingWith(ReadFile(Log()), "ask"));
}

TEST_F(Win9xEndToEnd, PasswordSwitchValues) {
  struct Value {
    const char* name;
    DWORD type;  // 0: value absent
    std::string data;
    bool asks;
  };
  const Value values[] = {
      {"absent", 0, "", false},
      {"DWORD 0", REG_DWORD, std::string(4, '\0'), false},
      {"five bytes", REG_BINARY, std::string("\1\1\1\1\1", 5), false},
      {"string \"0\"", REG_SZ, std::string("0\0", 2), true},
  };
  Answer("1");
  for (const Value& value : values) {
    if (value.type == 0) {
      usePassword.Remove();
    } else {
      usePassword.Set(value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    }
    DeleteFileA(Log().c_str());
    SaverRun run(saver, "/s", directory);
    ASSERT_NE(nullptr, StartAndAskToClose(run)) << value.name;
    EXPECT_EQ(0, run.Ends()) << value.name;
    const std::string log = ReadFile(Log());
    EXPECT_EQ(value.asks ? 1 : 0, CountLinesStartingWith(log, "load")) << value.name << "\n" << log;
    EXPECT_EQ(value.asks ? 1 : 0, CountLinesStartingWith(log, "ask accept")) << value.name << "\n" << log;
  }
}

// Memory refused (the stand-in verifier takes the address space, a 16 MB file is found
// first as the sheet): the saver ends with abort()'s 3, the running setting off.
TEST_F(Win9xEndToEnd, OutOfMemoryTurnsTheRunningSettingOffBeforeTheEnd) {
  if (sizeof(void*) == 8) GTEST_SKIP() << "Windows 95/98 run 32-bit programs; a 64-bit one keeps running here";
  usePassword.SetDword(1);
  Answer("m");
  WriteFile(directory + "\\SPPAT_R0", std::string(16 << 20, '\0'));
  EXPECT_EQ(3, ExitCodeOf(saver, "/s"));
  DeleteFileA((directory + "\\SPPAT_R0").c_str());
  EXPECT_EQ(1, CountLinesStartingWith(ReadFile(Log()), "end running 0")) << ReadFile(Log());
}

// A stand-in "MPR.DLL" beside the saver, for this test only, logs the change asked
// of it: provider "SCRSAVE", the owner, 0, 0. The owner is the window named on the
// command line, else the foreground window.
TEST_F(Win9xEndToEnd, PasswordChangeGoesToTheSystemAndEndsWithZero) {
  const std::string standIn = directory + "\\MPR.DLL";
  ASSERT_TRUE(CopyFileA((BinDirectory() + "\\test_mpr.dll").c_str(), standIn.c_str(), FALSE));
  RegistryValueGuard useStandIn("Software\\Wine\\AppDefaults\\brisel98.scr\\DllOverrides", "mpr");
  useStandIn.SetString("native");
  HarnessWindow named(60, 60);
  HarnessWindow foreground(60, 60, 140, 40);
  SetForegroundWindow(foreground.window);
  PumpFor(50);
  const std::string namedNumber = std::to_string(reinterpret_cast<uintptr_t>(named.window));
  const std::string foregroundNumber = std::to_string(reinterpret_cast<uintptr_t>(foreground.window));
  const std::pair<std::string, std::string> runs[] = {
      {"/a " + namedNumber, namedNumber}, {"/a", foregroundNumber}, {"/a:" + namedNumber, foregroundNumber}};
  for (const auto& [arguments, owner] : runs) {
    DeleteFileA(Log().c_str());
    EXPECT_EQ(0, ExitCodeOf(saver, arguments)) << arguments;
    const std::string log = ReadFile(Log());
    EXPECT_EQ(1, CountLinesStartingWith(log, "change SCRSAVE " + owner + " 0 0 ")) << arguments << "\n" << log;
  }
  DeleteFileA(standIn.c_str());
  EXPECT_EQ(-1, ExitCodeOf(saver, "/x"));
}

// Several monitors: run by tests/e2e/with-monitors, which sets SAVER_TEST_MONITORS
// to the number of monitors it made; skipped on a desktop of one. A grey harness
// window on each other monitor shows whether that monitor is really covered.
namespace {

constexpr char kBlankingClass[] = "BriselBlankingClass";

struct MonitorLayout {
  RECT primary{};
  std::vector<RECT> others;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
  auto* layout = reinterpret_cast<MonitorLayout*>(context);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoA(monitor, &info);
  if (info.dwFlags & MONITORINFOF_PRIMARY) {
    layout->primary = info.rcMonitor;
  } else {
    layout->others.push_back(info.rcMonitor);
  }
  return TRUE;
}

MonitorLayout FindMonitors() {
  MonitorLayout layout;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&layout));
  return layout;
}

POINT CentreOf(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// The bounding box of every monitor, in desktop coordinates (the primary's top
// left is 0, 0; a monitor left of or above it makes them negative).
RECT VirtualScreen() {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// A picture of the virtual screen, as saver-render draws a layout: every
// monitor's bounding box, black where no monitor is.
struct DesktopPicture {
  RECT area;  // in desktop coordinates
  std::vector<uint32_t> pixels;
  uint32_t At(LONG x, LONG y) const {
    return pixels[static_cast<size_t>(y - area.top) * (area.right - area.left) + (x - area.left)];
  }
};

DesktopPicture TakeDesktop() {
  const RECT v = VirtualScreen();
  return {v, ReadPixels(nullptr, v.right - v.left, v.bottom - v.top, v.left, v.top)};
}

// The colours inside `r` of a picture of the virtual screen.
ColourCensus CountColoursIn(const DesktopPicture& desktop, const RECT& r) {
  std::vector<uint32_t> part;
  for (LONG y = r.top; y < r.bottom; ++y)
    for (LONG x = r.left; x < r.right; ++x) part.push_back(desktop.At(x, y));
  return CountColours(part);
}

// How many pixels of the picture lie where no monitor is and are not black.
int CountDrawnOutside(const DesktopPicture& desktop, const std::vector<RECT>& monitors) {
  int drawn = 0;
  for (LONG y = desktop.area.top; y < desktop.area.bottom; ++y)
    for (LONG x = desktop.area.left; x < desktop.area.right; ++x) {
      const POINT p{x, y};
      drawn += desktop.At(x, y) != 0 && std::none_of(monitors.begin(), monitors.end(),
                                                      [&](const RECT& r) { return PtInRect(&r, p) != 0; });
    }
  return drawn;
}

// Molecules on the primary monitor and nothing but black on every other one.
void ExpectMoleculesOnlyOnThePrimary(const MonitorLayout& layout) {
  const DesktopPicture screen = TakeDesktop();
  const ColourCensus primary = CountColoursIn(screen, layout.primary);
  EXPECT_GT(primary.red, 200) << "no molecules on the primary monitor";
  EXPECT_GT(primary.green, 200);
  // Spread over the whole primary, not kept to the corner of a size it had before.
  const RECT& p = layout.primary;
  const RECT corner{p.left, p.top, (p.left + p.right) / 2 + 64, (p.top + p.bottom) / 2 + 64};
  EXPECT_GT(primary.red, CountColoursIn(screen, corner).red) << "molecules only in the primary's top left";
  for (const RECT& r : layout.others) {
    const int area = (r.right - r.left) * (r.bottom - r.top);
    EXPECT_EQ(area, CountColoursIn(screen, r).black) << "monitor at x = " << r.left << " is not all black";
  }
}

class MultiMonitor : public EndToEnd {
 protected:
  void SetUp() override {
    const char* expected = std::getenv("SAVER_TEST_MONITORS");
    if (expected == nullptr && GetSystemMetrics(SM_CMONITORS) < 2) GTEST_SKIP() << "one monitor";
    // Wine's desktop process may still be reading the monitors when this one
    // starts: wait a little for the layout the desktop was made with.
    const int count = expected ? std::atoi(expected) : GetSystemMetrics(SM_CMONITORS);
    ASSERT_TRUE(WaitForMonitors(count));
    for (const RECT& r : layout.others) {
      covered.push_back(std::make_unique<HarnessWindow>(r.right - r.left - 40, r.bottom - r.top - 40, r.left + 20,
                                                        r.top + 20));
    }
    monitors.Set("main");
    // The mouse rests on the last monitor when the saver starts.
    start = CentreOf(layout.others.back());
    SetCursorPos(start.x, start.y);
    PumpFor(30);
  }

  // Waits for the saver window and checks the blanking windows: one per other
  // monitor, each exactly over it, topmost, off the task bar, not active. With
  // "each" and "across" (`spanning`) the one saver window covers every monitor instead.
  HWND WaitForSaverAndBlanking(const SaverRun& run, bool spanning = false) {
    const HWND window = run.WaitForWindow(kSaverClass);
    PumpFor(500);
    const std::vector<HWND> blanking = run.TopWindows(kBlankingClass);
    EXPECT_EQ(spanning ? 0 : layout.others.size(), blanking.size());
    for (HWND b : blanking) {
      RECT rect;
      GetWindowRect(b, &rect);
      EXPECT_TRUE(std::any_of(layout.others.begin(), layout.others.end(),
                              [&](const RECT& r) { return EqualRect(&r, &rect); }));
      EXPECT_TRUE(IsWindowVisible(b));
      const LONG exStyle = GetWindowLongA(b, GWL_EXSTYLE);
      EXPECT_EQ(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW));
    }
    EXPECT_EQ(window, GetForegroundWindow()) << "a blanking window took the activation";
    RECT rect{};  // the saver window: exactly the primary (or every monitor), with nothing over it
    GetWindowRect(window, &rect);
    const RECT all = VirtualScreen();
    EXPECT_TRUE(EqualRect(&rect, spanning ? &all : &layout.primary))
        << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom;
    EXPECT_EQ(window, WindowFromPoint({layout.primary.right - 1, layout.primary.bottom - 1})) << "covered";
    if (spanning) {
      EXPECT_EQ(window, WindowFromPoint(CentreOf(layout.others.back()))) << "covered";
    }
    return window;
  }

  // Waits up to 5 s until the system reports `count` monitors, then takes their layout.
  bool WaitForMonitors(int count) {
    const DWORD end = GetTickCount() + 5000;
    while ((layout = FindMonitors()).others.size() + 1 != static_cast<size_t>(count) &&
           static_cast<LONG>(end - GetTickCount()) > 0) {
      PumpFor(100);
    }
    return static_cast<int>(layout.others.size()) + 1 == count;
  }

  // Every monitor, the primary first, as the saver lists them; and as saver-render's --layout.
  std::vector<RECT> AllMonitors() const {
    std::vector<RECT> all{layout.primary};
    all.insert(all.end(), layout.others.begin(), layout.others.end());
    return all;
  }
  std::string LayoutArgument() const {
    std::string text;
    for (const RECT& r : AllMonitors()) {
      if (!text.empty()) text += ';';
      text += std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "," +
              std::to_string(r.bottom - r.top);
    }
    return text;
  }

  ProfileValueGuard monitors{"Monitors"};
  MonitorLayout layout;
  std::vector<std::unique_ptr<HarnessWindow>> covered;
  POINT start{};
};

}  // namespace

TEST_F(MultiMonitor, MoleculesOnThePrimaryBlackElsewhereAfterDisplayChangesAndAMoveThereCloses) {
  SaverRun run(saver, "/s", ntDirectory);
  HWND window;
  ASSERT_NE(nullptr, window = WaitForSaverAndBlanking(run));
  ExpectMoleculesOnlyOnThePrimary(layout);
  // A monitor went to sleep: its window was moved onto the primary, and the display changed.
  SetWindowPos(run.TopWindows(kBlankingClass).front(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(layout.primary.right, layout.primary.bottom));
  WaitForSaverAndBlanking(run);
  ExpectMoleculesOnlyOnThePrimary(layout);
  // The window as a grown or shrunk primary leaves it (Wine reads a Xinerama
  // desktop's monitors once, at its start: the layout cannot change under a saver).
  const RECT& p = layout.primary;
  for (const SIZE stale : {SIZE{p.right / 2, p.bottom / 2}, SIZE{p.right + 100, p.bottom}}) {
    SetWindowPos(window, nullptr, 0, 0, stale.cx, stale.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(p.right, p.bottom));
    WaitForSaverAndBlanking(run);
    ExpectMoleculesOnlyOnThePrimary(layout);
  }
  SetCursorPos(start.x + 3, start.y + 1);  // travel 4
  PumpFor(400);
  EXPECT_TRUE(run.Running()) << "a travel of 4 pixels closed the saver";
  SetCursorPos(start.x + 3, start.y + 2);  // travel 5
  EXPECT_EQ(0, run.Ends());
}

TEST_F(MultiMonitor, KeyWithTheMouseOnAnotherMonitorCloses) {
  SaverRun run(saver, "/s", ntDirectory);
  ASSERT_NE(nullptr, WaitForSaverAndBlanking(run));
  PressShift();
  EXPECT_EQ(0, run.Ends());
}

// A fixed run of brisel-bench.scr with "each" and "across" shows, pixel for pixel
// on every monitor, saver-render's picture of the same run on the same layout,
// covers every monitor again after a display change, and a move of 4 pixels on
// the last monitor keeps it, one of 5 ends it. With a SHCORE that tells the
// primary 192 DPI and the others 96, "each" draws the primary's molecules 2 x 2.
TEST_F(MultiMonitor, EachAndAcrossShowTheRenderedDesktopAndInputOnAnyMonitorCloses) {
  const std::string directory = WorkDirectory("fixed-monitors"), copy = directory + "\\brisel-bench.scr";
  ASSERT_TRUE(CopyFileA((BinDirectory() + "\\brisel-bench.scr").c_str(), copy.c_str(), FALSE));
  ProfileValueGuard count("EVENT_FREQ"), sound("SOUND_SW");
  count.Set("12");
  sound.Set("0");
  SetEnvironmentVariableA("SAVER_TEST_SEED", "7");
  SetEnvironmentVariableA("SAVER_TEST_TICKS", "25");
  ASSERT_TRUE(CopyFileA((BinDirectory() + "\\test_shcore.dll").c_str(), (directory + "\\shcore.dll").c_str(), FALSE));
  RegistryValueGuard useStandIn("Software\\Wine\\AppDefaults\\brisel-bench.scr\\DllOverrides", "shcore");
  useStandIn.SetString("native");
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  for (const char* choice : {"each", "across", "each at 192 DPI on the primary"}) {
    SCOPED_TRACE(choice);
    const bool dpi = choice[4] != '\0';
    monitors.Set(dpi ? "each" : choice);
    SetEnvironmentVariableA("SAVER_TEST_MONITOR_DPI", dpi ? "192,96" : nullptr);
    SaverRun run(copy, "/s", directory);
    const HWND window = WaitForSaverAndBlanking(run, true);
    for (int i = 0; i < 200 && window != nullptr && GetWindowLongPtrA(window, GWLP_USERDATA) < 25; ++i) PumpFor(50);
    PumpFor(200);  // the last tick's rectangles are on the screen
    const DesktopPicture shown = TakeDesktop();
    const DesktopPicture expected{
        shown.area, RenderReference(directory, std::string("--seed 7 --count 12 --ticks 25 --monitors ") +
                                                   (dpi ? "each --scale 2,1,1" : choice) + " --layout " + LayoutArgument())};
    ASSERT_EQ(shown.pixels.size(), expected.pixels.size());
    for (const RECT& r : AllMonitors()) {
      size_t differing = 0;
      for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x) differing += shown.At(x, y) != expected.At(x, y);
      EXPECT_EQ(0u, differing) << "pixels unlike saver-render's on the monitor at " << r.left << ", " << r.top;
      EXPECT_GT(CountColoursIn(shown, r).red, choice[0] == 'e' ? 200 : -1) << r.left << ", " << r.top;
    }
    EXPECT_EQ(0, CountDrawnOutside(shown, AllMonitors())) << "pixels drawn where no monitor is";
    // A display change that finds the window at a stale size: it covers every monitor again.
    SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(width, height));
    WaitForSaverAndBlanking(run, true);
    SetCursorPos(start.x + 3, start.y + 1);  // travel 4
    PumpFor(400);
    EXPECT_TRUE(run.Running()) << "a travel of 4 pixels closed the saver";
    SetCursorPos(start.x + 3, start.y + 2);  // travel 5
    EXPECT_EQ(0, run.Ends());
    SetCursorPos(start.x, start.y);
  }
  SetEnvironmentVariableA("SAVER_TEST_SEED", nullptr);
  SetEnvironmentVariableA("SAVER_TEST_TICKS", nullptr);
  SetEnvironmentVariableA("SAVER_TEST_MONITOR_DPI", nullptr);
}

// A monitor switched off while "each" or "across" runs, as the display settings
// do when a person disconnects one, and on again (the X server's output goes off
// and on; Wine tells the saver): the saver window covers the monitors there are,
// their molecules move and nothing is drawn where no monitor is.
TEST_F(MultiMonitor, MonitorSwitchedOffAndOnWhileEachAndAcrossRun) {
  const int all = static_cast<int>(layout.others.size()) + 1;
  MONITORINFOEXA last{};
  last.cbSize = sizeof last;
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint(CentreOf(layout.others.back()), MONITOR_DEFAULTTONULL), &last));
  DEVMODEA on{}, off{};
  on.dmSize = off.dmSize = sizeof on;
  ASSERT_TRUE(EnumDisplaySettingsExA(last.szDevice, ENUM_CURRENT_SETTINGS, &on, 0));
  on.dmFields = off.dmFields = DM_POSITION | DM_PELSWIDTH | DM_PELSHEIGHT;  // off: 0 x 0
  ProfileValueGuard count("EVENT_FREQ");
  count.Set("12");
  // Wine, rebuilding the X screen, leaves the pointer at the primary's left edge,
  // and a mouse that moves closes the saver: it rests there.
  start = {layout.primary.left, CentreOf(layout.primary).y};
  for (const char* choice : {"each", "across"}) {
    SCOPED_TRACE(choice);
    monitors.Set(choice);
    SetCursorPos(start.x, start.y);
    SaverRun run(saver, "/s", ntDirectory);
    ASSERT_NE(nullptr, WaitForSaverAndBlanking(run, true));
    for (DEVMODEA* mode : {&off, &on}) {
      SCOPED_TRACE(mode == &off ? "off" : "on");
      ASSERT_EQ(DISP_CHANGE_SUCCESSFUL,
                ChangeDisplaySettingsExA(last.szDevice, mode, nullptr, CDS_UPDATEREGISTRY | CDS_NORESET, nullptr));
      ASSERT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr));
      ASSERT_TRUE(WaitForMonitors(mode == &off ? all - 1 : all));
      ASSERT_NE(nullptr, WaitForSaverAndBlanking(run, true));
      const DesktopPicture first = TakeDesktop();
      PumpFor(300);
      const DesktopPicture later = TakeDesktop();
      EXPECT_NE(first.pixels, later.pixels) << "the molecules stood still";
      EXPECT_EQ(0, CountDrawnOutside(later, AllMonitors())) << "pixels drawn where no monitor is";
      for (const RECT& r : AllMonitors())
        EXPECT_GT(CountColoursIn(later, r).red, choice[0] == 'e' ? 200 : -1) << r.left << ", " << r.top;
    }
    PressShift();
    EXPECT_EQ(0, run.Ends());
  }
}

class Win9xMultiMonitor : public MultiMonitor {
 protected:
  void SetUp() override {
    MultiMonitor::SetUp();
    if (IsSkipped()) return;
    directory = WorkDirectory("win98");
    saver98 = directory + "\\brisel98.scr";
    PrepareWin98Copy(directory);
    version.SetString(Win9xVersion());
    usePassword.SetDword(1);
    DeleteFileA((directory + "\\calls.log").c_str());
  }
  void TearDown() override { SetEnvironmentVariableA("SAVER_TEST_VERIFIER_DIR", nullptr); }

  std::string directory, saver98;
  RegistryValueGuard version{"Software\\Wine\\AppDefaults\\brisel98.scr", "Version"};
  RegistryValueGuard usePassword{"Control Panel\\Desktop", "ScreenSaveUsePassword"};
};

// With every monitor choice: a move on another monitor asks the verifier, a refusal
// keeps every monitor covered; the next question, a modal dialog owned by the saver
// window as the system's is, shows above the saver's windows, and the animation
// goes on behind it (its loop hands the saver its ticks), as on one monitor.
TEST_F(Win9xMultiMonitor, MoveOnAnotherMonitorAsksARefusalKeepsEveryMonitorCoveredAndTheDialogShowsAbove) {
  for (const char* choice : {"main", "each", "across"}) {
    SCOPED_TRACE(choice);
    const bool spanning = choice[0] != 'm';
    monitors.Set(choice);
    DeleteFileA((directory + "\\calls.log").c_str());
    WriteFile(directory + "\\answer.txt", "0");
    SaverRun run(saver98, "/s", directory);
    ASSERT_NE(nullptr, WaitForSaverAndBlanking(run, spanning));
    SetCursorPos(start.x + 5, start.y);
    PumpFor(600);
    EXPECT_EQ(1, CountLinesStartingWith(ReadFile(directory + "\\calls.log"), "ask refuse"));
    ASSERT_TRUE(run.Running());
    EXPECT_EQ(spanning ? 0 : layout.others.size(), run.TopWindows(kBlankingClass).size());
    if (!spanning) ExpectMoleculesOnlyOnThePrimary(layout);
    EXPECT_GT(CountColoursIn(TakeDesktop(), layout.primary).red, 200) << "no molecules on the primary";

    WriteFile(directory + "\\answer.txt", "d");
    SetCursorPos(start.x + 10, start.y);
    EXPECT_EQ(0, run.Ends());
    const std::string log = ReadFile(directory + "\\calls.log");
    EXPECT_EQ(1, CountLinesStartingWith(log, "dialog above")) << log;
    EXPECT_EQ(1, CountLinesStartingWith(log, "screen changed")) << "the molecules stood still:\n" << log;
    SetCursorPos(start.x, start.y);
  }
}
