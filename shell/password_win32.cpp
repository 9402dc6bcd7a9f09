// The system's password components: verifier, screen-saver-running setting, password change.
#include "shell/password_win32.h"

#include <cstdint>

#include "shell/find_procedure_win32.h"
#include "shell/input_watch.h"
#include "shell/shell_state_win32.h"

namespace {

using ChangePasswordFn = DWORD(WINAPI*)(LPCSTR provider, HWND owner, DWORD reserved1, DWORD reserved2);

// The desktop's password switch. The value's type is not looked at: any data of
// up to 4 bytes that is not all zero turns it on.
bool DesktopAsksForPassword(HKEY desktop) {
  uint8_t buffer[4] = {0, 0, 0, 0};
  DWORD size = sizeof buffer;
  const LONG status = RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr, buffer, &size);
  return status == ERROR_SUCCESS && IsPasswordSwitchOn(buffer, size);
}

}  // namespace

void SetScreenSaverRunning(UINT on) {
  if (!TheShellState().win9xPlatform) return;
  UINT previous = 0;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, on, &previous, 0);
}

void LoadPasswordVerifier() {
  ShellState& shell = TheShellState();
  if (!shell.win9xPlatform) return;
  if (shell.verifierModule != nullptr) UnloadPasswordVerifier();

  HKEY desktop = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS) return;
  if (DesktopAsksForPassword(desktop)) {
    shell.verifierModule = LoadLibraryA("PASSWORD.CPL");
    if (shell.verifierModule != nullptr) {
      shell.verifier = FindProcedure<VerifyPasswordFn>(shell.verifierModule, "VerifyScreenSavePwd");
      if (shell.verifier != nullptr) {
        SetScreenSaverRunning(1);
      } else {
        UnloadPasswordVerifier();
      }
    }
  }
  RegCloseKey(desktop);
}

void UnloadPasswordVerifier() {
  ShellState& shell = TheShellState();
  if (!shell.win9xPlatform || shell.verifierModule == nullptr) return;
  FreeLibrary(shell.verifierModule);
  shell.verifierModule = nullptr;
  if (shell.verifier != nullptr) {
    shell.verifier = nullptr;
    SetScreenSaverRunning(0);
  }
}

void ChangePassword(HWND owner) {
  HMODULE mpr = LoadLibraryA("MPR.DLL");
  if (mpr == nullptr) return;
  auto change = FindProcedure<ChangePasswordFn>(mpr, "PwdChangePasswordA");
  if (change != nullptr) change("SCRSAVE", owner, 0, 0);
  FreeLibrary(mpr);
}
