// Fuzz target: a whole command line through the program-name skip, the mode
// choice and the window number, checked against a small model of the dispatch table.
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
const char* StepDoubleByte(const char* text) {
  if (*text == 0) return text;
  const auto lead = static_cast<unsigned char>(*text);
  const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
  return isLead && text[1] != 0 ? text + 2 : text + 1;
}

// What the dispatch decides: the mode, the exit code when the decision alone
// fixes it (kDecidedLater otherwise), and the window number it uses.
constexpr int64_t kDecidedLater = INT64_MIN;
struct Dispatch {
  SaverMode mode;
  int64_t exitCode;
  uint32_t window;
};

// The table written out plainly, byte by byte, apart from the code under test.
Dispatch Model(const std::string& arguments, bool win9x) {
  size_t i = 0;
  while (i < arguments.size() && (arguments[i] == ' ' || arguments[i] == '-' || arguments[i] == '/')) ++i;
  if (i == arguments.size()) return {SaverMode::ConfigureUnowned, kDecidedLater, 0};
  const char letter = arguments[i];
  auto numberAfter = [&]() {
    size_t j = i + 1;
    while (j < arguments.size() && arguments[j] == ' ') ++j;
    uint64_t value = 0;
    for (; j < arguments.size() && arguments[j] >= '0' && arguments[j] <= '9'; ++j) {
      value = (value * 10 + static_cast<uint64_t>(arguments[j] - '0')) & 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(value);
  };
  switch (letter) {
    case 'c': case 'C': return {SaverMode::ConfigureOwned, kDecidedLater, 0};
    case 's': case 'S': return {SaverMode::FullScreen, kDecidedLater, 0};
    case 'p': case 'P': case 'l': case 'L': {
      const uint32_t window = numberAfter();
      return {SaverMode::Preview, window == 0 ? -1 : kDecidedLater, window};
    }
    case 'a': case 'A':
      if (!win9x) return {SaverMode::Unusable, -1, 0};
      return {SaverMode::ChangePassword, 0, numberAfter()};
    default: return {SaverMode::Unusable, -1, 0};
  }
}

// The decision the program takes from the code under test.
Dispatch Decide(const char* arguments, bool win9x) {
  const ModeChoice choice = ChooseMode(arguments, win9x);
  switch (choice.mode) {
    case SaverMode::Preview: {
      const uint32_t window = ParseWindowNumber(choice.rest);
      return {choice.mode, window == 0 ? -1 : kDecidedLater, window};
    }
    case SaverMode::ChangePassword:
      return {choice.mode, 0, ParseWindowNumber(choice.rest)};
    case SaverMode::Unusable:
      return {choice.mode, -1, 0};
    default:
      return {choice.mode, kDecidedLater, 0};
  }
}

}  // namespace

// Byte 0: bit 0 the Win9x platform, bit 1 a double-byte code page. The rest is
// the command line, cut at its first zero as GetCommandLineA's text would be.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool win9x = (data[0] & 1) != 0;
  const CharStepFn step = (data[0] & 2) != 0 ? StepDoubleByte : StepOneByte;
  const std::string commandLine(reinterpret_cast<const char*>(data + 1), size - 1);
  const char* text = commandLine.c_str();  // zero-terminated at its first zero

  const char* arguments = SkipProgramName(text, step);
  const size_t length = std::char_traits<char>::length(text);
  Check(arguments >= text && arguments <= text + length);
  // The argument text starts after a separator or at the end, never on a blank.
  Check(static_cast<unsigned char>(*arguments) > 0x20 || *arguments == 0);

  const Dispatch got = Decide(arguments, win9x);
  const Dispatch expected = Model(std::string(arguments), win9x);
  Check(got.mode == expected.mode);
  Check(got.exitCode == expected.exitCode);
  Check(got.window == expected.window);
  return 0;
}
