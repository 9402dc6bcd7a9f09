// Fuzz target: the X11 program's command line and XSCREENSAVER_WINDOW, checked
// against the bounds of every value and the one-line reason of a refusal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "animation/settings.h"
#include "shell/program_options.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

// The input is split at its zero bytes: the first piece is XSCREENSAVER_WINDOW
// (unset when the input starts with byte 1), the others the arguments.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) pieces.emplace_back();
    else pieces.back().push_back(static_cast<char>(data[i]));
  }
  const bool unset = !pieces[0].empty() && pieces[0][0] == 1;
  std::vector<const char*> argv{"brisel"};
  for (size_t i = 1; i < pieces.size(); ++i) argv.push_back(pieces[i].c_str());
  ProgramOptions options;
  std::string error;
  bool badEnvironment = false;
  const bool ok = ParseProgramOptions(static_cast<int>(argv.size()), argv.data(), unset ? nullptr : pieces[0].c_str(),
                                      options, error, &badEnvironment);
  Check(ok == error.empty());
  Check(error.find('\n') == std::string::npos);
  Check(!badEnvironment || (!ok && !unset));
  if (ok) {
    Check(options.moleculeCount >= kMinMoleculeCount && options.moleculeCount <= kMaxMoleculeCount);
    Check(options.soundFrequency >= kMinSoundFrequency && options.soundFrequency <= kMaxSoundFrequency);
    Check(options.ticks >= -1 && options.ticks <= INT32_MAX);
    Check(options.target != DrawTarget::Window || (options.windowId >= 1 && options.windowId <= UINT32_MAX));
  }
  return 0;
}
