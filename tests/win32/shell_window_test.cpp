// Tests of the saver window's handling in-process: closing on input, the password
// question, the frame procedure's rows and the two kinds of window.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "animation/animation_globals_win32.h"
#include "shell/shell_default_win32.h"
#include "shell/shell_frame_win32.h"
#include "shell/shell_main_win32.h"
#include "shell/shell_state_win32.h"

namespace {

constexpr char kPlainClass[] = "ShellDefaultTestClass";
constexpr char kParentClass[] = "ShellParentTestClass";

// What the fake verifier does and saw.
struct VerifierScript {
  BOOL answer = FALSE;
  int calls = 0;
  int timersPendingAtQuestion = -1;
  LRESULT nestedCloseResult = -1;
  bool closeFromInside = false;
};
VerifierScript gVerifier;

BOOL WINAPI FakeVerifier(HWND window) {
  ++gVerifier.calls;
  MSG m;
  int timers = 0;
  while (PeekMessageA(&m, window, WM_TIMER, WM_TIMER, PM_REMOVE)) ++timers;
  gVerifier.timersPendingAtQuestion = timers;
  if (gVerifier.closeFromInside) gVerifier.nestedCloseResult = SendMessageA(window, WM_CLOSE, 0, 0);
  return gVerifier.answer;
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ShellDefaultProc(window, message, wParam, lParam);
}

std::vector<MSG> gParentMessages;
LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CONTEXTMENU || message == WM_HELP) gParentMessages.push_back({window, message, wParam, lParam, 0, {}});
  return DefWindowProcA(window, message, wParam, lParam);
}

bool TakeQueued(HWND window, UINT message) {
  MSG m;
  bool found = false;
  while (PeekMessageA(&m, window, message, message, PM_REMOVE)) found = true;
  return found;
}

class ShellWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    TheShellState() = ShellState{};
    TheShellState().instance = GetModuleHandleA(nullptr);
    gVerifier = VerifierScript{};
    gParentMessages.clear();
    WNDCLASSA plain{};
    plain.lpfnWndProc = PlainProc;
    plain.hInstance = GetModuleHandleA(nullptr);
    plain.lpszClassName = kPlainClass;
    RegisterClassA(&plain);
    WNDCLASSA parent{};
    parent.lpfnWndProc = ParentProc;
    parent.hInstance = GetModuleHandleA(nullptr);
    parent.lpszClassName = kParentClass;
    RegisterClassA(&parent);
    window = CreateWindowExA(0, kPlainClass, "", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
  }
  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
    if (saver != nullptr && IsWindow(saver)) DestroyWindow(saver);
    if (parent != nullptr && IsWindow(parent)) DestroyWindow(parent);
    UnregisterClassA(kPlainClass, GetModuleHandleA(nullptr));
    UnregisterClassA(kParentClass, GetModuleHandleA(nullptr));
    UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));
    TakeQueued(nullptr, WM_QUIT);
    TheShellState() = ShellState{};
  }

  // Sends `message` and reports whether it asked the window to close.
  bool Closes(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    TakeQueued(window, WM_CLOSE);
    SendMessageA(window, message, wParam, lParam);
    return TakeQueued(window, WM_CLOSE);
  }

  void RememberCursorOffsetBy(int dx, int dy) {
    POINT now;
    GetCursorPos(&now);
    TheShellState().cursorPosition = {now.x - dx, now.y - dy};
  }

  void UseWin9xVerifier(BOOL answer) {
    TheShellState().win9xPlatform = true;
    TheShellState().verifier = FakeVerifier;
    gVerifier.answer = answer;
  }

  HWND window = nullptr;
  HWND saver = nullptr;
  HWND parent = nullptr;
};

}  // namespace

TEST_F(ShellWindow, KeysClicksAndDeactivationAskToClose) {
  EXPECT_TRUE(Closes(WM_KEYDOWN, 'A'));
  EXPECT_TRUE(Closes(WM_SYSKEYDOWN, VK_MENU));
  EXPECT_TRUE(Closes(WM_LBUTTONDOWN));
  EXPECT_TRUE(Closes(WM_RBUTTONDOWN));
  EXPECT_TRUE(Closes(WM_MBUTTONDOWN));
  EXPECT_TRUE(Closes(WM_ACTIVATEAPP, FALSE));
  EXPECT_FALSE(Closes(WM_ACTIVATEAPP, TRUE));
  EXPECT_FALSE(Closes(WM_KEYUP, 'A'));
  EXPECT_EQ(1, SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT));
}

