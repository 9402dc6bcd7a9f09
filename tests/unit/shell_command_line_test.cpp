// Tests of the command line: program name, mode choice and window numbers.
#include <gtest/gtest.h>

#include <string>

#include "shell/command_line.h"

namespace {

struct Case {
  const char* arguments;
  SaverMode mode;
  const char* rest = nullptr;  // expected text at `rest`, checked for Preview and ChangePassword
};

const char* Name(SaverMode mode) {
  switch (mode) {
    case SaverMode::ConfigureUnowned: return "ConfigureUnowned";
    case SaverMode::ConfigureOwned: return "ConfigureOwned";
    case SaverMode::FullScreen: return "FullScreen";
    case SaverMode::Preview: return "Preview";
    case SaverMode::ChangePassword: return "ChangePassword";
    case SaverMode::Unusable: return "Unusable";
  }
  return "?";
}

void ExpectChoices(const std::initializer_list<Case>& cases, bool win9x) {
  for (const Case& c : cases) {
    const ModeChoice choice = ChooseMode(c.arguments, win9x);
    EXPECT_STREQ(Name(c.mode), Name(choice.mode)) << "arguments \"" << c.arguments << "\"";
    if (c.rest != nullptr) {
      EXPECT_STREQ(c.rest, choice.rest) << "arguments \"" << c.arguments << "\"";
    }
  }
}

// A multi-byte step in which bytes 0x81..0x9F lead a two-byte character.
const char* StepDoubleByte(const char* text) {
  if (*text == 0) return text;
  const auto lead = static_cast<unsigned char>(*text);
  if (lead >= 0x81 && lead <= 0x9F && text[1] != 0) return text + 2;
  return text + 1;
}

}  // namespace

TEST(ChooseMode, NothingButSeparatorsOpensTheUnownedDialog) {
  ExpectChoices({{"", SaverMode::ConfigureUnowned},
                 {"/", SaverMode::ConfigureUnowned},
                 {"- /", SaverMode::ConfigureUnowned},
                 {"  --//", SaverMode::ConfigureUnowned}},
                false);
}

TEST(ChooseMode, SwitchLettersInEitherCase) {
  ExpectChoices({{"/S", SaverMode::FullScreen},
                 {"-s", SaverMode::FullScreen},
                 {"s", SaverMode::FullScreen},
                 {"//s", SaverMode::FullScreen},
                 {"/s 123", SaverMode::FullScreen},
                 {"/c", SaverMode::ConfigureOwned},
                 {"C", SaverMode::ConfigureOwned},
                 {"/c:1234", SaverMode::ConfigureOwned},
                 {"/P 5", SaverMode::Preview, "5"},
                 {"l 5", SaverMode::Preview, "5"},
                 {"-L5", SaverMode::Preview, "5"}},
                false);
}

TEST(ChooseMode, PreviewNumberFollowsDirectlyOrAfterBlanksOnly) {
  ExpectChoices({{"/p 1234", SaverMode::Preview, "1234"},
                 {"/p1234", SaverMode::Preview, "1234"},
                 {"/l 1234", SaverMode::Preview, "1234"},
                 {"/p   77 x", SaverMode::Preview, "77 x"},
                 {"/p:1234", SaverMode::Preview, ":1234"},
                 {"/p\t1234", SaverMode::Preview, "\t1234"},
                 {"/p", SaverMode::Preview, ""}},
                false);
  EXPECT_EQ(0u, ParseWindowNumber(ChooseMode("/p:1234", false).rest));
  EXPECT_EQ(1234u, ParseWindowNumber(ChooseMode("/p 1234", false).rest));
}

TEST(ChooseMode, PasswordChangeOnlyOnWin9x) {
  ExpectChoices({{"/a 99", SaverMode::Unusable}, {"A", SaverMode::Unusable}}, false);
  ExpectChoices({{"/a 99", SaverMode::ChangePassword, "99"},
                 {"-A", SaverMode::ChangePassword, ""},
                 {"/a:1234", SaverMode::ChangePassword, ":1234"}},
                true);
  EXPECT_EQ(0u, ParseWindowNumber(ChooseMode("/a:1234", true).rest));
}

