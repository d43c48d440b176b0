// The options of one run: how the command line is read, and what a host's window run does.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "app/run_options.h"
#include "app/settings.h"
#include "objects/view.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

ParsedRunOptions Parse(std::vector<std::string_view> args) {
  return ParseRunOptions(args);
}

TEST(RunOptionsTest, NumbersAreTakenUpToTheirLimitsAndRefusedPastThem) {
  for (const auto& [name, high, field] : {std::tuple{"--volume", 100, &RunOptions::volume},
                                          std::tuple{"--speed", 100, &RunOptions::speed},
                                          std::tuple{"--max-fps", 1000, &RunOptions::maxFps}}) {
    for (int32_t value : {0, high, high + 1, -1}) {
      const std::string text = std::to_string(value);
      const ParsedRunOptions parsed = Parse({name, text});
      const bool taken = value >= 0 && value <= high;
      EXPECT_EQ(parsed.error, taken
                                  ? ""
                                  : "option " + std::string(name) + ": '" + text +
                                        "' is not a whole number from 0 to " + std::to_string(high))
          << name << " " << value;
      EXPECT_EQ(parsed.options.*field == value, taken) << name << " " << value;
    }
  }
}

TEST(RunOptionsTest, BadValuesAreRefusedWithTheirReason) {
  struct Case {
    std::vector<std::string_view> args;
    const char* error;
  };
  const Case cases[] = {
      {{"--volume", "5x"}, "option --volume: '5x' is not a whole number from 0 to 100"},
      {{"--volume"}, "option --volume needs a value"},
      {{"--speed", " 5"}, "option --speed: ' 5' is not a whole number from 0 to 100"},
      {{"--max-fps=1e3"}, "option --max-fps=1e3: '1e3' is not a whole number from 0 to 1000"},
      {{"--clock", "13"}, "option --clock: '13' is not 12, 24 or off"},
      {{"--fps=1"}, "option --fps=1 takes no value"},
      {{"--no-music=yes"}, "option --no-music=yes takes no value"},
      {{"--colour", "red"}, "unknown option --colour"},
      {{"--volume=7", "--nope=3"}, "unknown option --nope"},
      {{"-window-id"}, "option -window-id needs a value"},
      {{"-root", "-window-id", "12"}, "-root, -window-id and --layer cannot be given together"},
      {{"--layer", "sideways"}, "option --layer: 'sideways' is not overlay or background"},
      {{"--output", "DP-1"}, "option --output needs --layer"},
      {{"--layer", "overlay", "--output="}, "option --output needs an output's name"},
      {{"--idle", "0"}, "option --idle: '0' is not a whole number from 1 to 1440"},
      {{"--idle=1441"}, "option --idle=1441: '1441' is not a whole number from 1 to 1440"},
      {{"--idle", "ten"}, "option --idle: 'ten' is not a whole number from 1 to 1440"},
      {{"--idle"}, "option --idle needs a value"},
      {{"--idle", "5", "--layer", "overlay"},
       "option --idle cannot be combined with -root, -window-id or --layer"},
      {{"-root", "--idle", "5"},
       "option --idle cannot be combined with -root, -window-id or --layer"},
      {{"-window-id", "7", "--idle=5"},
       "option --idle cannot be combined with -root, -window-id or --layer"},
      {{"--idle", "5", "/c"}, "option --idle cannot be combined with '/c'"},
      {{"/p", "123", "--idle", "5"}, "option --idle cannot be combined with '/p'"}};
  for (const Case& c : cases) EXPECT_EQ(Parse(c.args).error, c.error) << c.args.front();
}

TEST(RunOptionsTest, TheOptionsAnIdleWatcherPassesOnReadBackAlike) {
  Settings stored;  // each row's options change it
  stored.showTime = true;
  stored.music = stored.clock12h = false;
  stored.musicVolume = 75;
  stored.maxFps = 30;
  stored.content = "/stored.rar";
  const auto applied = [&](std::span<const std::string_view> args) {
    Settings s = stored;
    ApplyRunOptions(ParseRunOptions(args).options, s);
    return s;
  };
  const std::vector<std::vector<std::string_view>> rows = {
      {"--idle", "5"},
      {"--no-music", "--volume", "0", "--clock", "24", "--fps", "--speed=9", "--max-fps", "0"},
      {"--music", "--clock", "off", "--content", "-a mod.rar"},
      {"--clock=12", "--content="}};
  for (const auto& args : rows) {
    const ParsedRunOptions given = ParseRunOptions(args);
    const std::vector<std::string> passed = RunOptionsArguments(given.options);
    const std::vector<std::string_view> words(passed.begin(), passed.end());
    EXPECT_EQ(ParseRunOptions(words).error, "") << args.front();
    EXPECT_EQ(applied(words), applied(args)) << args.front();
  }
}

TEST(RunOptionsTest, WindowIdsAreDecimalOrHexWithin32Bits) {
  const std::pair<const char*, uint32_t> valid[] = {
      {"123", 123u}, {"0x1a", 0x1au}, {"0X1A", 0x1au}, {"4294967295", ~0u}, {"0xffffffff", ~0u}};
  for (const auto& [text, id] : valid) EXPECT_EQ(ParseWindowId(text), id) << text;
  for (const char* text : {"0", "0x", "-5", "12abc", "4294967296", "0x100000000"})
    EXPECT_EQ(ParseWindowId(text), std::nullopt) << text;
  EXPECT_EQ(Parse({"--window-id", "junk"}).error, "option -window-id: 'junk' is not a window id")
      << "the message names the option as hosts write it";
}

