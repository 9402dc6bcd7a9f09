// Tests of the settings' decimal text, load bounds and the configuration dialog's rules.
#include "animation/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// A profile section in memory: read() answers like the platform's profile reader.
struct FakeSection {
  std::map<std::string, int32_t> stored;
  std::vector<std::pair<std::string, int32_t>> reads;  // key and default, in call order

  int32_t Read(const char* key, int32_t defaultValue) {
    reads.emplace_back(key, defaultValue);
    auto found = stored.find(key);
    return found == stored.end() ? defaultValue : found->second;
  }
};

SaverSettings LoadFrom(FakeSection& section) {
  SaverSettings settings{-7, -7, -7};
  ReadSettings(settings, [&](const char* key, int32_t defaultValue) {
    return section.Read(key, defaultValue);
  });
  return settings;
}

std::vector<std::pair<std::string, std::string>> WritesOf(const SaverSettings& settings) {
  std::vector<std::pair<std::string, std::string>> writes;
  WriteSettings(settings,
                [&](const char* key, const char* text) { writes.emplace_back(key, text); });
  return writes;
}

}  // namespace

TEST(SettingsText, DecimalTextOfTheWholeRange) {
  const std::pair<int32_t, const char*> cases[] = {{0, "0"},
                                                   {7, "7"},
                                                   {10, "10"},
                                                   {64, "64"},
                                                   {100, "100"},
                                                   {-1, "-1"},
                                                   {-5, "-5"},
                                                   {-10, "-10"},
                                                   {INT32_MAX, "2147483647"},
                                                   {INT32_MIN, "-2147483648"},
                                                   {INT32_MIN + 1, "-2147483647"},
                                                   {1000000000, "1000000000"}};
  for (const auto& [value, expected] : cases) {
    char text[kDecimalTextSize];
    std::fill(std::begin(text), std::end(text), 'x');
    const int32_t length = FormatDecimal(value, text);
    EXPECT_STREQ(expected, text) << "value " << value;
    EXPECT_EQ(static_cast<int32_t>(std::string(expected).size()), length) << "value " << value;
  }
}

TEST(SettingsLoad, ReadsTheThreeKeysInOrderWithTheirDefaults) {
  FakeSection empty;
  const SaverSettings settings = LoadFrom(empty);
  const std::vector<std::pair<std::string, int32_t>> expectedReads = {
      {"SOUND_SW", 0}, {"EVENT_FREQ", 10}, {"SOUND_FREQ", 0}};
  EXPECT_EQ(expectedReads, empty.reads);
  // A program never configured: sound off, 10 molecules, frequency 2.
  EXPECT_EQ(0, settings.soundSwitch);
  EXPECT_EQ(10, settings.moleculeCount);
  EXPECT_EQ(2, settings.soundFrequency);
}

TEST(SettingsLoad, CountAndFrequencyOutsideTheirBoundsTakeTheFallback) {
  struct Case {
    int32_t stored, expectedCount, expectedFrequency;
  };
  const Case cases[] = {{1, 1, 1},          {2, 2, 2},         {64, 64, 64}, {65, 10, 65},
                        {100, 10, 100},     {101, 10, 2},      {0, 10, 2},   {-5, 10, 2},
                        {INT32_MIN, 10, 2}, {INT32_MAX, 10, 2}};
  for (const Case& c : cases) {
    FakeSection section;
    section.stored = {{"EVENT_FREQ", c.stored}, {"SOUND_FREQ", c.stored}};
    const SaverSettings settings = LoadFrom(section);
    EXPECT_EQ(c.expectedCount, settings.moleculeCount) << "stored " << c.stored;
    EXPECT_EQ(c.expectedFrequency, settings.soundFrequency) << "stored " << c.stored;
  }
}

TEST(SettingsLoad, SoundSwitchStandsAsStored) {
  for (int32_t stored : {5, -1, 0, 1, INT32_MIN, INT32_MAX}) {
    FakeSection section;
    section.stored = {{"SOUND_SW", stored}};
    EXPECT_EQ(stored, LoadFrom(section).soundSwitch);
  }
}

TEST(SettingsSave, WritesAllThreeKeysInOrderAsTheyStand) {
  using Writes = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ((Writes{{"SOUND_SW", "0"}, {"EVENT_FREQ", "10"}, {"SOUND_FREQ", "2"}}),
            WritesOf(SaverSettings{}));
  // No bounds on the way out: what the dialog holds is what the file gets.
  EXPECT_EQ((Writes{{"SOUND_SW", "-2147483648"}, {"EVENT_FREQ", "-5"}, {"SOUND_FREQ", "32767"}}),
            WritesOf(SaverSettings{INT32_MIN, -5, 32767}));
}