TEST(ChooseMode, AnythingElseIsUnusable) {
  ExpectChoices({{"/x", SaverMode::Unusable},
                 {"/\ts", SaverMode::Unusable},
                 {"1", SaverMode::Unusable},
                 {"\x01s", SaverMode::Unusable},
                 {"\x80", SaverMode::Unusable},
                 {"/\xff", SaverMode::Unusable},
                 {"_s", SaverMode::Unusable}},
                false);
  ExpectChoices({{"/x", SaverMode::Unusable}, {"b", SaverMode::Unusable}}, true);
}

TEST(ParseWindowNumber, DigitsUntilTheFirstOtherByte) {
  EXPECT_EQ(0u, ParseWindowNumber(""));
  EXPECT_EQ(0u, ParseWindowNumber("x12"));
  EXPECT_EQ(0u, ParseWindowNumber("-12"));
  EXPECT_EQ(0u, ParseWindowNumber("+12"));
  EXPECT_EQ(0u, ParseWindowNumber(" 12"));
  EXPECT_EQ(12u, ParseWindowNumber("0012"));
  EXPECT_EQ(65802u, ParseWindowNumber("65802 more"));
  EXPECT_EQ(4294967295u, ParseWindowNumber("4294967295"));
}

TEST(ParseWindowNumber, WrapsModulo2To32) {
  EXPECT_EQ(0u, ParseWindowNumber("4294967296"));
  EXPECT_EQ(5u, ParseWindowNumber("4294967301"));
  // 10^20 mod 2^32
  EXPECT_EQ(1661992960u, ParseWindowNumber("100000000000000000000"));
}

TEST(SkipProgramName, UnquotedNameEndsAtFirstBlankOrControlByte) {
  EXPECT_STREQ("/s", SkipProgramName("saver.scr /s", StepOneByte));
  EXPECT_STREQ("/s", SkipProgramName("saver.scr\t/s", StepOneByte));
  EXPECT_STREQ("/s", SkipProgramName("C:\\a\xe9\xff.scr \t /s", StepOneByte));
  EXPECT_STREQ("Files\\s.scr /s", SkipProgramName("C:\\Program Files\\s.scr /s", StepOneByte));
  EXPECT_STREQ("", SkipProgramName("saver.scr", StepOneByte));
  EXPECT_STREQ("", SkipProgramName("saver.scr   ", StepOneByte));
  EXPECT_STREQ("", SkipProgramName("", StepOneByte));
}

TEST(SkipProgramName, QuotedNameIsSkippedWhole) {
  EXPECT_STREQ("/p 12", SkipProgramName("\"C:\\Program Files\\s.scr\" /p 12", StepOneByte));
  EXPECT_STREQ("/s", SkipProgramName("\"a b\"/s", StepOneByte));
  EXPECT_STREQ("", SkipProgramName("\"unterminated /s", StepOneByte));
  EXPECT_STREQ("", SkipProgramName("\"\"", StepOneByte));
}

TEST(SkipProgramName, DoubleByteCharacterHidingAQuoteIsOneStep) {
  // 0x82 leads a two-byte character whose second byte is a double quote.
  const std::string line = std::string("\"dir\x82\"x.scr\" /s");
  EXPECT_STREQ("/s", SkipProgramName(line.c_str(), StepDoubleByte));
  EXPECT_STREQ("x.scr\" /s", SkipProgramName(line.c_str(), StepOneByte));
}

TEST(SkipProgramName, WholeLineThroughModeChoice) {
  const char* line = "\"C:\\My Savers\\brisel.scr\"  /p 4711";
  const ModeChoice choice = ChooseMode(SkipProgramName(line, StepOneByte), false);
  EXPECT_EQ(SaverMode::Preview, choice.mode);
  EXPECT_EQ(4711u, ParseWindowNumber(choice.rest));
}
