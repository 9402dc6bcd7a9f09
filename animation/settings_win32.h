// The settings in the profile file "CONTROL.INI" and the configuration dialog 2003.
#pragma once

#include <windows.h>

#include "animation/desktop.h"

// Resource id of the configuration dialog's template.
constexpr int kConfigDialogId = 2003;

// The dialog's drop-down list of the "Monitors" choice, below the sound frequency.
constexpr int kMonitorsListId = 110;

// Fills TheSettings() from the section named by string 1007 of
// TheShellState().instance in "CONTROL.INI", with defaults for missing keys and
// the load bounds, and TheMonitorChoice() from its "Monitors" key. Called when
// the animation window is created and when the dialog opens. Cannot fail.
void LoadSettings();

// The "Monitors" key of that section alone: kDefaultMonitorChoice when it is
// missing or holds no choice. The full-screen start reads it to size its window.
MonitorChoice LoadMonitorChoice();

// Writes the three settings of TheSettings() to that section as decimal
// text, then "Monitors" as TheMonitorChoice()'s name, each write made whatever
// the previous one did. Failures (a read-only file, a full disk) are ignored.
// Called by the dialog's OK only.
void SaveSettings();

// Called by the shell before it shows the dialog, with the module instance: the
// place to register window classes the template needs. It needs none; returns 1.
int PrepareDialogClasses(HINSTANCE instance);

// The dialog procedure of template 2003, handed to DialogBoxParamA with the
// initial parameter 0. Edits TheSettings() in place; OK saves them.
// The dialog always ends with the result 1.
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
