// The saver's command line: skipping the program name, choosing the mode, window numbers.
#include "shell/command_line.h"

namespace {

bool IsBlankOrControl(char c) {
  // Bytes 0x80..0xFF belong to a name, so compare without the sign.
  return static_cast<unsigned char>(c) <= 0x20;
}

char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

const char* SkipSpaces(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

}  // namespace

const char* StepOneByte(const char* text) { return *text ? text + 1 : text; }

const char* SkipProgramName(const char* commandLine, CharStepFn step) {
  const char* p = commandLine;
  if (*p == '"') {
    // A quoted name may hold blanks; a double-byte character whose second byte
    // looks like a quote is stepped over whole.
    p = step(p);
    while (*p && *p != '"') p = step(p);
    if (*p == '"') ++p;
  } else {
    while (!IsBlankOrControl(*p)) p = step(p);
  }
  while (*p && IsBlankOrControl(*p)) ++p;
  return p;
}

ModeChoice ChooseMode(const char* arguments, bool win9xPlatform) {
  for (const char* p = arguments;; ++p) {
    switch (ToUpperAscii(*p)) {
      case '\0':
        return {SaverMode::ConfigureUnowned, p};
      case ' ':
      case '-':
      case '/':
        continue;
      case 'C':
        return {SaverMode::ConfigureOwned, p + 1};
      case 'S':
        return {SaverMode::FullScreen, p + 1};
      case 'P':
      case 'L':
        return {SaverMode::Preview, SkipSpaces(p + 1)};
      case 'A':
        if (win9xPlatform) return {SaverMode::ChangePassword, SkipSpaces(p + 1)};
        return {SaverMode::Unusable, p};
      default:
        return {SaverMode::Unusable, p};
    }
  }
}

uint32_t ParseWindowNumber(const char* text) {
  uint32_t value = 0;
  for (const char* p = text; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
  return value;
}
