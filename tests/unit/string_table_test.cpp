// The dialogs' string table: loading the lines, lookups with their tolerance, the About lines.
#include "app/string_table.h"

#include <gtest/gtest.h>

#include <string>

namespace solvane {
namespace {

void Load(const std::string& text) {
  LoadStringTable(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TEST(StringTableTest, LookupsAndTheirTolerance) {
  const char kText[] =
      "---- comment ----\r\n#VSync#\r\nVSync\r\n#Show_FPS#\r\nShow FPS\r\n"
      "#camera_speed#\r\nCamera Speed\r\n#no_closing\r\nOpen key\r\n"
      "#a\0b#\r\nzero dropped\r\n#looks_like_a_key#\r\n#last_key#";
  Load(std::string(kText, sizeof kText - 1));
  const struct {
    const char* key;
    const char* text;
  } cases[] = {
      {"VSYNC", "VSync"},
      {"show_fps", "Show FPS"},
      {"camera", ""},
      {"camera_speed", "Camera Speed"},
      {"no_closing", "Open key"},
      {"no_closin", "Open key"},
      {"no_closi", ""},  // three characters short
      {"looks_like_a_key", "#last_key#"},
      {"ab", "zero dropped"},
      {"last_key", ""},  // the very last line has no text after it
      {"missing", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LookupText(c.key), c.text) << c.key;
  EXPECT_EQ(stringTable.lines[0], "---- comment ----") << "comments are kept as lines";

  std::string text;  // the table keeps 200 lines
  for (int i = 0; i < 250; ++i) text += "#k" + std::to_string(i) + "#\n" + std::to_string(i) + "\n";
  Load(text);
  EXPECT_EQ(stringTable.lines.size(), kMaxStringTableLines);
  EXPECT_EQ(LookupText("k99"), "99");
  EXPECT_EQ(LookupText("k100"), "") << "beyond the table";
}

TEST(StringTableTest, AboutLinesSplitAtPercent) {
  Load("#about_window_text#\r\nTitle%Line two%%Four\r\n");
  const std::string kLines[] = {"Title", "Line two", "", "Four", "", "", ""};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(AboutLines[i], kLines[i]) << i;
  Load("#about_window_text#\r\n1%2%3%4%5%6%7%8%9\r\n");
  EXPECT_EQ(AboutLines[6], "7") << "breaks past the seventh line drop the rest";
  Load("");
  for (const std::string& line : AboutLines) EXPECT_EQ(line, "");
}

}  // namespace
}  // namespace solvane
