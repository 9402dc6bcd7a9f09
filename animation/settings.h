// The saver's three settings, as loaded from and saved to the profile file, and
// the rules the configuration dialog applies to them.
#pragma once

#include <cstdint>

struct SaverSettings {
  int32_t soundSwitch = 0;     // sound is on when > 0
  int32_t moleculeCount = 10;  // 1..64 once loaded
  int32_t soundFrequency = 2;  // 1..100 once loaded: per cent chance of the ambient sound
};

// Keys of the settings in the profile section named after the application, in
// the order they are read and written.
constexpr const char* kSoundSwitchKey = "SOUND_SW";
constexpr const char* kMoleculeCountKey = "EVENT_FREQ";
constexpr const char* kSoundFrequencyKey = "SOUND_FREQ";

// What a missing key reads as, before the bounds below apply.
constexpr int32_t kDefaultSoundSwitch = 0;
constexpr int32_t kDefaultMoleculeCount = 10;
constexpr int32_t kDefaultSoundFrequency = 0;

// A loaded value outside min..max is replaced by the fallback.
constexpr int32_t kMinMoleculeCount = 1;
constexpr int32_t kMaxMoleculeCount = 64;
constexpr int32_t kFallbackMoleculeCount = 10;
constexpr int32_t kMinSoundFrequency = 1;
constexpr int32_t kMaxSoundFrequency = 100;
constexpr int32_t kFallbackSoundFrequency = 2;

// Control ids of the configuration dialog that the program addresses.
constexpr int32_t kSoundCheckBoxId = 103;
constexpr int32_t kMoleculeCountBarId = 104;
constexpr int32_t kMoleculeCountLabelId = 105;
constexpr int32_t kSoundFrequencyBarId = 108;
constexpr int32_t kSoundFrequencyLabelId = 109;

// Room for the decimal text of any int32_t ("-2147483648" is 11 characters)
// and its terminating zero.
constexpr int32_t kDecimalTextSize = 20;

// Writes `value` as decimal text into `text` (a leading '-' for negatives, no
// leading zeros, "0" for zero), zero-terminated. Returns the length without the
// terminator: 1..11.
int32_t FormatDecimal(int32_t value, char (&text)[kDecimalTextSize]);

// Applies the load bounds to values as read from the profile file: the sound
// switch stands as it is, a count or frequency out of range takes its fallback.
SaverSettings BoundLoadedSettings(int32_t soundSwitch, int32_t moleculeCount,
                                  int32_t soundFrequency);

// Fills `settings` through `read(key, defaultValue) -> int32_t`, which returns
// the stored value of `key` or `defaultValue` when there is none. Keys are read
// in profile order; the bounds apply to what comes back.
template <class ReadFn>
void ReadSettings(SaverSettings& settings, ReadFn&& read) {
  const int32_t soundSwitch = read(kSoundSwitchKey, kDefaultSoundSwitch);
  const int32_t moleculeCount = read(kMoleculeCountKey, kDefaultMoleculeCount);
  const int32_t soundFrequency = read(kSoundFrequencyKey, kDefaultSoundFrequency);
  settings = BoundLoadedSettings(soundSwitch, moleculeCount, soundFrequency);
}

// Hands each setting to `write(key, text)` as decimal text, in profile order,
// every one regardless of what the previous write did. Values are written as
// they stand, without bounds.
template <class WriteFn>
void WriteSettings(const SaverSettings& settings, WriteFn&& write) {
  char text[kDecimalTextSize];
  FormatDecimal(settings.soundSwitch, text);
  write(kSoundSwitchKey, static_cast<const char*>(text));
  FormatDecimal(settings.moleculeCount, text);
  write(kMoleculeCountKey, static_cast<const char*>(text));
  FormatDecimal(settings.soundFrequency, text);
  write(kSoundFrequencyKey, static_cast<const char*>(text));
}

// A click on the sound check box: on (> 0) becomes 0, anything else becomes 1.
// Returns the new switch, which the dialog then shows.
int32_t ToggleSoundSwitch(SaverSettings& settings);

// Scroll codes of a horizontal bar, as they arrive in the low word of wParam.
constexpr uint32_t kScrollLineLeft = 0;
constexpr uint32_t kScrollLineRight = 1;
constexpr uint32_t kScrollPageLeft = 2;
constexpr uint32_t kScrollPageRight = 3;
constexpr uint32_t kScrollThumbPosition = 4;
constexpr uint32_t kScrollThumbTrack = 5;
constexpr uint32_t kScrollEndScroll = 8;

// The new value of a scrolled setting and the label that shows it.
struct ScrollOutcome {
  int32_t value;
  int32_t labelId;
};

// One WM_HSCROLL of the dialog. `barId` is the control id of the bar that
// scrolled: kMoleculeCountBarId picks the molecule count, any other id the sound
// frequency. Arrows and trough clicks step by one within 1..max of that bar;
// thumb tracking takes `thumbPosition` as it is; other codes change nothing.
// The setting is updated in place; the caller sets the thumb and label to the
// returned value whatever the code.
ScrollOutcome ScrollSetting(SaverSettings& settings, int32_t barId, uint32_t code,
                            int16_t thumbPosition);
