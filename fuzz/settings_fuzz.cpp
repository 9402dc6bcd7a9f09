// Fuzz target: whatever text the profile file may hold for the three settings,
// through their reading and bounds, and the decimal text writer back and forth.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "animation/settings.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A stand-in for the platform's integer reading of a stored value: a missing or
// empty value gives the default; otherwise leading blanks, an optional sign and
// decimal digits, wrapping to 32 bits, up to the first other byte (no digits: 0).
// The settings take whatever 32-bit value comes back; this reaches every one.
int32_t ReadProfileInteger(const std::optional<std::string>& stored, int32_t defaultValue) {
  if (!stored || stored->empty()) return defaultValue;
  const char* p = stored->c_str();
  while (*p == ' ' || *p == '\t') ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  uint32_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
  return static_cast<int32_t>(negative ? 0u - value : value);
}

// Value -> text -> value, with the text checked against the standard library's.
void CheckDecimalRoundTrip(int32_t value) {
  char text[kDecimalTextSize];
  std::memset(text, 0x7F, sizeof text);
  const int32_t length = FormatDecimal(value, text);
  Check(length >= 1 && length <= 11);
  Check(text[length] == '\0');
  Check(std::to_string(value) == text);
  Check(ReadProfileInteger(std::string(text), ~value) == value);
}

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

}  // namespace

// The input holds the stored texts of "SOUND_SW", "EVENT_FREQ" and "SOUND_FREQ",
// one per line in that order; a line the input lacks is a missing key. Its first
// four bytes are also one 32-bit value for the decimal round trip.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::optional<std::string>> stored(3);
  size_t start = 0;
  for (size_t line = 0; line < 3 && start <= input.size(); ++line) {
    const size_t end = std::min(input.find('\n', start), input.size());
    stored[line] = input.substr(start, end - start);
    start = end + 1;
  }

  const char* keys[] = {kSoundSwitchKey, kMoleculeCountKey, kSoundFrequencyKey};
  int32_t raw[3] = {};
  int keysRead = 0;
  SaverSettings settings;
  ReadSettings(settings, [&](const char* key, int32_t defaultValue) {
    Check(keysRead < 3 && std::strcmp(key, keys[keysRead]) == 0);
    raw[keysRead] = ReadProfileInteger(stored[keysRead], defaultValue);
    return raw[keysRead++];
  });
  Check(keysRead == 3);
  Check(settings.soundSwitch == raw[0]);
  Check(settings.moleculeCount ==
        (InRange(raw[1], kMinMoleculeCount, kMaxMoleculeCount) ? raw[1] : kFallbackMoleculeCount));
  Check(settings.soundFrequency ==
        (InRange(raw[2], kMinSoundFrequency, kMaxSoundFrequency) ? raw[2] : kFallbackSoundFrequency));

  // What the dialog's OK would write reads back as the same settings.
  int keysWritten = 0;
  SaverSettings reread;
  int32_t* fields[] = {&reread.soundSwitch, &reread.moleculeCount, &reread.soundFrequency};
  WriteSettings(settings, [&](const char* key, const char* text) {
    Check(keysWritten < 3 && std::strcmp(key, keys[keysWritten]) == 0);
    *fields[keysWritten++] = ReadProfileInteger(std::string(text), 12345);
  });
  Check(keysWritten == 3);
  Check(reread.soundSwitch == settings.soundSwitch && reread.moleculeCount == settings.moleculeCount &&
        reread.soundFrequency == settings.soundFrequency);

  for (int32_t value : raw) CheckDecimalRoundTrip(value);
  if (size >= 4) {
    uint32_t bits;
    std::memcpy(&bits, data, 4);
    CheckDecimalRoundTrip(static_cast<int32_t>(bits));
  }
  return 0;
}
