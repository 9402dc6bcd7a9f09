// The shell's one process-wide record: mode, platform, closing and password state.
#pragma once

#include <windows.h>

#include <cstdint>

struct ShellState {
  HINSTANCE instance = nullptr;  // the program's module instance, kept at start-up
  bool previewMode = false;      // the saver window is the preview child
  bool win9xPlatform = false;    // the platform reports identifier 1: password features on
  uint32_t closeApproved = 0;    // non-zero once the saver may close
  bool askingPassword = false;
  HMODULE verifierModule = nullptr;
  BOOL(WINAPI* verifier)(HWND) = nullptr;  // VerifyScreenSavePwd of the verifier module
  POINT cursorPosition{};                  // reference for the mouse-movement test
  DWORD lastAskTime = 0xFFFFFFFFu;         // when the last password question ended; all ones: never
};

// The process's shell record. Only the window procedures and the entry reach for
// it; everything below them takes what it needs as parameters.
ShellState& TheShellState();
