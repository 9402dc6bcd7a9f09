// Tests of the fault guard: faults reach the system's last-chance filter and the guard recovers.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "shell/fault_guard_win32.h"
#include "shell/password_win32.h"
#include "shell/shell_main_win32.h"
#include "shell/shell_state_win32.h"
#include "tests/support/desktop_win32.h"

namespace {

using test_support::ScreenSaverRunning;

volatile uintptr_t gBadAddress = 16;  // read at run time so the compiler cannot see the fault
int gFilterCalls = 0;
DWORD gSeenCode = 0;
// The filter's next answers, then EXCEPTION_EXECUTE_HANDLER. It faults for kFaultInFilter
// and makes gBadAddress writable for EXCEPTION_CONTINUE_EXECUTION.
constexpr LONG kFaultInFilter = 2;
std::vector<LONG> gVerdicts;
int32_t Fault(void*);

LONG WINAPI RecordingFilter(EXCEPTION_POINTERS* pointers) {
  if (++gFilterCalls > 20) ExitProcess(98);  // a guard that asks again and again
  gSeenCode = pointers->ExceptionRecord->ExceptionCode;
  // Seen by the parent of a death test through the child's error output.
  std::fprintf(stderr, "filter saw %08lx\n", static_cast<unsigned long>(gSeenCode));
  std::fflush(stderr);
  const LONG verdict = gVerdicts.empty() ? EXCEPTION_EXECUTE_HANDLER : gVerdicts.front();
  if (!gVerdicts.empty()) gVerdicts.erase(gVerdicts.begin());
  DWORD access;
  if (verdict == EXCEPTION_CONTINUE_EXECUTION) {
    VirtualProtect(reinterpret_cast<void*>(gBadAddress), 4, PAGE_READWRITE, &access);
  }
  if (verdict == kFaultInFilter) Fault(nullptr);
  return verdict;
}

int32_t Fault(void*) {
  *reinterpret_cast<volatile int*>(gBadAddress) = 1;
  return 5;
}

int32_t Return42(void*) { return 42; }

int32_t RaiseNoncontinuable(void*) {
  RaiseException(0xE0000001, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  return 5;
}

class FaultGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    gFilterCalls = 0;
    gSeenCode = 0;
    gVerdicts.clear();
    gBadAddress = 16;
    previousMode = SetErrorMode(SEM_NOGPFAULTERRORBOX);
    previousFilter = SetUnhandledExceptionFilter(RecordingFilter);
    TheShellState() = ShellState{};
  }
  void TearDown() override {
    SetUnhandledExceptionFilter(previousFilter);
    SetErrorMode(previousMode);
    TheShellState() = ShellState{};
  }
  UINT previousMode = 0;
  LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
};

// A small pop-up window of a class of its own, with `procedure`.
HWND MakeTestWindow(WNDPROC procedure, const char* className) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

LRESULT CALLBACK FaultingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) Fault(nullptr);
  return DefWindowProcA(window, message, wParam, lParam);
}

int32_t FaultInsideWindowProcedure(void*) {
  HWND window = MakeTestWindow(FaultingWindowProc, "FaultGuardTestClass");
  SendMessageA(window, WM_USER, 0, 0);
  return 5;
}

BOOL WINAPI FaultingVerifier(HWND) { return Fault(nullptr); }

UINT gFaultingMessage = 0;

LRESULT CALLBACK FaultingOnOneMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == gFaultingMessage) Fault(nullptr);
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK GuardedProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcedureGuarded(FaultingOnOneMessage, window, message, wParam, lParam, -1);
}

// A window whose guarded procedure faults on `message`, with a 10 ms timer, and
// its message loop for up to two seconds; the fault is to end the process.
void RunWindowFaultingOn(UINT message) {
  gFaultingMessage = message;
  HWND window = MakeTestWindow(GuardedProcedure, "GuardedProcedureTestClass");
  SetTimer(window, 1, 10, nullptr);
  const DWORD end = GetTickCount() + 2000;
  MSG m;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(5);
  }
  DestroyWindow(window);
}

}  // namespace

TEST_F(FaultGuard, BodyWithoutFaultGivesItsResult) {
  EXPECT_EQ(42, RunGuarded(Return42, nullptr, -1));
  EXPECT_EQ(42, RunGuarded(Return42, nullptr, -1));
  EXPECT_EQ(0, gFilterCalls);
}

int32_t Recurse(void* end) {
  volatile char page[4096];
  page[0] = 1;
  return end == &gBadAddress ? 0 : Recurse(end) + page[0];
}

