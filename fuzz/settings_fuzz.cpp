// Fuzz target: whatever values the profile file may give the three settings,
// through their bounds, the decimal text writer back and forth, and the text
// stored for the choice of monitors.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "animation/desktop.h"
#include "animation/settings.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The decimal text of `value`, checked against the standard library's.
void CheckDecimalRoundTrip(int32_t value) {
  char text[kDecimalTextSize];
  std::memset(text, 0x7F, sizeof text);
  const int32_t length = FormatDecimal(value, text);
  Check(length >= 1 && length <= 11);
  Check(text[length] == '\0');
  Check(std::to_string(value) == text);
}

// The value a setting loads as: a stored one in low..high is kept, any other
// gives the fallback.
bool Loaded(int32_t setting, int32_t stored, int32_t low, int32_t high, int32_t fallback) {
  return stored >= low && stored <= high ? setting == stored : setting == fallback;
}

}  // namespace

// The input holds the values the platform reads for "SOUND_SW", "EVENT_FREQ" and
// "SOUND_FREQ", four bytes each in that order; a value the input lacks is a
// missing key, read as the default.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* keys[] = {kSoundSwitchKey, kMoleculeCountKey, kSoundFrequencyKey};
  int32_t raw[3] = {};
  int keysRead = 0;
  SaverSettings settings;
  ReadSettings(settings, [&](const char* key, int32_t defaultValue) {
    Check(keysRead < 3 && std::strcmp(key, keys[keysRead]) == 0);
    raw[keysRead] = defaultValue;
    if (size >= 4u * (keysRead + 1)) std::memcpy(&raw[keysRead], data + 4 * keysRead, 4);
    return raw[keysRead++];
  });
  Check(keysRead == 3);
  Check(settings.soundSwitch == raw[0]);
  Check(Loaded(settings.moleculeCount, raw[1], 1, 64, 10));
  Check(Loaded(settings.soundFrequency, raw[2], 1, 100, 2));

  // What the dialog's OK would write reads back as the same settings.
  int keysWritten = 0;
  const int32_t fields[] = {settings.soundSwitch, settings.moleculeCount, settings.soundFrequency};
  WriteSettings(settings, [&](const char* key, const char* text) {
    Check(keysWritten < 3 && std::strcmp(key, keys[keysWritten]) == 0);
    Check(std::strtol(text, nullptr, 10) == fields[keysWritten++]);
  });
  Check(keysWritten == 3);
  for (int32_t value : raw) CheckDecimalRoundTrip(value);

  // The bytes after the three values as the text stored for "Monitors": a name
  // it understands reads back as that name, anything else leaves the choice.
  const std::string stored(size > 12 ? reinterpret_cast<const char*>(data) + 12 : "", size > 12 ? size - 12 : 0);
  MonitorChoice choice = kDefaultMonitorChoice;
  if (ParseMonitorChoice(stored.c_str(), choice)) {
    Check(strcasecmp(stored.c_str(), MonitorChoiceName(choice)) == 0);
  } else {
    Check(choice == kDefaultMonitorChoice);
  }
  return 0;
}