TEST_F(ShellWindow, MouseClosesOnlyBeyondFourPixelsFromTheRememberedPosition) {
  RememberCursorOffsetBy(0, 0);
  EXPECT_FALSE(Closes(WM_MOUSEMOVE));
  RememberCursorOffsetBy(3, 1);
  EXPECT_FALSE(Closes(WM_MOUSEMOVE));
  RememberCursorOffsetBy(3, 2);
  EXPECT_TRUE(Closes(WM_MOUSEMOVE));
  POINT now;
  GetCursorPos(&now);
  EXPECT_EQ(now.x, TheShellState().cursorPosition.x) << "a close makes the cursor the new reference";
  EXPECT_EQ(now.y, TheShellState().cursorPosition.y);
  RememberCursorOffsetBy(-5, 0);
  EXPECT_TRUE(Closes(WM_MOUSEMOVE, 0, MAKELPARAM(0, 0)));
}

TEST_F(ShellWindow, PreviewAndApprovedCloseNeverAskToClose) {
  TheShellState().previewMode = true;
  RememberCursorOffsetBy(50, 50);
  EXPECT_FALSE(Closes(WM_KEYDOWN, 'A'));
  EXPECT_FALSE(Closes(WM_LBUTTONDOWN));
  EXPECT_FALSE(Closes(WM_MOUSEMOVE));
  EXPECT_FALSE(Closes(WM_ACTIVATEAPP, FALSE));
  TheShellState().previewMode = false;
  TheShellState().closeApproved = 1;
  EXPECT_FALSE(Closes(WM_KEYDOWN, 'A'));
  EXPECT_FALSE(Closes(WM_MOUSEMOVE));
}

TEST_F(ShellWindow, OffWin9xCloseDestroysAndTheVerifierIsNeverAsked) {
  TheShellState().verifier = FakeVerifier;  // even a loaded verifier is not used
  EXPECT_EQ(0, SendMessageA(window, VerifyPasswordMessage, 0, 0));
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(0, gVerifier.calls);
}

TEST_F(ShellWindow, Win9xWithoutVerifierApprovesAtOnce) {
  TheShellState().win9xPlatform = true;
  EXPECT_EQ(1, SendMessageA(window, VerifyPasswordMessage, 0, 0));
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(1u, TheShellState().closeApproved);
}

TEST_F(ShellWindow, RefusedPasswordKeepsTheSaverAndPausesTheNextQuestion) {
  UseWin9xVerifier(FALSE);
  RememberCursorOffsetBy(40, 40);
  EXPECT_EQ(0, SendMessageA(window, WM_CLOSE, 0, 0));
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(1, gVerifier.calls);
  EXPECT_EQ(0u, TheShellState().closeApproved);
  EXPECT_NE(0xFFFFFFFFu, TheShellState().lastAskTime);
  POINT now;
  GetCursorPos(&now);
  EXPECT_EQ(now.x, TheShellState().cursorPosition.x) << "a refusal makes the cursor the new reference";

  SendMessageA(window, WM_CLOSE, 0, 0);  // within 200 ms: refused without a question
  EXPECT_EQ(1, gVerifier.calls);
  EXPECT_TRUE(IsWindow(window));

  TheShellState().lastAskTime = GetTickCount() - 250;
  gVerifier.answer = TRUE;
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(2, gVerifier.calls);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(1u, TheShellState().closeApproved);
}

TEST_F(ShellWindow, QuestionDiscardsTwoTimerMessagesAndRefusesCloseFromInside) {
  UseWin9xVerifier(FALSE);
  gVerifier.closeFromInside = true;
  for (int i = 0; i < 3; ++i) PostMessageA(window, WM_TIMER, 1, 0);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(1, gVerifier.calls) << "no second question from within the first";
  EXPECT_EQ(0, gVerifier.nestedCloseResult);
  EXPECT_EQ(1, gVerifier.timersPendingAtQuestion);
  EXPECT_FALSE(TheShellState().askingPassword);
  EXPECT_TRUE(IsWindow(window));
}

