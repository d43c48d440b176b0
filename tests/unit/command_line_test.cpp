#include <gtest/gtest.h>

#include "app/application.h"

namespace solvane {
namespace {

TEST(CommandLineTest, SelectsModeAndWindow) {
  const struct {
    const char* text;
    RunMode mode;
    uint32_t parentWindow;
  } cases[] = {
      {"solvane.scr", RunMode::Configure, 0},
      {"", RunMode::Configure, 0},
      {"solvane.scr /c:1234", RunMode::Configure, 1234},
      {"solvane.scr -c 42", RunMode::Configure, 42},
      {"solvane.scr /p 1234", RunMode::Preview, 1234},
      {"solvane.scr -P 1234", RunMode::Preview, 1234},
      {"solvane.scr /p", RunMode::Preview, 0},
      {"solvane.scr /p abc 12x", RunMode::Preview, 12},
      {"solvane.scr /s", RunMode::Saver, 0},
      {"solvane.scr /t", RunMode::SaverT, 0},
      {"solvane.scr /T", RunMode::SaverT, 0},
      // Switches inside a quoted program path are part of the path.
      {"\"C:\\Program Files\\my-saver\\solvane.scr\" /s", RunMode::Saver, 0},
      {"\"C:\\a/c-p\\solvane.scr\" /p 99", RunMode::Preview, 99},
      // An unterminated quote swallows the whole line.
      {"\"C:\\unterminated /s", RunMode::Configure, 0},
      // The hyphen inside a word is the switch, and b its letter.
      {"solvane.scr foo-bar", RunMode::Saver, 0},
      {"solvane.scr foo-c7", RunMode::Configure, 7},
      {"solvane.scr garbage/", RunMode::Saver, 0},  // a slash last: nothing after it
      // The first switch decides; later ones are ignored.
      {"solvane.scr /c /s", RunMode::Configure, 0},
      // A switch letter in the unquoted program name is not looked at.
      {"/s", RunMode::Configure, 0},
      // Window numbers that do not fit 32 bits saturate instead of wrapping to a real handle.
      {"solvane.scr /p 4294967295", RunMode::Preview, 4294967295u},
      {"solvane.scr /p 4294967296", RunMode::Preview, 4294967295u},
      {"solvane.scr /c:99999999999999999999999999", RunMode::Configure, 4294967295u},
  };
  for (const auto& c : cases) {
    uint32_t parent = 777;  // must be overwritten on every path
    EXPECT_EQ(ParseCommandLine(c.text, parent), c.mode) << c.text;
    EXPECT_EQ(parent, c.parentWindow) << c.text;
  }
}

}  // namespace
}  // namespace solvane
