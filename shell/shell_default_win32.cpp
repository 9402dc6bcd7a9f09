// The saver window's default handling: input that ends the saver, the password question.
#include "shell/shell_default_win32.h"

#include "shell/input_watch.h"
#include "shell/shell_state_win32.h"

namespace {

constexpr int kTimerMessagesDiscarded = 2;

// Makes the cursor's current position the reference for later movement.
void RememberCursor(ShellState& shell) { GetCursorPos(&shell.cursorPosition); }

void WatchMouse(ShellState& shell, HWND window) {
  POINT now{};
  // An unreadable position is no movement: (0, 0) in its place would close the
  // saver whenever the remembered position is away from the screen's corner.
  if (!GetCursorPos(&now)) return;
  // The message's own coordinates are client-relative and may be synthesised;
  // the screen position is what a person moved.
  if (MovedBeyondThreshold({shell.cursorPosition.x, shell.cursorPosition.y}, {now.x, now.y})) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    shell.cursorPosition = now;
  }
}

}  // namespace

uint32_t AskToClose(HWND window) {
  ShellState& shell = TheShellState();
  if (shell.askingPassword) return 0;
  if (shell.verifier == nullptr) {
    shell.closeApproved = 1;
    return 1;
  }
  if (IsTooSoonToAsk(shell.lastAskTime, GetTickCount())) return 0;

  shell.askingPassword = true;
  // Ticks queued while the input arrived would otherwise all run before the question shows.
  MSG pending;
  for (int i = 0; i < kTimerMessagesDiscarded; ++i) {
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  }
  shell.closeApproved = static_cast<uint32_t>(SendMessageA(window, VerifyPasswordMessage, 0, 0));
  shell.askingPassword = false;
  if (shell.closeApproved == 0) SetCursor(nullptr);
  // Measured after the verifier's dialog, so the pause starts when the question ended.
  shell.lastAskTime = GetTickCount();
  return shell.closeApproved;
}

LRESULT ShellDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ShellState& shell = TheShellState();
  if (shell.previewMode || shell.closeApproved != 0) return DefWindowProcA(window, message, wParam, lParam);

  if (message == WM_CLOSE) {
    if (!shell.win9xPlatform || AskToClose(window) != 0) return DefWindowProcA(window, message, wParam, lParam);
    RememberCursor(shell);
    return 0;
  }
  if (message == VerifyPasswordMessage) {
    if (!shell.win9xPlatform) return DefWindowProcA(window, message, wParam, lParam);
    return shell.verifier != nullptr ? shell.verifier(window) : 1;
  }
  if (shell.askingPassword) return DefWindowProcA(window, message, wParam, lParam);

  switch (message) {
    case WM_SHOWWINDOW:
      if (wParam != 0) SetCursor(nullptr);
      break;
    case WM_ACTIVATEAPP:
      if (wParam == 0) PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return 1;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case WM_MOUSEMOVE:
      WatchMouse(shell, window);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
