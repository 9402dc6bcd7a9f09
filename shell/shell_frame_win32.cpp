// The saver window's registered procedure, first of the chain of three.
#include "shell/shell_frame_win32.h"

#include "animation/animation_window_win32.h"
#include "shell/blanking_win32.h"
#include "shell/fault_guard_win32.h"
#include "shell/find_procedure_win32.h"
#include "shell/shell_main_win32.h"
#include "shell/shell_default_win32.h"
#include "shell/shell_state_win32.h"

namespace {

// Keeps the input method's composition window off the saver: only when the
// process already has IMM32.DLL, since loading it here would be wasted work.
void TakeInputMethodAway(ShellState& shell, HWND window) {
  shell.inputMethodModule = GetModuleHandleA("IMM32.DLL");
  if (shell.inputMethodModule == nullptr) return;
  shell.associateContext = FindProcedure<AssociateContextFn>(shell.inputMethodModule, "ImmAssociateContext");
  if (shell.associateContext != nullptr) shell.savedInputContext = shell.associateContext(window, nullptr);
}

void GiveInputMethodBack(ShellState& shell, HWND window) {
  if (shell.inputMethodModule != nullptr && shell.associateContext != nullptr && shell.savedInputContext != nullptr) {
    shell.associateContext(window, shell.savedInputContext);
  }
}

// Sent to a per-monitor DPI-aware window whose monitor's scale changed.
constexpr UINT kDpiChangedMessage = 0x02E0;

bool IsTaskSwitch(WPARAM command) {
  // Compared whole: the low four bits are not masked.
  return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

LRESULT CALLBACK HandleFrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ShellState& shell = TheShellState();
  const bool fullScreen = !shell.previewMode;
  if (IsSaverInput(message) && shell.closeApproved != 0) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      TakeInputMethodAway(shell, window);
      GetCursorPos(&shell.cursorPosition);
      if (fullScreen) SetCursor(nullptr);
      break;
    case WM_DESTROY:
      GiveInputMethodBack(shell, window);
      PostQuitMessage(0);
      break;
    case WM_SETTEXT:
      return 0;
    case WM_PAINT:
      if (shell.closeApproved != 0) return DefWindowProcA(window, message, wParam, lParam);
      if (fullScreen) SetCursor(nullptr);
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      if (fullScreen) break;
      if (HWND parent = GetParent(window); parent != nullptr && IsWindow(parent)) {
        PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
      }
      return 1;
    case WM_SYSCOMMAND:
      if (fullScreen && IsTaskSwitch(wParam)) return 0;
      break;
    case WM_DISPLAYCHANGE:
    case kDpiChangedMessage:
      // A monitor that slept, was unplugged, came back or changed its mode: the
      // saver window takes the primary monitor (or all of them) as it is now, the
      // animation starts over when its layout, size or scale changed, and then
      // blanking windows cover the monitors outside it as they are now (never the
      // saver's own: one there would lie above the animation).
      if (!fullScreen) break;
      CoverFullScreen(window);
      FitAnimationToWindow(window);
      BlankOtherMonitors(window);
      return 0;
    case WM_TIMER:
      if (shell.closeApproved != 0) return 0;
      // Leaves the rest of the time slice to others before each animation step.
      Sleep(0);
      break;
    default:
      break;
  }
  return AnimationWindowProc(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK ShellFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The whole chain runs under a guard of its own: on 64-bit Windows a fault in,
  // say, the animation's set-up inside CreateWindowExA would not reach the guard
  // around the mode.
  return CallWindowProcedureGuarded(HandleFrameMessage, window, message, wParam, lParam, kSaverFailed);
}
