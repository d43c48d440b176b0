#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "app/application.h"

namespace solvane {
namespace {

struct CommandLineCase {
  const char* text;
  RunMode mode;
  uint32_t parentWindow;
};

void PrintTo(const CommandLineCase& c, std::ostream* out) {
  *out << '[' << c.text << ']';
}

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, SelectsModeAndWindow) {
  const CommandLineCase& c = GetParam();
  uint32_t parent = 777;  // must be overwritten on every path
  EXPECT_EQ(ParseCommandLine(c.text, parent), c.mode) << c.text;
  EXPECT_EQ(parent, c.parentWindow) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    HostCommandLines, CommandLineTest,
    ::testing::Values(
        // Nothing but the program: configure without owner.
        CommandLineCase{"solvane.scr", RunMode::Configure, 0},
        CommandLineCase{"", RunMode::Configure, 0},
        CommandLineCase{"solvane.scr ", RunMode::Configure, 0},
        CommandLineCase{"solvane.scr /c:1234", RunMode::Configure, 1234},
        CommandLineCase{"solvane.scr /C", RunMode::Configure, 0},
        CommandLineCase{"solvane.scr -c 42", RunMode::Configure, 42},
        CommandLineCase{"solvane.scr /p 1234", RunMode::Preview, 1234},
        CommandLineCase{"solvane.scr -P 1234", RunMode::Preview, 1234},
        CommandLineCase{"solvane.scr /p", RunMode::Preview, 0},
        CommandLineCase{"solvane.scr /p abc 12x", RunMode::Preview, 12},
        CommandLineCase{"solvane.scr /s", RunMode::Saver, 0},
        CommandLineCase{"solvane.scr /S", RunMode::Saver, 0},
        CommandLineCase{"solvane.scr -s", RunMode::Saver, 0},
        CommandLineCase{"solvane.scr /a", RunMode::Saver, 0},
        CommandLineCase{"solvane.scr /x", RunMode::Saver, 0},
        CommandLineCase{"solvane.scr /t", RunMode::SaverT, 0},
        CommandLineCase{"solvane.scr /T", RunMode::SaverT, 0},
        // Switches inside a quoted program path are part of the path.
        CommandLineCase{"\"C:\\Program Files\\my-saver\\solvane.scr\" /s", RunMode::Saver, 0},
        CommandLineCase{"\"C:\\a/c-p\\solvane.scr\"", RunMode::Configure, 0},
        CommandLineCase{"\"C:\\a/c-p\\solvane.scr\" /p 99", RunMode::Preview, 99},
        // An unterminated quote swallows the whole line.
        CommandLineCase{"\"C:\\unterminated /s", RunMode::Configure, 0},
        // The hyphen inside a word is the switch, and b its letter.
        CommandLineCase{"solvane.scr foo-bar", RunMode::Saver, 0},
        CommandLineCase{"solvane.scr foo-c7", RunMode::Configure, 7},
        // A slash as the last character: nothing after the switch.
        CommandLineCase{"solvane.scr /", RunMode::Saver, 0},
        CommandLineCase{"solvane.scr garbage/", RunMode::Saver, 0},
        // The first switch decides; later ones are ignored.
        CommandLineCase{"solvane.scr /c /s", RunMode::Configure, 0},
        // A switch letter in the unquoted program name is not looked at.
        CommandLineCase{"/s", RunMode::Configure, 0},
        // Window numbers that do not fit 32 bits saturate instead of wrapping to a real handle.
        CommandLineCase{"solvane.scr /p 4294967295", RunMode::Preview, 4294967295u},
        CommandLineCase{"solvane.scr /p 4294967296", RunMode::Preview, 4294967295u},
        CommandLineCase{"solvane.scr /c:99999999999999999999999999", RunMode::Configure,
                        4294967295u}),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) {
      return "case" + std::to_string(info.index);
    });

}  // namespace
}  // namespace solvane
