// Tests of the password components in-process: the verifier follows the desktop's
// password switch, and the screen-saver-running setting follows the verifier.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "shell/password_win32.h"
#include "shell/shell_main_win32.h"
#include "shell/shell_state_win32.h"
#include "tests/support/desktop_win32.h"

namespace {

using test_support::BinDirectory;
using test_support::RegistryValueGuard;
using test_support::ScreenSaverRunning;

// A directory searched for "PASSWORD.CPL", which holds one of the stand-ins or
// nothing, and which the stand-ins log into.
class PasswordComponents : public ::testing::Test {
 protected:
  void SetUp() override {
    TheShellState() = ShellState{};
    TheShellState().instance = GetModuleHandleA(nullptr);
    TheShellState().win9xPlatform = true;
    CreateDirectoryA(directory.c_str(), nullptr);
    DeleteFileA((directory + "\\PASSWORD.CPL").c_str());
    DeleteFileA((directory + "\\calls.log").c_str());
    SetDllDirectoryA(directory.c_str());
    SetEnvironmentVariableA("SAVER_TEST_VERIFIER_DIR", directory.c_str());
  }
  void TearDown() override {
    UnloadPasswordVerifier();
    SetDllDirectoryA(nullptr);
    SetEnvironmentVariableA("SAVER_TEST_VERIFIER_DIR", nullptr);
    TheShellState() = ShellState{};
  }

  // Puts the stand-in `library` (from the test's own directory) in place as "PASSWORD.CPL".
  void Provide(const char* library) {
    ASSERT_TRUE(CopyFileA((BinDirectory() + "\\" + library).c_str(), (directory + "\\PASSWORD.CPL").c_str(), FALSE));
  }

  std::string Log() const {
    std::ifstream in(directory + "\\calls.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Whether loading and then unloading changed the screen-saver-running setting
  // in either direction.
  bool LoadAndUnloadTouchTheSetting() {
    // Set directly: the saver's own call does nothing off the Win9x platform.
    UINT previous;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &previous, 0);
    LoadPasswordVerifier();
    const bool switchedOn = ScreenSaverRunning() != 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &previous, 0);
    UnloadPasswordVerifier();
    const bool switchedOff = ScreenSaverRunning() == 0;
    return switchedOn || switchedOff;
  }

  const std::string directory = BinDirectory() + "\\password-work";
  RegistryValueGuard usePassword{"Control Panel\\Desktop", "ScreenSaveUsePassword"};
};

}  // namespace

TEST_F(PasswordComponents, VerifierSwitchesTheRunningSettingOnAndOff) {
  usePassword.SetDword(1);
  Provide("test_password_verifier.dll");
  SetScreenSaverRunning(0);
  LoadPasswordVerifier();
  EXPECT_NE(nullptr, TheShellState().verifier);
  EXPECT_EQ(1u, ScreenSaverRunning());
  UnloadPasswordVerifier();
  EXPECT_EQ(nullptr, TheShellState().verifierModule);
  EXPECT_EQ(nullptr, TheShellState().verifier);
  EXPECT_EQ(0u, ScreenSaverRunning());
  EXPECT_NE(std::string::npos, Log().find("free")) << Log();
}

TEST_F(PasswordComponents, WithoutAVerifierTheRunningSettingIsNeverTouched) {
  Provide("test_password_verifier.dll");
  usePassword.Remove();
  EXPECT_FALSE(LoadAndUnloadTouchTheSetting()) << "value missing";
  usePassword.SetDword(0);
  EXPECT_FALSE(LoadAndUnloadTouchTheSetting()) << "value 0";
  usePassword.Set(REG_BINARY, "\1\1\1\1\1", 5);
  EXPECT_FALSE(LoadAndUnloadTouchTheSetting()) << "value of 5 bytes";
  EXPECT_EQ("", Log()) << "a verifier was loaded";

  usePassword.SetDword(1);
  TheShellState().win9xPlatform = false;
  EXPECT_FALSE(LoadAndUnloadTouchTheSetting()) << "off the Win9x platform";
  EXPECT_EQ("", Log()) << "a verifier was loaded off the Win9x platform";
  TheShellState().win9xPlatform = true;

  DeleteFileA((directory + "\\PASSWORD.CPL").c_str());
  EXPECT_FALSE(LoadAndUnloadTouchTheSetting()) << "PASSWORD.CPL missing";
  EXPECT_EQ(nullptr, TheShellState().verifierModule);
}

TEST_F(PasswordComponents, LibraryWithoutTheVerifierIsLoadedAndFreed) {
  usePassword.SetDword(1);
  Provide("test_mpr.dll");
  EXPECT_FALSE(LoadAndUnloadTouchTheSetting());
  EXPECT_EQ(nullptr, TheShellState().verifierModule);
  EXPECT_EQ(nullptr, GetModuleHandleA("PASSWORD.CPL"));
  const std::string log = Log();
  EXPECT_EQ(0u, log.find("load")) << log;
  EXPECT_NE(std::string::npos, log.find("\nfree")) << log;
}

TEST_F(PasswordComponents, SecondFullScreenStartHandsOverToTheFirstAndLoadsNoVerifier) {
  usePassword.SetDword(1);
  Provide("test_password_verifier.dll");
  const HWND first = CreateSaverWindow(FullScreenShape());
  ASSERT_NE(nullptr, first);
  const HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                                     nullptr, nullptr);
  SetForegroundWindow(other);
  ASSERT_EQ(other, GetForegroundWindow());
  EXPECT_EQ(0, RunSaverWindow(nullptr));
  EXPECT_EQ(first, GetForegroundWindow()) << "the first saver is not in front";
  DestroyWindow(other);
  EXPECT_TRUE(IsWindow(first));
  EXPECT_EQ(nullptr, TheShellState().verifierModule);
  EXPECT_EQ("", Log()) << "the second start loaded the verifier";
  DestroyWindow(first);
  UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}