TEST_F(FaultGuard, FaultIsShownToTheSystemFilterAndResetsTheRunningSetting) {
  TheShellState().win9xPlatform = true;
  SetScreenSaverRunning(1);
  ASSERT_EQ(1u, ScreenSaverRunning()) << "the platform does not keep the setting";

  EXPECT_EQ(-7, RunGuarded(Fault, nullptr, -7));
  EXPECT_EQ(1, gFilterCalls);
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), gSeenCode);
  EXPECT_EQ(0u, ScreenSaverRunning());
  // A stack overflow too, on what is left of the stack (exit code 97: the setting stayed on).
  EXPECT_EXIT(SetScreenSaverRunning(1); const int32_t result = RunGuarded(Recurse, nullptr, -1);
              ExitProcess(ScreenSaverRunning() == 0 ? result : 97),
              ::testing::ExitedWithCode(-1), "filter saw c00000fd");
}

// The import slot through which the guard calls UnhandledExceptionFilter.
#if defined(__i386__)
extern "C" void* gSystemFilter asm("__imp__UnhandledExceptionFilter@4");
#else
extern "C" void* gSystemFilter asm("__imp_UnhandledExceptionFilter");
#endif

TEST_F(FaultGuard, GuardsCanBeNestedAndUsedAgainAndFollowTheVerdict) {
  // The inner guard is the nearer frame; after its recovery the outer one still catches.
  struct Outer {
    static int32_t Run(void*) {
      const int32_t inner = RunGuarded(Fault, nullptr, 7);
      if (inner != 7) return inner;
      return Fault(nullptr);
    }
  };
  EXPECT_EQ(3, RunGuarded(Outer::Run, nullptr, 3));
  EXPECT_EQ(2, gFilterCalls);
  EXPECT_EQ(9, RunGuarded(Fault, nullptr, 9));
  EXPECT_EQ(3, gFilterCalls);

  // The system's filter continues the search only for a debugger: the recording one stands in.
  void* const system = std::exchange(gSystemFilter, reinterpret_cast<void*>(RecordingFilter));
  const auto nested = [](void*) { return RunGuarded(Fault, nullptr, 7); };
  gVerdicts = {EXCEPTION_CONTINUE_SEARCH};
  EXPECT_EQ(3, RunGuarded(nested, nullptr, 3));
  EXPECT_EQ(5, gFilterCalls);
  gBadAddress = reinterpret_cast<uintptr_t>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS));
  gVerdicts = {EXCEPTION_CONTINUE_EXECUTION};
  EXPECT_EQ(5, RunGuarded(nested, nullptr, 3));
  EXPECT_EQ(6, gFilterCalls);
  // A fault in the filter goes to the guard further out, not to the same one again.
  gSystemFilter = system;
  gBadAddress = 16;
  gVerdicts = {kFaultInFilter};
  EXPECT_EXIT(ExitProcess(RunGuarded(nested, nullptr, -1)), ::testing::ExitedWithCode(-1), "filter saw c0000005");
}

TEST_F(FaultGuard, FaultInAWindowProcedureIsCaught) {
  EXPECT_EQ(-1, RunGuarded(FaultInsideWindowProcedure, nullptr, -1));
  EXPECT_EQ(1, gFilterCalls);
  DestroyWindow(FindWindowA("FaultGuardTestClass", nullptr));
  UnregisterClassA("FaultGuardTestClass", GetModuleHandleA(nullptr));
}

TEST_F(FaultGuard, NoncontinuableExceptionIsRecoveredFromOnce) {
  EXPECT_EQ(-3, RunGuarded(RaiseNoncontinuable, nullptr, -3));
  EXPECT_EQ(1, gFilterCalls);
  EXPECT_EQ(0xE0000001u, gSeenCode);
}

// The saver window's procedure chain is guarded at its entry: a fault while the
// system calls into it (creation inside CreateWindowExA, a timer message) is shown
// to the filter and ends the program with -1, as a fault in the mode does. The
// recovery in between is RunGuarded's, whose reset of the setting is tested above
// (Wine keeps the setting per process, so the parent cannot see the child's).
TEST_F(FaultGuard, FaultInAGuardedWindowProcedureEndsTheProgram) {
  for (UINT message : {static_cast<UINT>(WM_CREATE), static_cast<UINT>(WM_TIMER)}) {
    EXPECT_EXIT(RunWindowFaultingOn(message), ::testing::ExitedWithCode(-1), "filter saw c0000005")
        << "message " << message;
  }
  // The saver's own chain: a password verifier that faults when the window closes.
  TheShellState().win9xPlatform = true;
  TheShellState().verifier = FaultingVerifier;
  EXPECT_EXIT(SendMessageA(CreateSaverWindow(FullScreenShape()), WM_CLOSE, 0, 0), ::testing::ExitedWithCode(-1),
              "filter saw c0000005");
}
