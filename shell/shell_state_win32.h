// The shell's one process-wide record: mode, platform, closing and password state.
#pragma once

#include <windows.h>
#include <imm.h>

#include <cstdint>

// VerifyScreenSavePwd of the system's password verifier: shows its question owned
// by the given window; non-zero when the password was entered correctly.
using VerifyPasswordFn = BOOL(WINAPI*)(HWND window);

// ImmAssociateContext: gives the window a new input context, returns its old one.
using AssociateContextFn = HIMC(WINAPI*)(HWND window, HIMC context);

struct ShellState {
  HINSTANCE instance = nullptr;  // the program's module instance, kept at start-up
  HWND saverWindow = nullptr;    // the full-screen or preview window, once created
  bool previewMode = false;      // the saver window is the preview child
  bool spansMonitors = false;    // full screen over every monitor ("each", "across"), not the primary alone
  bool win9xPlatform = false;    // the platform reports identifier 1: password features on
  uint32_t closeApproved = 0;    // non-zero once the saver may close
  bool askingPassword = false;   // the verifier's question is showing
  HMODULE verifierModule = nullptr;
  VerifyPasswordFn verifier = nullptr;
  POINT cursorPosition{};           // reference for the mouse-movement test, screen coordinates
  DWORD lastAskTime = 0xFFFFFFFFu;  // tick count when the last question ended; all ones: never
  HMODULE inputMethodModule = nullptr;       // IMM32.DLL, when the process had it loaded
  AssociateContextFn associateContext = nullptr;
  HIMC savedInputContext = nullptr;  // the saver window's own context, given back on destruction
};

// The process's shell record. Only the window procedures and the entry reach for
// it; everything below them takes what it needs as parameters.
ShellState& TheShellState();
