// The program's entry, the choice of mode and the saver window with its message loop.
#include "shell/shell_main_win32.h"

#include "animation/settings_win32.h"
#include "shell/blanking_win32.h"
#include "shell/command_line.h"
#include "shell/dpi_win32.h"
#include "shell/fault_guard_win32.h"
#include "shell/monitors_win32.h"
#include "shell/password_win32.h"
#include "shell/shell_frame_win32.h"
#include "shell/shell_state_win32.h"

namespace {

constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr int kIconId = 100;

bool IsWin9xPlatform() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;  // 148: the form every platform line knows
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

HWND WindowFromNumber(uint32_t number) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(number)); }

const char* StepCharacter(const char* text) { return CharNextA(text); }

int32_t DispatchMode(void* context) {
  const ModeChoice choice = ChooseMode(static_cast<const char*>(context), TheShellState().win9xPlatform);
  switch (choice.mode) {
    case SaverMode::ConfigureUnowned:
      return RunConfigureDialog(nullptr);
    case SaverMode::ConfigureOwned:
      return RunConfigureDialog(GetForegroundWindow());
    case SaverMode::FullScreen:
      return RunSaverWindow(nullptr);
    case SaverMode::Preview:
      return RunPreview(choice.rest);
    case SaverMode::ChangePassword:
      return RunChangePassword(choice.rest);
    case SaverMode::Unusable:
      break;
  }
  return kUnusableCommandLine;
}

int32_t RunMessageLoop() {
  MSG message{};
  BOOL got;
  // GetMessageA's -1 (an error) ends the loop too, rather than spinning on it.
  while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return got == 0 ? static_cast<int32_t>(message.wParam) : kSaverFailed;
}

}  // namespace

void ShellEntry() {
  const char* arguments = SkipProgramName(GetCommandLineA(), StepCharacter);
  ExitProcess(static_cast<UINT>(ShellMain(GetModuleHandleA(nullptr), arguments)));
}

int32_t ShellMain(HINSTANCE instance, const char* arguments) {
  ShellState& shell = TheShellState();
  shell.instance = instance;
  shell.win9xPlatform = IsWin9xPlatform();
  return RunGuarded(DispatchMode, const_cast<char*>(arguments), kSaverFailed);
}

int32_t RunPreview(const char* rest) {
  const HWND parent = WindowFromNumber(ParseWindowNumber(rest));
  if (parent == nullptr || !IsWindow(parent)) return kUnusableCommandLine;
  return RunSaverWindow(parent);
}

int32_t RunConfigureDialog(HWND owner) {
  const HINSTANCE instance = TheShellState().instance;
  if (PrepareDialogClasses(instance) == 0) return 0;
  return static_cast<int32_t>(
      DialogBoxParamA(instance, MAKEINTRESOURCEA(kConfigDialogId), owner, ConfigDialogProc, 0));
}

int32_t RunChangePassword(const char* rest) {
  HWND owner = WindowFromNumber(ParseWindowNumber(rest));
  if (owner == nullptr || !IsWindow(owner)) owner = GetForegroundWindow();
  ChangePassword(owner);
  return 0;
}

SaverWindowShape FullScreenShape() {
  if (TheShellState().spansMonitors) {
    const ScreenRect bounds = FindDesktopBounds(FindMonitorRectsOrScreen());
    return {nullptr, kFullScreenTitle, kFullScreenStyle, WS_EX_TOPMOST, bounds.right - bounds.left,
            bounds.bottom - bounds.top, bounds.left, bounds.top};
  }
  return {nullptr, kFullScreenTitle, kFullScreenStyle, WS_EX_TOPMOST, GetSystemMetrics(SM_CXSCREEN),
          GetSystemMetrics(SM_CYSCREEN)};
}

SaverWindowShape PreviewShape(HWND parent) {
  RECT client{};
  GetClientRect(parent, &client);
  return {parent, kPreviewTitle, kPreviewStyle, 0, client.right, client.bottom};
}

HWND CreateSaverWindow(const SaverWindowShape& shape) {
  ShellState& shell = TheShellState();
  WNDCLASSA windowClass{};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
  windowClass.lpfnWndProc = ShellFrameProc;
  windowClass.hInstance = shell.instance;
  windowClass.hIcon = LoadIconA(shell.instance, MAKEINTRESOURCEA(kIconId));
  windowClass.hCursor = nullptr;  // no cursor of its own: the shell keeps it hidden
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kSaverClassName;
  if (RegisterClassA(&windowClass) == 0) return nullptr;
  shell.saverWindow = CreateWindowExA(shape.extendedStyle, kSaverClassName, shape.title, shape.style, shape.x,
                                      shape.y, shape.width, shape.height, shape.parent, nullptr, shell.instance,
                                      nullptr);
  return shell.saverWindow;
}

void CoverFullScreen(HWND window) {
  // The primary monitor (whose top-left corner is the origin) or, spanning, the
  // bounds of every monitor as they are now.
  const SaverWindowShape shape = FullScreenShape();
  SetWindowPos(window, nullptr, shape.x, shape.y, shape.width, shape.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int32_t RunSaverWindow(HWND parent) {
  ShellState& shell = TheShellState();
  // Before any size is measured: from here on sizes are the screen's own pixels.
  DeclareDpiAware();
  SaverWindowShape shape;
  if (parent != nullptr) {
    shape = PreviewShape(parent);
    shell.previewMode = true;
  } else {
    // "main" keeps the window on the primary monitor, with black windows over
    // the others; "each" and "across" make one window over all of them.
    shell.spansMonitors = LoadMonitorChoice() != MonitorChoice::Main;
    shape = FullScreenShape();
    // At most one full-screen saver: a second start hands the screen back to the first.
    const HWND running = FindWindowA(kSaverClassName, kFullScreenTitle);
    if (running != nullptr && IsWindow(running)) {
      SetForegroundWindow(running);
      return 0;
    }
    LoadPasswordVerifier();
  }

  int32_t result = kSaverFailed;
  if (CreateSaverWindow(shape) != nullptr) {
    if (parent == nullptr) {
      BlankOtherMonitors(shell.saverWindow);
      SetForegroundWindow(shell.saverWindow);
    }
    result = RunMessageLoop();
  }
  // On the ordinary way out the window is gone already and this does nothing.
  if (!shell.win9xPlatform && shell.saverWindow != nullptr) DestroyWindow(shell.saverWindow);
  UnloadPasswordVerifier();
  return result;
}
