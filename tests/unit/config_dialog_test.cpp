#include "ui/config_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "platform/posix/settings_file.h"
#include "tests/support/headless_fixture.h"

namespace solvane::ui {
namespace {

// Remembers what the model made each control show; tests act as the user on it.
struct FakeView final : DialogView {
  void SetCaption(const std::string&) override {}
  void SetText(int control, const std::string& text) override { texts[control] = text; }
  void SetChecked(int control, bool value) override { checked[control] = value; }
  bool IsChecked(int control) override { return checked[control]; }
  void Enable(int control, bool value) override { enabled[control] = value; }
  void SetSliderRange(int control, int low, int high, int page) override {
    ranges[control] = {low, high, page};
  }
  void SetSliderPosition(int control, int position) override { positions[control] = position; }
  int SliderPosition(int control) override { return positions[control]; }
  void AddListItem(int, const std::string& text) override { items.push_back(text); }
  void SelectListItem(int, const std::string& text) override {
    selected = std::count(items.begin(), items.end(), text) ? text : "";
  }
  std::string SelectedListItem(int) override { return selected; }
  void OpenWebAddress(const std::string& address) override { opened.push_back(address); }
  void ShowAbout() override { ++aboutShown; }
  void EndDialog(int value) override { result = value; }

  std::map<int, std::string> texts;
  std::map<int, bool> checked, enabled;
  std::map<int, std::vector<int>> ranges;
  std::map<int, int> positions;
  std::vector<std::string> items, opened;
  std::string selected;
  int aboutShown = 0, result = 0;
};

class ConfigDialogTest : public ::solvane::testing::HeadlessTest {
 protected:
  // A configuration run's start with the stored values, "Name=value" lines as the file holds.
  void Open(std::string_view stored = "", HeadlessOptions options = {}) {
    options.commandLine = "solvane /c";
    HeadlessPlatform& p = Install(std::move(options));
    for (const auto& [name, value] : ParseSettingsFile(stored).values) p.Store().Set(name, value);
    Application app;
    LoadSettings(app);
    dialog_.Initialise();
  }
  void ExpectStored(std::string_view expected) {
    for (const auto& [name, value] : ParseSettingsFile(expected).values)
      EXPECT_EQ(platform().Store().Get(name), value) << name;
  }

