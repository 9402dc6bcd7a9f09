// The settings in the profile file "CONTROL.INI" and the configuration dialog 2003.
#pragma once

#include <windows.h>

// Resource id of the configuration dialog's template.
constexpr int kConfigDialogId = 2003;

// Fills TheAnimationState().settings from the section named by string 1007 of
// TheShellState().instance in "CONTROL.INI", with defaults for missing keys and
// the load bounds. Called when the animation window is created and when the
// dialog opens. Cannot fail.
void LoadSettings();

// Writes the three settings of TheAnimationState() to that section as decimal
// text, each write made whatever the previous one did. Failures (a read-only
// file, a full disk) are ignored. Called by the dialog's OK only.
void SaveSettings();

// Called by the shell before it shows the dialog, with the module instance: the
// place to register window classes the template needs. It needs none; returns 1.
int PrepareDialogClasses(HINSTANCE instance);

// The dialog procedure of template 2003, handed to DialogBoxParamA with the
// initial parameter 0. Edits TheAnimationState().settings in place; OK saves them.
// The dialog always ends with the result 1.
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
