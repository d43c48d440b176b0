#include "app/settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using ::solvane::testing::HeadlessTest;

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class DefaultsTextTest : public HeadlessTest {
 protected:
  void Load(const std::string& text) { LoadDefaultsText(Bytes(text)); }
  size_t Boxes() { return platform().Record().messageBoxes.size(); }
};

struct ParseCase {
  const char* name;
  std::string text;
  std::vector<DefaultsEntry> entries;
  size_t formatBoxes;  // lines without '='
};

TEST_F(DefaultsTextTest, ByteRules) {
  const std::vector<ParseCase> cases = {
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
  for (const ParseCase& c : cases) {
    Install({});
    Load("main_web_site_url=x\r\n" + c.text);
    std::vector<DefaultsEntry> expected = {{"main_web_site_url", "x"}};
    expected.insert(expected.end(), c.entries.begin(), c.entries.end());
    EXPECT_EQ(defaultsTable, expected) << c.name;
    EXPECT_EQ(Boxes(), c.formatBoxes) << c.name;
  }
}

TEST_F(DefaultsTextTest, FormatMessageIsTheProgramsOwn) {
  Load("broken\r\nmain_web_site_url=x");
  ASSERT_EQ(Boxes(), 1u);
  EXPECT_EQ(platform().Record().messageBoxes[0].first,
            "неправильный формат файла def_settings.txt");
  EXPECT_EQ(platform().Record().messageBoxes[0].second, "");
}

TEST_F(DefaultsTextTest, KeepsTheFirstHundredEntries) {
  std::string text = "main_web_site_url=x\r\n";
  for (int i = 0; i < 150; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  Load(text);
  EXPECT_EQ(defaultsTable.size(), kMaxDefaultsEntries);
  EXPECT_EQ(DefaultsInt("k98"), 98);
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(DefaultsTextTest, KeysMatchIgnoringCaseValuesDoNot) {
  Load("MW=800\r\nFlag=True\r\nmain_web_site_url=x\r\n");
  EXPECT_EQ(DefaultsValue("mw"), "800");
  EXPECT_EQ(DefaultsValue("Mw"), "800");
  EXPECT_EQ(DefaultsInt("flag"), 0);
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(DefaultsTextTest, MissingKeyShowsItsNameAndReadsAsZero) {
  Load("main_web_site_url=x\r\n");
  EXPECT_EQ(DefaultsValue("NoSuchKey"), "");
  EXPECT_EQ(DefaultsInt("NoSuchKey"), 0);
  ASSERT_EQ(Boxes(), 2u);
  EXPECT_EQ(platform().Record().messageBoxes[0].first,
            "Не найден параметр в файле def_settings.txt");
  EXPECT_EQ(platform().Record().messageBoxes[0].second, "nosuchkey");
}

TEST_F(DefaultsTextTest, TrueAndFalseAreExactWords) {
  Load("a=true\r\nb=false\r\nc=True\r\nd=FALSE\r\ne=true1\r\nmain_web_site_url=x");
  EXPECT_EQ(DefaultsInt("a"), 1);
  EXPECT_EQ(DefaultsInt("b"), 0);
  EXPECT_EQ(DefaultsInt("c"), 0);
  EXPECT_EQ(DefaultsInt("d"), 0);
  EXPECT_EQ(DefaultsInt("e"), 0);
}

TEST(LeadingIntegerTest, Values) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"75", 75},
      {"-12abc", -12},
      {"+7", 7},
      {"abc", 0},
      {"", 0},
      {"007", 7},
      {"--3", 0},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-99999999999999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(LeadingInteger(c.text), c.value) << c.text;
}

TEST_F(DefaultsTextTest, ShippedTextGivesTheShippedDefaults) {
  LoadDefaultsText();
  EXPECT_EQ(defaultsTable.size(), 23u);
  EXPECT_EQ(Boxes(), 0u);
  EXPECT_FALSE(webSiteAddress.empty());

  Settings record;
  record.vsync = true;  // not a defaults field: must survive
  ApplyDefaults(record);
  Settings expected;
  expected.music = true;
  expected.showTime = true;
  expected.showFps = false;
  expected.vsync = true;
  expected.useDesktop = true;
  expected.exitOnMouseMove = false;
  expected.defaultGamma = true;
  expected.clock12h = true;
  expected.cameraSpeed = 50;
  expected.musicVolume = 75;
  expected.gamma = 50;
  expected.width = 800;
  expected.height = 600;
  expected.bitsPerPixel = 32;
  EXPECT_EQ(record, expected);
  EXPECT_EQ(Boxes(), 0u);
}

class StoredSettingsTest : public HeadlessTest {
 protected:
  // The settings a run would use, with `stored` in the store and the given desktop.
  Settings LoadWith(const std::vector<std::pair<const char*, uint32_t>>& stored,
                    DisplayMode desktop = {1280, 1024, 32}) {
    HeadlessOptions options;
    options.desktop = desktop;
    Install(options);
    for (const auto& [name, value] : stored) platform().Store().Set(name, value);
    Application app;
    LoadSettings(app);
    return settings;
  }
};

TEST_F(StoredSettingsTest, FreshUserGetsShippedDefaultsAndTheDesktopMode) {
  const Settings s = LoadWith({});
  EXPECT_TRUE(s.music);
  EXPECT_EQ(s.musicVolume, 75);
  EXPECT_TRUE(s.showTime);
  EXPECT_TRUE(s.clock12h);
  EXPECT_FALSE(s.showFps);
  EXPECT_EQ(s.gamma, 50);
  EXPECT_TRUE(s.defaultGamma);
  EXPECT_EQ(s.cameraSpeed, 50);
  EXPECT_FALSE(s.vsync);
  EXPECT_EQ(s.width, 1280);
  EXPECT_EQ(s.height, 1024);
  // The defaults keep the text's mode, not the desktop's.
  EXPECT_EQ(defaultSettings.width, 800);
  EXPECT_EQ(defaultSettings.height, 600);
}

TEST_F(StoredSettingsTest, StoredValuesOverrideFieldByField) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, uint32_t>> stored;
    bool (*check)(const Settings&);
  };
  const std::vector<Case> cases = {
      {"ShowFPS on", {{"ShowFPS", 1}}, [](const Settings& s) { return s.showFps; }},
      {"any non-zero flag is on", {{"ShowFPS", 2}}, [](const Settings& s) { return s.showFps; }},
      {"10000 is absent",
       {{"Volume", 10000}},
       [](const Settings& s) { return s.musicVolume == 75; }},
      {"9999 is a value",
       {{"Volume", 9999}},
       [](const Settings& s) { return s.musicVolume == 9999; }},
      {"DefGamma forces 50",
       {{"Gamma", 80}, {"DefGamma", 1}},
       [](const Settings& s) { return s.gamma == 50; }},
      {"gamma applies without DefGamma",
       {{"Gamma", 80}, {"DefGamma", 0}},
       [](const Settings& s) { return s.gamma == 80 && !s.defaultGamma; }},
      {"names ignore case", {{"showfps", 1}}, [](const Settings& s) { return s.showFps; }},
      {"stored mode without desktop",
       {{"UseDesktop", 0}, {"Width", 1024}, {"Height", 768}},
       [](const Settings& s) { return s.width == 1024 && s.height == 768; }},
      {"desktop wins over a stored mode",
       {{"Width", 1024}, {"Height", 768}},
       [](const Settings& s) { return s.width == 1280 && s.height == 1024; }},
      {"zero width falls back to the desktop",
       {{"UseDesktop", 0}, {"Width", 0}},
       [](const Settings& s) { return s.width == 1280 && s.height == 1024; }},
      {"negative height falls back to the desktop",
       {{"UseDesktop", 0}, {"Height", 0xFFFFFFFF}},
       [](const Settings& s) { return s.width == 1280 && s.height == 1024; }},
      {"numbers are signed",
       {{"Speed", 0xFFFFFFFF}},
       [](const Settings& s) { return s.cameraSpeed == -1; }},
      {"VSync is read", {{"VSync", 1}}, [](const Settings& s) { return s.vsync; }},
      {"TimeFormat off", {{"TimeFormat", 0}}, [](const Settings& s) { return !s.clock12h; }},
      {"MouseExit on", {{"MouseExit", 1}}, [](const Settings& s) { return s.exitOnMouseMove; }},
  };
  for (const Case& c : cases) EXPECT_TRUE(c.check(LoadWith(c.stored))) << c.name;
}

