// The system's password components: the screen-saver password verifier, the
// screen-saver-running setting and the password change.
#pragma once

#include <windows.h>

// Loads "PASSWORD.CPL" and finds its "VerifyScreenSavePwd" when the desktop's
// "ScreenSaveUsePassword" value is on; turns the screen-saver-running setting on
// when the verifier was found. Win9x platform only. Called by RunSaverWindow
// before the full-screen window is created.
void LoadPasswordVerifier();

// Frees the verifier's library and, if the verifier was found, turns the
// screen-saver-running setting off. Win9x platform only. Called by RunSaverWindow
// after its message loop, in every mode.
void UnloadPasswordVerifier();

// Tells the system whether a saver runs (on: 1 or 0). Win9x platform only; the
// previous state is not kept.
void SetScreenSaverRunning(UINT on);

// Hands a change of the screen-saver password to the system ("PwdChangePasswordA"
// of "MPR.DLL", provider "SCRSAVE"), with `owner` owning its dialog. Does nothing
// when the component is missing. Does not check the platform.
void ChangePassword(HWND owner);
