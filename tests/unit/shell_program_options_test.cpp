// Tests of the X11 program's command line: values, bounds, and the choice of window.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "shell/program_options.h"

namespace {

bool Parse(std::initializer_list<const char*> args, ProgramOptions& options, const char* environment = nullptr) {
  std::vector<const char*> argv{"brisel"};
  argv.insert(argv.end(), args);
  std::string error;
  const bool ok = ParseProgramOptions(static_cast<int>(argv.size()), argv.data(), environment, options, error);
  EXPECT_EQ(ok, error.empty()) << error;
  return ok;
}

TEST(ProgramOptions, DefaultsAreTheSaversSettingsInAWindowOfItsOwn) {
  ProgramOptions o;
  ASSERT_TRUE(Parse({}, o));
  EXPECT_EQ(o.moleculeCount, 10);
  EXPECT_FALSE(o.sound);
  EXPECT_EQ(o.soundFrequency, 2);
  EXPECT_EQ(o.target, DrawTarget::OwnWindow);
  EXPECT_FALSE(o.haveSeed);
  EXPECT_EQ(o.ticks, -1);
  EXPECT_FALSE(o.fullscreen);
  EXPECT_EQ(o.scale, kAutoScale);
  EXPECT_EQ(o.monitors, MonitorChoice::Each);
}

TEST(ProgramOptions, TakesOneOrTwoDashesAndTheBoundsOfEachValue) {
  ProgramOptions o;
  ASSERT_TRUE(Parse({"--count", "64", "-sound", "-sound-frequency", "100", "--seed", "4294967295", "-ticks", "0"}, o));
  EXPECT_EQ(o.moleculeCount, 64);
  EXPECT_TRUE(o.sound);
  EXPECT_EQ(o.soundFrequency, 100);
  EXPECT_TRUE(o.haveSeed);
  EXPECT_EQ(o.seed, 4294967295u);
  EXPECT_EQ(o.ticks, 0);
  ASSERT_TRUE(Parse({"-sound", "--no-sound", "-count", "1", "-count", "010", "-sound-frequency", "1"}, o));
  EXPECT_FALSE(o.sound);
  EXPECT_EQ(o.moleculeCount, 10) << "the last value counts, and a leading zero is still decimal";
  EXPECT_EQ(o.soundFrequency, 1);
  ASSERT_TRUE(Parse({"-help"}, o));
  EXPECT_TRUE(o.help);
  ASSERT_TRUE(Parse({"--version", "--count=5", "-sound-frequency=7", "--geometry=10x10", "-visual=TrueColor"}, o));
  EXPECT_TRUE(o.version);
  EXPECT_EQ(o.moleculeCount, 5);
  EXPECT_EQ(o.soundFrequency, 7);
  EXPECT_EQ(o.geometry + " " + o.visual, "10x10 TrueColor");
  ASSERT_TRUE(Parse({"-display", ":3", "--geometry", "640x480-0+0", "-visual", "0x21", "-sync", "-fps", "-no-fps",
                     "-install", "-noinstall"}, o));
  EXPECT_EQ(o.display + " " + o.geometry + " " + o.visual, ":3 640x480-0+0 0x21");
  EXPECT_TRUE(o.synchronous);
  ASSERT_TRUE(Parse({"-fullscreen", "--scale", "4", "-monitors", "main", "--monitors=Across"}, o));
  EXPECT_TRUE(o.fullscreen);
  EXPECT_EQ(o.monitors, MonitorChoice::Across);
  EXPECT_EQ(o.scale, 4);
  ASSERT_TRUE(Parse({"-scale", "1", "-scale", "auto"}, o));
  EXPECT_EQ(o.scale, kAutoScale);
}

TEST(ProgramOptions, WindowIdBeatsTheEnvironmentWhichStandsInForRoot) {
  ProgramOptions o;
  ASSERT_TRUE(Parse({"-root"}, o));
  EXPECT_EQ(o.target, DrawTarget::Root);
  ASSERT_TRUE(Parse({"--root"}, o, "0x2a00007"));
  EXPECT_EQ(o.target, DrawTarget::Window);
  EXPECT_EQ(o.windowId, 0x2a00007u);
  ASSERT_TRUE(Parse({"-root", "-window"}, o, "0x2a00007"));
  EXPECT_EQ(o.target, DrawTarget::OwnWindow) << "XSCREENSAVER_WINDOW only with -root";
  ASSERT_TRUE(Parse({"-root", "-window-id", "1234"}, o, "0x2a00007"));
  EXPECT_EQ(o.target, DrawTarget::Window);
  EXPECT_EQ(o.windowId, 1234u);
  ASSERT_TRUE(Parse({"-window-id", "0X1F"}, o, ""));
  EXPECT_EQ(o.windowId, 31u);
}

// Which edge runs: command line, then whether a compositor answered.
TEST(ProgramOptions, ChoosesWaylandForFullScreenWhenACompositorAnswers) {
  struct Row {
    std::initializer_list<const char*> args;
    bool reachable, wayland;
    int idle;
  };
  for (const Row& row : {Row{{"-fullscreen"}, true, true, -1}, Row{{"-fullscreen"}, false, false, -1},
                         Row{{}, true, false, -1}, Row{{"-root"}, true, false, -1},
                         Row{{"-fullscreen", "-display", ":1"}, true, false, -1},
                         Row{{"-fullscreen", "-x11"}, true, false, -1}, Row{{"-x11", "-wayland"}, false, true, -1},
                         Row{{"-idle", "-count", "3"}, false, true, kDefaultIdleSeconds},
                         Row{{"--idle=2"}, true, true, 2}, Row{{"-idle", "86400"}, true, true, 86400}}) {
    ProgramOptions o;
    ASSERT_TRUE(Parse(row.args, o, "0x2a"));
    EXPECT_EQ(ChooseWayland(o, row.reachable), row.wayland) << (row.args.size() > 0 ? *row.args.begin() : "(none)");
    EXPECT_EQ(o.idleSeconds, row.idle);
  }
}

TEST(ProgramOptions, RefusesBadOptionsAndValues) {
  for (std::initializer_list<const char*> args : {
           std::initializer_list<const char*>{"-count", "0"}, {"-count", "65"}, {"-count"}, {"-count", "ten"},
           {"-count", "+5"}, {"-count", " 5"}, {"-count", "5x"}, {"-sound-frequency", "0"},
           {"-sound-frequency", "101"}, {"-seed", "4294967296"}, {"-seed", "-1"}, {"-ticks", "2147483648"},
           {"-window-id", "0"}, {"-window-id", "0x"}, {"-window-id", "0x100000000"}, {"-fast"}, {"-"}, {"--"},
           {"count"}, {"-count="}, {"--count=5x"}, {"-sound=1"}, {"-=5"}, {"-display"}, {"-geometry", ""},
           {"-visual"}, {"-visual", "foo"}, {"-visual", "0x"}, {"-scale", "0"}, {"-scale", "5"}, {"-scale"}, {"-scale", "AUTO"},
           {"-monitors"}, {"-monitors", "all"}, {"-idle", "0"}, {"-idle=x"}, {"-wayland", "-root"},
           {"-idle", "-window-id", "7"}, {"-x11", "-idle"}}) {
    ProgramOptions o;
    std::string joined;
    for (const char* a : args) joined += std::string(a) + " ";
    EXPECT_FALSE(Parse(args, o)) << joined;
  }
  ProgramOptions o;
  EXPECT_FALSE(Parse({"-root"}, o, "window")) << "a bad XSCREENSAVER_WINDOW";
  // A bad value's reason names the values allowed; the environment's fault is told apart.
  std::string error;
  bool badEnvironment = true;
  const char* const argv[] = {"brisel", "--count=65"};
  EXPECT_FALSE(ParseProgramOptions(2, argv, nullptr, o, error, &badEnvironment));
  EXPECT_EQ(error, "bad value \"65\" for --count (1 to 64)");
  EXPECT_FALSE(badEnvironment);
  EXPECT_EQ(QuoteForMessage("a\n\"b\\"), "\"a\\x0A\\\"b\\\\\"") << "a reason stays on one line";
  const char* const rootArgv[] = {"brisel", "-root"};
  EXPECT_FALSE(ParseProgramOptions(2, rootArgv, "0x", o, error, &badEnvironment));
  EXPECT_TRUE(badEnvironment) << error;
}

}  // namespace