TEST(SettingsDialog, CheckBoxToggle) {
  struct Case {
    int32_t before, after;
  };
  const Case cases[] = {{0, 1}, {1, 0}, {5, 0}, {-1, 1}, {INT32_MAX, 0}, {INT32_MIN, 1}};
  for (const Case& c : cases) {
    SaverSettings settings{c.before, 33, 44};
    EXPECT_EQ(c.after, ToggleSoundSwitch(settings)) << "from " << c.before;
    EXPECT_EQ(c.after, settings.soundSwitch) << "from " << c.before;
    EXPECT_EQ(33, settings.moleculeCount);
    EXPECT_EQ(44, settings.soundFrequency);
  }
}

TEST(SettingsDialog, ArrowsAndTroughStepByOneWithinEachBar) {
  struct Case {
    int32_t bar;
    uint32_t code;
    int32_t before, after;
  };
  const Case cases[] = {
      // Count bar 1..64.
      {104, 0, 10, 9},
      {104, 2, 10, 9},
      {104, 1, 10, 11},
      {104, 3, 10, 11},
      {104, 0, 1, 1},
      {104, 2, 1, 1},
      {104, 1, 64, 64},
      {104, 3, 64, 64},
      {104, 1, 63, 64},
      {104, 0, 2, 1},
      // Frequency bar 1..100.
      {108, 0, 1, 1},
      {108, 2, 1, 1},
      {108, 1, 100, 100},
      {108, 3, 100, 100},
      {108, 1, 64, 65},
      {108, 3, 99, 100},
      {108, 0, 2, 1},
      // Codes that leave the value: thumb released, jumps to the ends, end of scrolling.
      {104, 4, 17, 17},
      {104, 6, 17, 17},
      {104, 7, 17, 17},
      {104, 8, 17, 17},
      {108, 4, 17, 17},
      {108, 6, 17, 17},
      {108, 7, 17, 17},
      {108, 8, 17, 17},
      {104, 9, 17, 17},
      {108, 0xFFFF, 17, 17},
      // Values out of range (only thumb tracking can put them there) come back in.
      {104, 0, -5, 1},
      {104, 1, 200, 64},
      {108, 0, INT32_MIN, 1},
      {108, 1, INT32_MAX, 100}};
  for (const Case& c : cases) {
    const bool countBar = c.bar == 104;
    SaverSettings settings{3, countBar ? c.before : 50, countBar ? 50 : c.before};
    const ScrollOutcome outcome = ScrollSetting(settings, c.bar, c.code, 999);
    const int32_t changed = countBar ? settings.moleculeCount : settings.soundFrequency;
    const int32_t other = countBar ? settings.soundFrequency : settings.moleculeCount;
    EXPECT_EQ(c.after, outcome.value)
        << "bar " << c.bar << " code " << c.code << " from " << c.before;
    EXPECT_EQ(c.after, changed) << "bar " << c.bar << " code " << c.code << " from " << c.before;
    EXPECT_EQ(countBar ? 105 : 109, outcome.labelId);
    EXPECT_EQ(50, other) << "the other setting is untouched";
    EXPECT_EQ(3, settings.soundSwitch);
  }
}

TEST(SettingsDialog, ThumbTrackingTakesTheSignedPosition) {
  SaverSettings settings;
  EXPECT_EQ(37, ScrollSetting(settings, 104, 5, 37).value);
  EXPECT_EQ(37, settings.moleculeCount);
  EXPECT_EQ(-5, ScrollSetting(settings, 108, 5, static_cast<int16_t>(0xFFFB)).value);
  EXPECT_EQ(-5, settings.soundFrequency);
  EXPECT_EQ(37, settings.moleculeCount);
  // Release after a drag: position, then end of scrolling, each leaves the value.
  EXPECT_EQ(37, ScrollSetting(settings, 104, 4, 12).value);
  EXPECT_EQ(37, ScrollSetting(settings, 104, 8, 0).value);
  EXPECT_EQ(37, settings.moleculeCount);
}

TEST(SettingsDialog, AnyBarIdOtherThanTheCountBarIsTheFrequencyBar) {
  for (int32_t bar : {108, 0, -1, 105, 65535}) {
    SaverSettings settings{0, 20, 30};
    const ScrollOutcome outcome = ScrollSetting(settings, bar, 1, 0);
    EXPECT_EQ(31, outcome.value) << "bar " << bar;
    EXPECT_EQ(109, outcome.labelId) << "bar " << bar;
    EXPECT_EQ(20, settings.moleculeCount) << "bar " << bar;
  }
}
