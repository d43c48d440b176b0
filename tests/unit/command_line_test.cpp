#include <gtest/gtest.h>

#include <tuple>

#include "app/application.h"

namespace solvane {
namespace {

TEST(CommandLineTest, SelectsModeAndWindow) {
  using enum RunMode;
  using Case = std::tuple<const char*, RunMode, uint32_t>;  // the line, its mode, the window
  for (const auto& [text, mode, parentWindow] :
       {Case{"solvane.scr", Configure, 0}, Case{"", Configure, 0},
        Case{"solvane.scr /c:1234", Configure, 1234}, Case{"solvane.scr -c 42", Configure, 42},
        Case{"solvane.scr /p 1234", Preview, 1234}, Case{"solvane.scr -P 1234", Preview, 1234},
        Case{"solvane.scr /p", Preview, 0}, Case{"solvane.scr /p abc 12x", Preview, 12},
        Case{"solvane.scr /s", Saver, 0}, Case{"solvane.scr /t", SaverT, 0},
        Case{"solvane.scr /T", SaverT, 0},
        // Switches in a quoted program path are part of it; an open quote takes the whole line.
        Case{"\"C:\\Program Files\\my-saver\\solvane.scr\" /s", Saver, 0},
        Case{"\"C:\\a/c-p\\solvane.scr\" /p 99", Preview, 99},
        Case{"\"C:\\unterminated /s", Configure, 0},
        // The hyphen inside a word is the switch, and b its letter; a slash last: no letter.
        Case{"solvane.scr foo-bar", Saver, 0}, Case{"solvane.scr foo-c7", Configure, 7},
        Case{"solvane.scr garbage/", Saver, 0},
        // The first switch decides; a switch letter in the unquoted program name is not one.
        Case{"solvane.scr /c /s", Configure, 0}, Case{"/s", Configure, 0},
        // Window numbers that do not fit 32 bits saturate instead of wrapping to a real one.
        Case{"solvane.scr /p 4294967295", Preview, 4294967295u},
        Case{"solvane.scr /p 4294967296", Preview, 4294967295u},
        Case{"solvane.scr /c:99999999999999999999999999", Configure, 4294967295u}}) {
    uint32_t parent = 777;  // must be overwritten on every path
    EXPECT_EQ(ParseCommandLine(text, parent), mode) << text;
    EXPECT_EQ(parent, parentWindow) << text;
  }
}

}  // namespace
}  // namespace solvane