TEST(RunOptionsTest, HostSwitchesAreLeftToTheSwitchParser) {
  // Host switches, their window numbers and hyphenated words pass in order; "--" ones are options.
  const ParsedRunOptions parsed = Parse({"/p", "1234", "--fps", "foo-bar", "-S", "/c:77"});
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.target, DrawTarget::Switches);
  EXPECT_EQ(parsed.options.switches,
            (std::vector<std::string>{"/p", "1234", "foo-bar", "-S", "/c:77"}));
  EXPECT_TRUE(Parse({"--help"}).options.help && Parse({"-h"}).options.help);
  for (auto root : {"-root", "--root"}) EXPECT_EQ(Parse({root}).options.target, DrawTarget::Root);
  const RunOptions window = Parse({"-window-id", "0x2a00003"}).options;
  EXPECT_EQ(std::pair(window.target, window.windowId), std::pair(DrawTarget::Window, 0x2a00003u));
}

TEST(RunOptionsTest, OverridesChangeOnlyWhatTheyName) {
  Settings stored;
  stored.music = stored.showTime = stored.clock12h = true;
  stored.cameraSpeed = 50;
  stored.musicVolume = 75;
  stored.maxFps = 30;
  const auto applied = [&](std::vector<std::string_view> args, Settings s) {
    ApplyRunOptions(Parse(args).options, s);
    return s;
  };
  EXPECT_EQ(applied({}, stored), stored);
  Settings clockHidden = stored;
  clockHidden.showTime = false;
  EXPECT_EQ(FormatSettings(applied({"--no-music", "--volume", "7", "--clock=24", "--fps", "--speed",
                                    "9", "--max-fps=11", "--content", "/m.rar"},
                                   clockHidden)),
            "music=0\nshowTime=1\nshowFps=1\nvsync=0\nuseDesktop=0\nexitOnMouseMove=0\n"
            "defaultGamma=0\nclock12h=0\ncameraSpeed=9\nmusicVolume=7\ngamma=0\nwidth=0\n"
            "height=0\nbitsPerPixel=0\nmaxFps=11\ncontent=/m.rar\n");
  const Settings clockOff = applied({"--clock", "off"}, stored);
  EXPECT_EQ(std::pair(clockOff.showTime, clockOff.clock12h), std::pair(false, true))
      << "the style stays for the next run that shows the clock";
  // A host's window caps the rate unless the command line says otherwise.
  EXPECT_EQ(applied({"-window-id", "0x2a00003"}, stored).maxFps, kHostDefaultMaxFps);
  EXPECT_EQ(applied({"-root", "--max-fps", "0"}, stored).maxFps, 0);
  // A wallpaper is quiet and slow unless asked otherwise; the saver layer keeps the settings.
  const Settings wallpaper = applied({"--layer", "background"}, stored);
  EXPECT_EQ(std::pair(wallpaper.music, wallpaper.maxFps), std::pair(false, 30));
  const Settings asked = applied({"--layer=background", "--music", "--max-fps", "0"}, stored);
  EXPECT_EQ(std::pair(asked.music, asked.maxFps), std::pair(true, 0));
  EXPECT_EQ(applied({"--layer", "overlay", "--output", "DP-1"}, stored), stored);
}

class HostRunTest : public testing::HeadlessTest {};

TEST_F(HostRunTest, AHostWindowRunTouchesNothingOfTheDisplay) {
  HeadlessOptions options;
  options.commandLine = "solvane";   // no switch: the target decides
  options.desktop = {640, 400, 32};  // the host's window
  options.maxFrames = 4;
  HeadlessPlatform& p = Install(options);
  for (const auto& [name, value] : {std::pair{"DefGamma", 0},
                                    {"UseDesktop", 0},
                                    {"Gamma", 80},
                                    {"Width", 1024},
                                    {"Height", 768}})
    p.Store().Set(name, value);
  RunApplication(1, Parse({"-window-id", "77", "--no-music"}).options);

  const HeadlessRecord& r = p.Record();
  EXPECT_EQ(r.idlePasses, 4) << "the run was the full-screen one";
  EXPECT_TRUE(r.gammaRamps.empty()) << "the host's gamma stays";
  EXPECT_EQ(r.modeChanges, (std::vector<DisplayMode>{{640, 400, 32}, {}})) << "the window's mode";
  EXPECT_EQ(viewSize, (ViewSize{640, 400})) << "drawn at the window's size";
}

TEST_F(HostRunTest, TheCapSleepsOnlyWhatAFrameLeavesOver) {
  struct Case {
    int32_t maxFps;
    uint64_t ticksPerFrame;  // of 10 MHz
    double sleep;            // per frame; 0: none
  };
  const Case cases[] = {{0, 10'000, 0},         // no cap
                        {100, 10'000, 0.009},   // 1 ms frames, 10 ms period
                        {100, 200'000, 0},      // 20 ms frames are slower than the cap
                        {1000, 5'000, 0.0005},  // the limit: 0.5 ms frames, 1 ms period
                        {5000, 5'000, 0.0005},  // past the limit: as the limit
                        {-3, 10'000, 0}};       // a negative stored cap is no cap
  for (const Case& c : cases) {
    HeadlessOptions options;
    options.maxFrames = 5;
    options.ticksPerFrame = c.ticksPerFrame;
    HeadlessPlatform& p = Install(options);
    p.Store().Set("EnableMusic", 0);
    p.Store().Set("MaxFPS", static_cast<uint32_t>(c.maxFps));
    RunApplication(1);
    const auto& sleeps = p.Record().sleeps;
    EXPECT_NEAR(std::accumulate(sleeps.begin(), sleeps.end(), 0.0) / 5, c.sleep, 2e-4)
        << c.maxFps << " fps, " << c.ticksPerFrame;
  }
}

}  // namespace
}  // namespace solvane
