// Fuzz target: a whole command line through the program-name skip, the mode
// choice and the window number, checked against small models of each.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/command_line.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Bytes 0x81..0x9F and 0xE0..0xFC lead a two-byte character, as in a Japanese
// code page; the trail byte may be anything but the terminator.
bool IsLeadByte(char c) {
  const auto lead = static_cast<unsigned char>(c);
  return (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
}

const char* StepDoubleByte(const char* text) {
  if (*text == 0) return text;
  return IsLeadByte(*text) && text[1] != 0 ? text + 2 : text + 1;
}

// Where the arguments begin, counted in `line`: a quoted name to its closing
// quote, an unquoted one to the first byte 0x01..0x20, a two-byte character
// taken whole; then every byte 0x01..0x20.
size_t ModelSkip(const std::string& line, bool doubleByte) {
  const size_t n = line.size();
  auto width = [&](size_t i) { return doubleByte && IsLeadByte(line[i]) && i + 1 < n ? 2 : 1; };
  size_t i = 0;
  if (n > 0 && line[0] == '"') {
    for (i = 1; i < n && line[i] != '"'; i += width(i)) {
    }
    if (i < n) ++i;
  } else {
    while (i < n && static_cast<unsigned char>(line[i]) > 0x20) i += width(i);
  }
  while (i < n && static_cast<unsigned char>(line[i]) <= 0x20) ++i;
  return i;
}

// What the dispatch decides: the mode, and for a preview or a password change
// where its window number starts in the arguments and its value.
struct Dispatch {
  SaverMode mode;
  size_t rest;
  uint32_t window;
};

// The table written out plainly, byte by byte, apart from the code under test.
Dispatch Model(const std::string& arguments, bool win9x) {
  size_t i = 0;
  while (i < arguments.size() && (arguments[i] == ' ' || arguments[i] == '-' || arguments[i] == '/')) ++i;
  if (i == arguments.size()) return {SaverMode::ConfigureUnowned, 0, 0};
  auto numberAfter = [&](SaverMode mode) {
    size_t j = i + 1;
    while (j < arguments.size() && arguments[j] == ' ') ++j;
    uint64_t value = 0;
    for (size_t k = j; k < arguments.size() && arguments[k] >= '0' && arguments[k] <= '9'; ++k) {
      value = (value * 10 + static_cast<uint64_t>(arguments[k] - '0')) & 0xFFFFFFFFu;
    }
    return Dispatch{mode, j, static_cast<uint32_t>(value)};
  };
  switch (arguments[i]) {
    case 'c': case 'C': return {SaverMode::ConfigureOwned, 0, 0};
    case 's': case 'S': return {SaverMode::FullScreen, 0, 0};
    case 'p': case 'P': case 'l': case 'L': return numberAfter(SaverMode::Preview);
    case 'a': case 'A': return win9x ? numberAfter(SaverMode::ChangePassword) : Dispatch{SaverMode::Unusable, 0, 0};
    default: return {SaverMode::Unusable, 0, 0};
  }
}

}  // namespace

// Byte 0: bit 0 the Win9x platform, bit 1 a double-byte code page. The rest is
// the command line, cut at its first zero as GetCommandLineA's text would be.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool win9x = (data[0] & 1) != 0;
  const bool doubleByte = (data[0] & 2) != 0;
  const std::string commandLine(reinterpret_cast<const char*>(data + 1), size - 1);
  const char* text = commandLine.c_str();  // zero-terminated at its first zero

  const char* arguments = SkipProgramName(text, doubleByte ? StepDoubleByte : StepOneByte);
  Check(arguments - text == static_cast<ptrdiff_t>(ModelSkip(text, doubleByte)));

  const ModeChoice choice = ChooseMode(arguments, win9x);
  const Dispatch expected = Model(arguments, win9x);
  Check(choice.mode == expected.mode);
  if (choice.mode == SaverMode::Preview || choice.mode == SaverMode::ChangePassword) {
    Check(choice.rest - arguments == static_cast<ptrdiff_t>(expected.rest));
    Check(ParseWindowNumber(choice.rest) == expected.window);
  }
  return 0;
}
