// Tests of LoadSettings and SaveSettings against the real "CONTROL.INI" of the prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "animation/animation_globals_win32.h"
#include "animation/settings_win32.h"
#include "tests/win32/settings_profile_win32.h"

using namespace settings_test;

namespace {

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    UseTestModuleResources();
    RemoveProfile();
  }
  void TearDown() override { RemoveProfile(); }

  // Loads over a record that holds none of the expected values.
  static SaverSettings Load() {
    TheSettings() = SaverSettings{-99, -99, -99};
    LoadSettings();
    return TheSettings();
  }
};

std::string Section(const std::string& lines) { return "[Brisel]\r\n" + lines; }

}  // namespace

TEST_F(SettingsFile, NoFileOrNoSectionLoadsTheDefaults) {
  for (const std::string& file :
       {std::string("<none>"), std::string("[Other]\r\nEVENT_FREQ=5\r\n"), Section("")}) {
    if (file == "<none>") {
      RemoveProfile();
    } else {
      WriteProfile(file);
    }
    const SaverSettings settings = Load();
    EXPECT_EQ(0, settings.soundSwitch) << file;
    EXPECT_EQ(10, settings.moleculeCount) << file;
    EXPECT_EQ(2, settings.soundFrequency) << file;
  }
  EXPECT_EQ("[Brisel]\r\n", ReadProfile()) << "loading writes nothing";
}

TEST_F(SettingsFile, StoredValuesAndTheirBounds) {
  struct Case {
    const char* lines;
    int32_t soundSwitch, moleculeCount, soundFrequency;
  };
  const Case cases[] = {
      {"SOUND_SW=5\r\nEVENT_FREQ=1\r\nSOUND_FREQ=1\r\n", 5, 1, 1},
      {"SOUND_SW=-1\r\nEVENT_FREQ=64\r\nSOUND_FREQ=100\r\n", -1, 64, 100},
      {"SOUND_SW=1\r\nEVENT_FREQ=0\r\nSOUND_FREQ=0\r\n", 1, 10, 2},
      {"EVENT_FREQ=65\r\nSOUND_FREQ=101\r\n", 0, 10, 2},
      {"EVENT_FREQ=-5\r\n", 0, 10, 2},  // frequency missing
      {"SOUND_SW=-2147483648\r\nEVENT_FREQ=33\r\nSOUND_FREQ=77\r\n", INT32_MIN, 33, 77},
      // Keys in another order, and in other letter case, read the same.
      {"sound_freq=50\r\nevent_freq=20\r\nsound_sw=2\r\n", 2, 20, 50},
      // Text that is not a number reads as the profile reader converts it (0 for
      // no leading digits); the bounds then apply to that.
      {"SOUND_SW=on\r\nEVENT_FREQ=many\r\nSOUND_FREQ=x\r\n", 0, 10, 2},
      {"SOUND_SW=3 loud\r\nEVENT_FREQ=12abc\r\nSOUND_FREQ= 40\r\n", 3, 12, 40},
      // An empty value counts as missing.
      {"SOUND_SW=\r\nEVENT_FREQ=\r\nSOUND_FREQ=\r\n", 0, 10, 2},
  };
  for (const Case& c : cases) {
    WriteProfile(Section(c.lines));
    const SaverSettings settings = Load();
    EXPECT_EQ(c.soundSwitch, settings.soundSwitch) << c.lines;
    EXPECT_EQ(c.moleculeCount, settings.moleculeCount) << c.lines;
    EXPECT_EQ(c.soundFrequency, settings.soundFrequency) << c.lines;
    EXPECT_EQ(Section(c.lines), ReadProfile()) << "an out-of-bounds value is not rewritten";
  }
}

TEST_F(SettingsFile, SaveCreatesTheFileWithTheKeysInOrder) {
  TheSettings() = SaverSettings{-1, 64, 100};
  TheMonitorChoice() = MonitorChoice::Across;
  SaveSettings();
  EXPECT_EQ("[Brisel]\r\nSOUND_SW=-1\r\nEVENT_FREQ=64\r\nSOUND_FREQ=100\r\nMonitors=across\r\n", ReadProfile());
  EXPECT_EQ(-1, Load().soundSwitch);
  EXPECT_EQ(MonitorChoice::Across, LoadMonitorChoice());
  TheMonitorChoice() = kDefaultMonitorChoice;
}

TEST_F(SettingsFile, SaveReplacesValuesAndKeepsTheRestOfTheFile) {
  WriteProfile(
      "[Before]\r\nA=1\r\n"
      "[Brisel]\r\nSOUND_FREQ=7\r\nOTHER=keep\r\nSOUND_SW=1\r\n"
      "[After]\r\nB=2\r\n");
  TheSettings() = SaverSettings{INT32_MIN, 3, 99};
  SaveSettings();
  const std::string expected =
      "[Before]\r\nA=1\r\n"
      "[Brisel]\r\nSOUND_FREQ=99\r\nOTHER=keep\r\nSOUND_SW=-2147483648\r\nEVENT_FREQ=3\r\nMonitors=each\r\n"
      "[After]\r\nB=2\r\n";
  EXPECT_EQ(expected, ReadProfile());
  const SaverSettings loaded = Load();
  EXPECT_EQ(INT32_MIN, loaded.soundSwitch);
  EXPECT_EQ(3, loaded.moleculeCount);
  EXPECT_EQ(99, loaded.soundFrequency);
}

TEST_F(SettingsFile, ReadOnlyFileIsLeftAsItWas) {
  const std::string stored = "[Other]\r\nX=1\r\n" + Section("SOUND_SW=1\r\nEVENT_FREQ=5\r\n");
  WriteProfile(stored);
  {
    const ReadOnlyProfile readOnly;
    ASSERT_TRUE(ReadOnlyProfile::RefusesWriting());
    TheSettings() = SaverSettings{0, 40, 60};
    SaveSettings();
    EXPECT_EQ(stored, ReadProfile());
  }
  EXPECT_EQ(stored, ReadProfile());
  EXPECT_EQ(40, TheSettings().moleculeCount) << "the record is not touched";
  EXPECT_EQ(60, TheSettings().soundFrequency);
}

TEST(SettingsDialogClasses, NothingToRegister) {
  EXPECT_EQ(1, PrepareDialogClasses(GetModuleHandleA(nullptr)));
  EXPECT_EQ(1, PrepareDialogClasses(nullptr));
}
