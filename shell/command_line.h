// The saver's command line: skipping the program name, choosing the mode, window numbers.
#pragma once

#include <cstdint>

// Steps from one character of a multi-byte text to the next (the platform's
// CharNextA on Windows). Never steps past the terminating zero.
using CharStepFn = const char* (*)(const char* text);

// Steps one byte; the step for single-byte texts and for tests.
const char* StepOneByte(const char* text);

// Returns where the argument text begins in a whole command line: past the
// program name (a quoted name runs to its closing quote, an unquoted one to the
// first byte 0x00..0x20) and past every following byte 0x01..0x20. Called once by
// the program's entry with GetCommandLineA's text; the result points into it.
const char* SkipProgramName(const char* commandLine, CharStepFn step);

enum class SaverMode {
  ConfigureUnowned,  // the configuration dialog without an owner
  ConfigureOwned,    // the configuration dialog owned by the foreground window
  FullScreen,
  Preview,           // `rest` is where the preview window's number is expected
  ChangePassword,    // `rest` is where the owner window's number is expected
  Unusable,          // the program ends with -1
};

struct ModeChoice {
  SaverMode mode;
  const char* rest;  // into the argument text; meaningful for Preview and ChangePassword
};

// Chooses the mode from the argument text (the command line behind the program
// name). Blanks, dashes and slashes before the switch letter are skipped; the
// letter's case does not matter. The password change exists only on the Win9x
// platform. `arguments` must be zero-terminated.
ModeChoice ChooseMode(const char* arguments, bool win9xPlatform);

// The decimal window number at the start of `text`, wrapping modulo 2^32; 0 when
// the text does not begin with a digit.
uint32_t ParseWindowNumber(const char* text);
