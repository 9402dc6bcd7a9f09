// Tests of the fault guard: faults reach the system's last-chance filter and the guard recovers.
#include <gtest/gtest.h>

#include <windows.h>

#include "shell/fault_guard_win32.h"
#include "shell/password_win32.h"
#include "shell/shell_state_win32.h"

namespace {

volatile uintptr_t gBadAddress = 16;  // read at run time so the compiler cannot see the fault
int gFilterCalls = 0;
DWORD gSeenCode = 0;
LONG gVerdict = EXCEPTION_EXECUTE_HANDLER;

LONG WINAPI RecordingFilter(EXCEPTION_POINTERS* pointers) {
  ++gFilterCalls;
  gSeenCode = pointers->ExceptionRecord->ExceptionCode;
  return gVerdict;
}

int32_t Fault(void*) {
  *reinterpret_cast<volatile int*>(gBadAddress) = 1;
  return 5;
}

int32_t Return42(void*) { return 42; }

UINT ScreenSaverRunning() {
  BOOL running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running ? 1 : 0;
}

class FaultGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    gFilterCalls = 0;
    gSeenCode = 0;
    gVerdict = EXCEPTION_EXECUTE_HANDLER;
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

LRESULT CALLBACK FaultingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) Fault(nullptr);
  return DefWindowProcA(window, message, wParam, lParam);
}

int32_t FaultInsideWindowProcedure(void*) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = FaultingWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "FaultGuardTestClass";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "FaultGuardTestClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  SendMessageA(window, WM_USER, 0, 0);
  return 5;
}

}  // namespace

TEST_F(FaultGuard, BodyWithoutFaultGivesItsResult) {
  EXPECT_EQ(42, RunGuarded(Return42, nullptr, -1));
  EXPECT_EQ(42, RunGuarded(Return42, nullptr, -1));
  EXPECT_EQ(0, gFilterCalls);
}

TEST_F(FaultGuard, FaultIsShownToTheSystemFilterAndResetsTheRunningSetting) {
  TheShellState().win9xPlatform = true;
  SetScreenSaverRunning(1);
  ASSERT_EQ(1u, ScreenSaverRunning()) << "the platform does not keep the setting";

  EXPECT_EQ(-7, RunGuarded(Fault, nullptr, -7));
  EXPECT_EQ(1, gFilterCalls);
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), gSeenCode);
  EXPECT_EQ(0u, ScreenSaverRunning());
}

TEST_F(FaultGuard, GuardsCanBeNestedAndUsedAgain) {
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
}

TEST_F(FaultGuard, FaultInAWindowProcedureIsCaught) {
  EXPECT_EQ(-1, RunGuarded(FaultInsideWindowProcedure, nullptr, -1));
  EXPECT_EQ(1, gFilterCalls);
  DestroyWindow(FindWindowA("FaultGuardTestClass", nullptr));
  UnregisterClassA("FaultGuardTestClass", GetModuleHandleA(nullptr));
}
