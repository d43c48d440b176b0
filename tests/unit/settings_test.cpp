#include "app/settings.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/posix/settings_file.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

class SettingsTest : public ::solvane::testing::HeadlessTest {
 protected:
  void Load(const std::string& text) {
    LoadDefaultsText({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }
  const std::vector<std::pair<std::string, std::string>>& Boxes() {
    return platform().Record().messageBoxes;
  }
  // The settings a run uses with the stored "Name=value" lines and a 1280 x 1024 desktop.
  Settings LoadWith(std::string_view stored) {
    HeadlessOptions options;
    options.desktop = {1280, 1024, 32};
    Install(options);
    for (const auto& [name, value] : ParseSettingsFile(stored).values)
      platform().Store().Set(name, value);
    Application app;
    LoadSettings(app);
    EXPECT_EQ(platform().Store().writes, 0) << "loading never writes";
    return settings;
  }
};

TEST_F(SettingsTest, ByteRules) {
  const struct {
    const char* name;
    std::string text;
    std::vector<DefaultsEntry> entries;
    size_t formatBoxes;  // lines without '='
  } cases[] = {
      {"crlf lines", "MW=800\r\nMH=600\r\n", {{"MW", "800"}, {"MH", "600"}}, 0},
      {"last line without end", "A=1\r\nB=2", {{"A", "1"}, {"B", "2"}}, 0},
      {"lone LF joins lines", "A=1\nB=2\r\n", {{"A", "1B=2"}}, 0},
      {"CR without LF ends a line", "A=1\rB=2\r\r\n", {{"A", "1"}, {"B", "2"}}, 0},
      {"blanks removed", " A = b c\t\r\n", {{"A", "bc"}}, 0},
      {"comment cut", "X=1;two=2\r\n", {{"X", "1"}}, 0},
      {"comment and blank lines skipped", "; note\r\n   \r\n\t\r\n;\r\n", {}, 0},
      {"code-page letters dropped", "\xc0\xe1=\xe2 5\r\n", {{"", "5"}}, 0},
      {"control bytes dropped", std::string("a=1\0b\x7f", 6) + "\r\n", {{"a", "1b\x7f"}}, 0},
      {"empty value", "K=\r\n", {{"K", ""}}, 0},
      {"first '=' splits", "K=a=b\r\n", {{"K", "a=b"}}, 0},
      {"no '=' stores the line twice", "oops\r\nA=1\r\n", {{"oops", "oops"}, {"A", "1"}}, 1},
  };
  for (const auto& c : cases) {
    Install({});
    Load("main_web_site_url=x\r\n" + c.text);
    std::vector<DefaultsEntry> expected = {{"main_web_site_url", "x"}};
    expected.insert(expected.end(), c.entries.begin(), c.entries.end());
    EXPECT_EQ(defaultsTable, expected) << c.name;
    EXPECT_EQ(Boxes().size(), c.formatBoxes) << c.name;
  }
  EXPECT_EQ(Boxes().back(), (std::pair<std::string, std::string>{
                                "неправильный формат файла def_settings.txt", ""}));
}

TEST_F(SettingsTest, LookupsIgnoreTheKeysCaseAndStopAtTheHundredthEntry) {
  std::string text =
      "MW=800\r\nFlag=True\r\na=true\r\nb=false\r\nc=true1\r\nmain_web_site_url=x\r\n";
  for (int i = 0; i < 150; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  Load(text);
  EXPECT_EQ(webSiteAddress, "x");
  for (const auto& [key, value] :
       {std::pair{"mw", 800}, {"Mw", 800}, {"flag", 0}, {"a", 1}, {"b", 0}, {"c", 0}, {"k93", 93}})
    EXPECT_EQ(DefaultsInt(key), value) << key;
  EXPECT_TRUE(Boxes().empty());
  // The 101st entry was not kept: a missing key shows its name and reads as zero.
  EXPECT_EQ(DefaultsValue("K94"), "");
  EXPECT_EQ(Boxes(), (std::vector<std::pair<std::string, std::string>>{
                         {"Не найден параметр в файле def_settings.txt", "k94"}}));
}

TEST(LeadingIntegerTest, Values) {
  using Case = std::pair<const char*, int32_t>;
  for (const auto& [text, value] :
       {Case{"75", 75}, Case{"-12abc", -12}, Case{"+7", 7}, Case{"abc", 0}, Case{"", 0},
        Case{"007", 7}, Case{"--3", 0}, Case{"2147483647", INT32_MAX},
        Case{"2147483648", INT32_MAX}, Case{"-2147483648", INT32_MIN},
        Case{"-99999999999999999999", INT32_MIN}})
    EXPECT_EQ(LeadingInteger(text), value) << text;
}

TEST_F(SettingsTest, EachKeyFillsItsOwnField) {
  Load(
      "MW=1\r\nMH=2\r\nMBitCount=3\r\nMusic=true\r\nMusicVolume=4\r\nShowTime=0\r\n"
      "DigClock_24H=1\r\nGammControl=57\r\nDefGamma=false\r\nExitOnMouseMove=1\r\n"
      "ShowFPS=0\r\nUseDktpSet=1\r\nCameraSpeed=5\r\nmain_web_site_url=x");
  Settings record{.vsync = true, .content = ""};  // vsync: not a defaults field, must survive
  ApplyDefaults(record);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(FormatSettings(record),
            "music=1\nshowTime=0\nshowFps=0\nvsync=1\nuseDesktop=1\nexitOnMouseMove=1\n"
            "defaultGamma=0\nclock12h=1\ncameraSpeed=5\nmusicVolume=4\ngamma=7\nwidth=1\n"
            "height=2\nbitsPerPixel=3\nmaxFps=0\ncontent=\n");
}

TEST_F(SettingsTest, StoredValuesOverrideFieldByField) {
  const struct {
    const char* name;
    const char* stored;
    const char* fields;  // lines the settings' report must hold
  } cases[] = {
      {"fresh user: the shipped values, the desktop's mode", "",
       "music=1\nshowTime=1\nclock12h=1\nmusicVolume=75\nwidth=1280\nheight=1024"},
      {"any non-zero flag is on", "ShowFPS=2", "showFps=1"},
      {"10000 is absent", "Volume=10000", "musicVolume=75"},
      {"9999 is a value", "Volume=9999", "musicVolume=9999"},
      {"DefGamma forces 50", "Gamma=80\nDefGamma=1", "gamma=50"},
      {"gamma applies without DefGamma", "Gamma=80\nDefGamma=0", "defaultGamma=0\ngamma=80"},
      {"names ignore case", "showfps=1", "showFps=1"},
      {"stored mode without desktop", "UseDesktop=0\nWidth=1024\nHeight=768",
       "width=1024\nheight=768"},
      {"desktop wins over a stored mode", "Width=1024\nHeight=768", "width=1280\nheight=1024"},
      {"zero width: the desktop's", "UseDesktop=0\nWidth=0", "width=1280\nheight=1024"},
      {"negative height: the desktop's", "UseDesktop=0\nHeight=-1", "width=1280\nheight=1024"},
      {"numbers are signed", "Speed=4294967295", "cameraSpeed=-1"},
      {"every name is read", "VSync=1\nTimeFormat=0\nMouseExit=1\nShowClock=0\nEnableMusic=0",
       "vsync=1\nclock12h=0\nexitOnMouseMove=1\nshowTime=0\nmusic=0"},
      {"Depth is read", "UseDesktop=0\nDepth=16", "useDesktop=0\nbitsPerPixel=16"},
  };
  for (const auto& c : cases) {
    const std::string report = "\n" + FormatSettings(LoadWith(c.stored));
    std::stringstream fields(c.fields);
    for (std::string line; std::getline(fields, line);) {
      EXPECT_NE(report.find("\n" + line + "\n"), std::string::npos) << c.name << ": " << line;
    }
  }
  // The defaults keep the text's mode, and the stored VSync, which the text does not hold.
  LoadWith("VSync=1\nShowFPS=1");
  EXPECT_EQ((std::tuple{defaultSettings.width, defaultSettings.height, defaultSettings.vsync,
                        defaultSettings.showFps}),
            (std::tuple{800, 600, true, false}));
}

}  // namespace
}  // namespace solvane