TEST_F(StoredSettingsTest, DefaultsKeepTheLoadedVsync) {
  LoadWith({{"VSync", 1}, {"ShowFPS", 1}});
  EXPECT_TRUE(defaultSettings.vsync);
  EXPECT_FALSE(defaultSettings.showFps);
}

TEST_F(StoredSettingsTest, LoadingNeverWrites) {
  LoadWith({{"ShowFPS", 1}});
  EXPECT_EQ(platform().Store().writes, 0);
  EXPECT_EQ(platform().Store().size(), 1u);
}

TEST_F(StoredSettingsTest, WriteStoresEveryFieldAndReadsBack) {
  Settings written = LoadWith({});
  written.showFps = true;
  written.useDesktop = false;
  written.defaultGamma = false;
  written.gamma = 20;
  written.width = 1024;
  written.height = 768;
  written.cameraSpeed = 0;
  written.vsync = true;
  settings = written;
  WriteRegistrySettings();
  EXPECT_EQ(platform().Store().writes, 1);
  EXPECT_EQ(platform().Store().size(), 15u);
  EXPECT_EQ(platform().Store().Get("ShowFlame"), 0u);

  auto& store = platform().Store();
  std::vector<std::pair<std::string, uint32_t>> saved;
  for (const char* name :
       {"ShowClock", "TimeFormat", "EnableMusic", "UseDesktop", "DefGamma", "Width", "Height",
        "Depth", "Volume", "Gamma", "Speed", "ShowFPS", "VSync", "MouseExit"}) {
    saved.emplace_back(name, store.Get(name));
  }
  std::vector<std::pair<const char*, uint32_t>> stored;
  for (const auto& [name, value] : saved) stored.emplace_back(name.c_str(), value);
  EXPECT_EQ(LoadWith(stored), written);
}

}  // namespace
}  // namespace solvane