TEST_F(ShellWindow, FullScreenWindowShapeAndFrameRows) {
  POINT cursor;
  GetCursorPos(&cursor);
  saver = CreateSaverWindow(FullScreenShape());
  ASSERT_NE(nullptr, saver);
  EXPECT_EQ(saver, TheShellState().saverWindow);
  EXPECT_EQ(cursor.x, TheShellState().cursorPosition.x) << "creation remembers the cursor";
  EXPECT_EQ(cursor.y, TheShellState().cursorPosition.y);

  RECT rect;
  GetWindowRect(saver, &rect);
  EXPECT_EQ(0, rect.left);
  EXPECT_EQ(0, rect.top);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rect.bottom);
  EXPECT_EQ(0x96000000u, static_cast<DWORD>(GetWindowLongA(saver, GWL_STYLE)) & 0xFFFF0000u);
  EXPECT_TRUE(GetWindowLongA(saver, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(0x2Bu, GetClassLongA(saver, GCL_STYLE));
  EXPECT_EQ(saver, FindWindowA(kSaverClassName, kFullScreenTitle));

  EXPECT_EQ(0, SendMessageA(saver, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")));
  char title[32] = {};
  GetWindowTextA(saver, title, sizeof title);
  EXPECT_STREQ("Screen Saver", title);

  for (WPARAM command : {SC_NEXTWINDOW, SC_PREVWINDOW, SC_SCREENSAVE}) {
    EXPECT_EQ(0, SendMessageA(saver, WM_SYSCOMMAND, command, 0));
  }
  EXPECT_TRUE(IsWindow(saver));
  SendMessageA(saver, WM_SYSCOMMAND, SC_CLOSE, 0);  // default handling: WM_CLOSE, destroyed
  EXPECT_FALSE(IsWindow(saver));
  EXPECT_TRUE(TakeQueued(nullptr, WM_QUIT)) << "destruction posts the quit message";
}

TEST_F(ShellWindow, ApprovedCloseStopsTicks) {
  saver = CreateSaverWindow(FullScreenShape());
  ASSERT_NE(nullptr, saver);
  // Every tick turns each molecule by one frame.
  const Molecule& first = TheDesktop().animations[0]->molecules.records[0];
  const int32_t frame = first.frame;
  SendMessageA(saver, WM_TIMER, 1, 0);
  ASSERT_NE(frame, first.frame) << "a tick does not show";
  TheShellState().closeApproved = 1;
  const int32_t approvedFrame = first.frame;
  EXPECT_EQ(0, SendMessageA(saver, WM_TIMER, 1, 0));
  EXPECT_EQ(approvedFrame, first.frame) << "a tick reached the animation after closing was approved";
  EXPECT_FALSE(Closes(WM_KEYDOWN));
}

TEST_F(ShellWindow, PreviewCoversItsParentAndPassesHelpUp) {
  parent = CreateWindowExA(0, kParentClass, "Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 30, 200, 150, nullptr,
                           nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, parent);
  RECT client;
  GetClientRect(parent, &client);
  TheShellState().previewMode = true;
  saver = CreateSaverWindow(PreviewShape(parent));
  ASSERT_NE(nullptr, saver);
  EXPECT_EQ(parent, GetParent(saver));
  RECT rect;
  GetWindowRect(saver, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(0, rect.left);
  EXPECT_EQ(0, rect.top);
  EXPECT_EQ(client.right, rect.right);
  EXPECT_EQ(client.bottom, rect.bottom);
  EXPECT_EQ(0x52000000u, static_cast<DWORD>(GetWindowLongA(saver, GWL_STYLE)) & 0xFFFF0000u);
  char title[32] = {};
  GetWindowTextA(saver, title, sizeof title);
  EXPECT_STREQ("Preview", title);

  EXPECT_EQ(1, SendMessageA(saver, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(saver), MAKELPARAM(7, 9)));
  MSG m;
  while (PeekMessageA(&m, parent, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  ASSERT_EQ(1u, gParentMessages.size());
  EXPECT_EQ(static_cast<UINT>(WM_CONTEXTMENU), gParentMessages[0].message);
  EXPECT_EQ(reinterpret_cast<WPARAM>(parent), gParentMessages[0].wParam);
  EXPECT_EQ(MAKELPARAM(7, 9), gParentMessages[0].lParam);

  DestroyWindow(parent);  // the parent takes its child with it
  EXPECT_FALSE(IsWindow(saver));
  EXPECT_TRUE(TakeQueued(nullptr, WM_QUIT));
}