  FakeView view_;
  ConfigDialog dialog_{view_};
};

TEST_F(ConfigDialogTest, StartingStates) {
  Open(
      "UseDesktop=0\nWidth=1024\nHeight=768\nDepth=32\nEnableMusic=0\nDefGamma=0\nGamma=0\n"
      "Volume=30\nSpeed=70");
  EXPECT_EQ(view_.texts[kVolumeLabel], "Volume (30%)");
  EXPECT_EQ(view_.texts[kBrightnessLabel], "Brightness (50%)") << "gamma 0 reads 50 %";
  EXPECT_EQ(view_.selected, "1024 x 768 32 bits");
  EXPECT_EQ((std::vector{view_.enabled[kModeList], view_.enabled[kVolumeSlider],
                         view_.enabled[kVolumeLabel], view_.enabled[kGammaSlider]}),
            (std::vector{true, false, false, true}));
  EXPECT_EQ(view_.ranges, (std::map<int, std::vector<int>>{{kVolumeSlider, {1, 100, 10}},
                                                           {kGammaSlider, {0, 100, 10}},
                                                           {kCameraSlider, {0, 100, 10}}}));
  EXPECT_EQ(view_.positions,
            (std::map<int, int>{{kVolumeSlider, 30}, {kGammaSlider, 0}, {kCameraSlider, 70}}));
}

TEST_F(ConfigDialogTest, ModeListSkipsSmallModesAndRepeats) {
  HeadlessOptions options;
  options.displayModes = {{320, 200, 32}, {640, 480, 8},  {640, 480, 16},  {640, 480, 16},
                          {800, 600, 32}, {800, 600, 32}, {1024, 768, 32}, {800, 600, 32},
                          {639, 480, 32}, {640, 479, 32}, {1024, 768, 32}, {-1, 1080, 32}};
  options.desktop = {800, 600, 32};
  Open("UseDesktop=1", options);
  EXPECT_EQ(view_.items, (std::vector<std::string>{"640 x 480 16 bits", "800 x 600 32 bits",
                                                   "1024 x 768 32 bits", "800 x 600 32 bits",
                                                   "1024 x 768 32 bits", "-1 x 1080 32 bits"}));
  EXPECT_EQ(view_.selected, "800 x 600 32 bits") << "the desktop's mode";
  EXPECT_FALSE(view_.enabled[kModeList]);
}

TEST_F(ConfigDialogTest, TogglesAndTheirEnabledStatesThenCancel) {
  Open("UseDesktop=0\nWidth=640\nHeight=480\nDepth=32\nEnableMusic=1\nShowClock=1\nDefGamma=1");
  struct Case {
    int control;
    bool Settings::*flag;
    int dependent;  // a control enabled with the flag (0: none), or disabled with it (negative)
  };
  for (const Case& c :
       {Case{kMusic, &Settings::music, kVolumeSlider},
        Case{kShowTime, &Settings::showTime, kClock12}, Case{kShowFps, &Settings::showFps, 0},
        Case{kVsync, &Settings::vsync, 0}, Case{kExitOnMouseMove, &Settings::exitOnMouseMove, 0},
        Case{kDefaultGamma, &Settings::defaultGamma, -kGammaSlider},
        Case{kUseDesktop, &Settings::useDesktop, -kModeList}}) {
    for (int round = 0; round < 2; ++round) {
      const bool before = settings.*c.flag;
      dialog_.Command(c.control);
      EXPECT_EQ(settings.*c.flag, !before) << c.control;
      EXPECT_EQ(view_.checked[c.control], !before) << c.control;
      if (c.dependent == 0) continue;
      EXPECT_EQ(view_.enabled[std::abs(c.dependent)], (c.dependent > 0) != before) << c.control;
    }
  }
  dialog_.Command(kCancel);
  EXPECT_EQ(view_.result, 2);
  EXPECT_EQ(platform().Store().writes, 0) << "nothing is stored but by OK";
}

TEST_F(ConfigDialogTest, SlidersReportOnPageAndTrackOnly) {
  Open("EnableMusic=1\nVolume=40\nDefGamma=0");
  using enum ScrollCode;
  int volume = 40;
  for (ScrollCode code :
       {LineUp, LineDown, ThumbPosition, Top, Bottom, EndScroll, PageUp, PageDown, ThumbTrack}) {
    const bool reads = code == PageUp || code == PageDown || code == ThumbTrack;
    ++volume;
    view_.positions = {
        {kVolumeSlider, volume}, {kGammaSlider, volume + 1}, {kCameraSlider, volume + 2}};
    dialog_.Scroll(code);
    EXPECT_EQ(settings.musicVolume == volume, reads) << int(code);
    EXPECT_EQ(settings.gamma == volume + 1, reads) << int(code);
    EXPECT_EQ(settings.cameraSpeed == volume + 2, reads) << int(code);
    if (!reads) continue;
    EXPECT_EQ(view_.texts[kVolumeLabel], "Volume (" + std::to_string(volume) + "%)");
    EXPECT_EQ(view_.texts[kBrightnessLabel], "Brightness (" + std::to_string(volume + 51) + "%)");
  }
}

TEST_F(ConfigDialogTest, OkStoresWhatTheDialogShows) {
  Open(
      "UseDesktop=0\nWidth=800\nHeight=600\nDepth=32\nTimeFormat=1\nEnableMusic=1\nDefGamma=0\n"
      "ShowClock=1");
  dialog_.Command(kShowFps);
  dialog_.Command(kVsync);
  view_.SelectListItem(kModeList, "1280 x 1024 32 bits");
  view_.checked[kClock12] = false;
  view_.checked[kClock24] = true;
  // Arrow keys moved the sliders: no notification, but OK reads them back.
  view_.positions = {{kVolumeSlider, 63}, {kGammaSlider, 21}, {kCameraSlider, 77}};
  dialog_.Command(kOk);
  EXPECT_EQ(view_.result, 1);
  ExpectStored(
      "ShowClock=1\nTimeFormat=0\nEnableMusic=1\nUseDesktop=0\nShowFlame=0\nDefGamma=0\n"
      "Width=1280\nHeight=1024\nDepth=32\nVolume=63\nSpeed=77\nGamma=21\nVSync=1\n"
      "MouseExit=0\nShowFPS=1");
  EXPECT_EQ(platform().Store().size(), 15u);
  // Without a selection (the stored mode is not offered) the mode stays.
  Open("UseDesktop=0\nWidth=1000\nHeight=700\nDepth=24");
  EXPECT_EQ(view_.selected, "");
  dialog_.Command(kOk);
  ExpectStored("Width=1000\nHeight=700\nDepth=24");
}

TEST_F(ConfigDialogTest, DefaultGammaRestoreDefaultsVisitAndAbout) {
  Open("UseDesktop=0\nWidth=640\nHeight=480\nShowFPS=1\nEnableMusic=0\nDefGamma=0\nGamma=100");
  EXPECT_EQ(view_.texts[kBrightnessLabel], "Brightness (150%)");
  for (int round = 0; round < 2; ++round) {  // ticking resets the gamma, and so does unticking
    view_.positions[kGammaSlider] = 80;
    dialog_.Scroll(ScrollCode::ThumbTrack);
    dialog_.Command(kDefaultGamma);
    EXPECT_EQ(std::pair(settings.gamma, view_.positions[kGammaSlider]), std::pair(50, 50)) << round;
    EXPECT_EQ(view_.texts[kBrightnessLabel], "Brightness (100%)") << round;
  }
  dialog_.Command(kRestoreDefaults);
  EXPECT_EQ(settings, defaultSettings);
  const Settings& d = defaultSettings;
  EXPECT_EQ((std::vector{view_.checked[kShowFps], view_.enabled[kVolumeSlider],
                         view_.enabled[kGammaSlider], view_.enabled[kModeList]}),
            (std::vector{d.showFps, d.music, !d.defaultGamma, !d.useDesktop}));
  EXPECT_EQ(view_.positions[kGammaSlider], d.gamma);
  dialog_.Command(kVisit);
  EXPECT_EQ(view_.opened, std::vector<std::string>{webSiteAddress});
  dialog_.Command(kAbout);
  EXPECT_EQ(std::pair(view_.aboutShown, view_.result), std::pair(1, 0)) << "neither ends it";
}

}  // namespace
}  // namespace solvane::ui
