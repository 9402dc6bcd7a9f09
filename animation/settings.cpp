// The settings' load bounds, their decimal text and the configuration dialog's rules.
#include "animation/settings.h"

int32_t FormatDecimal(int32_t value, char (&text)[kDecimalTextSize]) {
  // Work on the magnitude as unsigned so that -2147483648 needs no special case.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  char digits[10];
  int32_t digitCount = 0;
  do {
    digits[digitCount++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);

  int32_t length = 0;
  if (value < 0) text[length++] = '-';
  while (digitCount > 0) text[length++] = digits[--digitCount];
  text[length] = '\0';
  return length;
}

SaverSettings BoundLoadedSettings(int32_t soundSwitch, int32_t moleculeCount,
                                  int32_t soundFrequency) {
  SaverSettings settings;
  settings.soundSwitch = soundSwitch;
  settings.moleculeCount = moleculeCount < kMinMoleculeCount || moleculeCount > kMaxMoleculeCount
                               ? kFallbackMoleculeCount
                               : moleculeCount;
  settings.soundFrequency =
      soundFrequency < kMinSoundFrequency || soundFrequency > kMaxSoundFrequency
          ? kFallbackSoundFrequency
          : soundFrequency;
  return settings;
}

int32_t ToggleSoundSwitch(SaverSettings& settings) {
  settings.soundSwitch = settings.soundSwitch > 0 ? 0 : 1;
  return settings.soundSwitch;
}

ScrollOutcome ScrollSetting(SaverSettings& settings, int32_t barId, uint32_t code,
                            int16_t thumbPosition) {
  const bool countBar = barId == kMoleculeCountBarId;
  int32_t& value = countBar ? settings.moleculeCount : settings.soundFrequency;
  const int32_t maximum = countBar ? kMaxMoleculeCount : kMaxSoundFrequency;

  switch (code) {
    case kScrollLineLeft:
    case kScrollPageLeft:
      // A trough click steps by one, like an arrow. Compared before stepping so
      // that no stored value can wrap around.
      value = value > 1 ? value - 1 : 1;
      break;
    case kScrollLineRight:
    case kScrollPageRight:
      value = value < maximum ? value + 1 : maximum;
      break;
    case kScrollThumbTrack:
      // The thumb's position while dragged: the platform keeps it inside the range.
      value = thumbPosition;
      break;
    default:
      // Thumb released, end of scrolling, jumps to either end: nothing changes.
      break;
  }
  return {value, countBar ? kMoleculeCountLabelId : kSoundFrequencyLabelId};
}
