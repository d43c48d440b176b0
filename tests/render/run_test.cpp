// Whole full-screen runs on the headless platform: start-up, the main loop and shutdown.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/input.h"
#include "app/main_loop.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "objects/random.h"
#include "platform/opengl.h"
#include "scene/world_list.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using Kind = ScriptedEvent::Kind;
using ::solvane::testing::HeadlessTest;

// Records what the loop asks of it; draws a red square 1500 units in front of the camera,
// facing it, wherever the flight has taken it.
class ProbeObject final : public SceneObject {
 public:
  ProbeObject(std::string name, std::vector<std::string>& log)
      : name_(std::move(name)), log_(log) {}
  void Draw(const Camera& camera) override {
    log_.push_back("draw " + name_);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor3f(1, 0, 0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const Vec3 right{m[0], m[4], m[8]}, up{m[1], m[5], m[9]};
    const Vec3 centre = camera.eye + 1500 * camera.look;
    glBegin(GL_QUADS);
    for (const Vec3& corner : {centre - 200 * right - 200 * up, centre + 200 * right - 200 * up,
                               centre + 200 * right + 200 * up, centre - 200 * right + 200 * up}) {
      glVertex3f(corner.x, corner.y, corner.z);
    }
    glEnd();
  }
  void Update(double dt) override {
    log_.push_back("update " + name_);
    lastStep = dt;
  }
  double lastStep = -1;

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

class RunTest : public HeadlessTest {
 protected:
  // Installs a platform for "solvane /s" with `stored` settings; frames stop at `maxFrames`.
  HeadlessPlatform& Prepare(std::vector<std::pair<const char*, uint32_t>> stored = {},
                            int maxFrames = 40, HeadlessOptions options = {}) {
    options.maxFrames = maxFrames;
    HeadlessPlatform& p = Install(options);
    for (const auto& [name, value] : stored) p.Store().Set(name, value);
    return p;
  }

  // A world named "world" whose lists hold one probe each; the loaders append to the catalogue.
  void AddProbeWorld(bool system = true) {
    environment_ = std::make_unique<Environment>();
    world_ = std::make_unique<World>();
    first_ = std::make_unique<ProbeObject>("first", log_);
    middle_ = std::make_unique<ProbeObject>("world", log_);
    post_ = std::make_unique<ProbeObject>("post", log_);
    environment_->firstPass.push_back(first_.get());
    environment_->postPass.push_back(post_.get());
    world_->name = "world";
    world_->system = system;
    world_->objects.push_back(middle_.get());
    world_->firstPass = &environment_->firstPass;
    world_->postPass = &environment_->postPass;
    worldCatalog.push_back(world_.get());
  }

  // Frames of the main loop (the loading screen presents frames of its own before them).
  int Frames() { return platform().Record().idlePasses; }

  std::vector<std::string> log_;
  std::unique_ptr<Environment> environment_;
  std::unique_ptr<World> world_;
  std::unique_ptr<ProbeObject> first_, middle_, post_;
};

TEST_F(RunTest, EndingEvents) {
  const struct {
    const char* name;
    ScriptedEvent event;
    int frames;
  } cases[] = {
      {"key press draws exactly one more frame", {3, Kind::KeyDown, 0x41}, 4},
      {"click", {2, Kind::ButtonDown}, 3},
      {"quit message draws no further frame", {2, Kind::Close}, 2},
      {"key release alone does not end it", {2, Kind::KeyUp, 0x41}, 10},
  };
  for (const auto& c : cases) {
    HeadlessPlatform& p = Prepare({}, 10);
    p.Script(c.event);
    EXPECT_EQ(RunApplication(1), 0) << c.name;
    EXPECT_EQ(Frames(), c.frames) << c.name;
  }
}

TEST_F(RunTest, MouseTravelEndsTheRunOnlyWhenAskedAndOnlyForwards) {
  // The window is 800 x 600, so the centre is (400, 300); offsets count 0.3 per pixel and the
  // run ends when the signed sum passes 7.
  const struct {
    const char* name;
    bool exitOnMouseMove;
    std::vector<std::pair<uint16_t, uint16_t>> moves;
    int frames;  // 30 when the run is not ended
  } cases[] = {
      {"24 pixels right", true, {{424, 300}}, 2},
      {"23 pixels right stays below the threshold", true, {{423, 300}}, 30},
      {"left and up never end it", true, {{0, 300}, {400, 0}, {0, 0}}, 30},
      {"left cancels right", true, {{380, 300}, {424, 300}}, 30},
      {"small moves add up", true, {{412, 300}, {412, 300}}, 3},
      {"off by default", false, {{799, 599}}, 30},
  };
  for (const auto& c : cases) {
    HeadlessPlatform& p = Prepare(
        {{"UseDesktop", 0}, {"Width", 800}, {"Height", 600}, {"MouseExit", c.exitOnMouseMove}}, 30);
    int frame = 1;
    for (const auto& [x, y] : c.moves) p.Script({frame++, Kind::MouseMove, 0, x, y});
    RunApplication(1);
    EXPECT_EQ(Frames(), c.frames) << c.name;
  }
}

TEST_F(RunTest, MovesPullTheCursorBackToTheCentre) {
  HeadlessPlatform& p = Prepare({{"UseDesktop", 0}, {"Width", 640}, {"Height", 480}}, 5);
  p.Script({1, Kind::MouseMove, 0, 500, 100});
  RunApplication(1);
  // Once at start-up, then once for each offset consumed.
  const auto& moves = p.Record().cursorMoves;
  ASSERT_EQ(moves.size(), 3u);
  for (const ScreenPoint& point : moves) {
    EXPECT_EQ(point.x, 320);
    EXPECT_EQ(point.y, 240);
  }
}

// 20 pixels now and 20 more after the first second: with a world the travel is measured per
// second and never passes 7; without one it is never reset, the screen stays black and no
// frame is counted.
TEST_F(RunTest, MouseTravelIsMeasuredPerSecondOnlyWithAWorld) {
  for (const bool world : {true, false}) {
    HeadlessOptions options;
    if (!world) options.resources[126] = {};
    HeadlessPlatform& p = Prepare({{"MouseExit", 1}}, 40, options);
    if (world) AddProbeWorld();
    p.Script({1, Kind::MouseMove, 0, 420, 300});
    p.Script({30, Kind::MouseMove, 0, 420, 300});
    RunApplication(1);
    EXPECT_EQ(Frames(), world ? 40 : 31) << world;
  }
  EXPECT_EQ(frameClock.frameCount, 0);
  EXPECT_EQ(frameClock.shownFps, 0);
  ASSERT_EQ(platform().FrameWidth(), 800);
  ASSERT_EQ(platform().FrameHeight(), 600);
  const auto& pixels = platform().PresentedFrame();
  for (size_t i = 0; i < pixels.size(); i += 4) {
    ASSERT_EQ(pixels[i] | pixels[i + 1] | pixels[i + 2], 0) << "pixel " << i / 4;
  }
}

TEST_F(RunTest, ObjectsAreUpdatedFromTheSecondFrameAndDrawnInPassOrder) {
  Prepare({}, 3);
  AddProbeWorld();
  RunApplication(1);
  const std::vector<std::string> expected = {
      "draw first",   "draw world",   "draw post",  // frame 1
      "update first", "update world", "update post", "draw first", "draw world", "draw post",
      "update first", "update world", "update post", "draw first", "draw world", "draw post",
  };
  EXPECT_EQ(log_, expected);
  EXPECT_DOUBLE_EQ(middle_->lastStep, 0.05);
}

// The probe's square, 200 units half size at distance 1500 where the view is 750 high each way,
// spans 80 pixels each side of the centre both ways, on a wide window too.
TEST_F(RunTest, TheSceneIsDrawnIntoThePresentedFrameUnstretched) {
  for (const DisplayMode desktop : {DisplayMode{800, 600, 32}, DisplayMode{1600, 600, 32}}) {
    HeadlessOptions options;
    options.desktop = desktop;
    HeadlessPlatform& p = Prepare({}, 2, options);
    AddProbeWorld();
    RunApplication(1);
    const auto red = [&](int dx, int dy) {
      return p
          .PresentedFrame()[(size_t(300 + dy) * p.FrameWidth() + size_t(desktop.width / 2 + dx)) *
                            4];
    };
    const std::string what = std::to_string(desktop.width);
    EXPECT_EQ(red(0, 0), 255) << what;
    EXPECT_EQ(red(-desktop.width / 2 + 5, -295), 0) << what;
    EXPECT_EQ(red(75, 0), 255) << what;
    EXPECT_EQ(red(85, 0), 0) << what;
    EXPECT_EQ(red(0, 75), 255) << what;
    EXPECT_EQ(red(0, 85), 0) << what;
  }
}

TEST_F(RunTest, FramesPerSecondCountsFramesOfEachSecond) {
  Prepare({}, 25);
  AddProbeWorld();
  RunApplication(1);
  // At 0.05 s a frame, the first interval closes in frame 21 (1.05 s), having counted 20.
  EXPECT_EQ(frameClock.shownFps, 20);
  EXPECT_EQ(frameClock.frameCount, 5);
}

TEST_F(RunTest, TimeStepSeedAndCameraSpeed) {
  HeadlessOptions options;
  options.firstCounter = 0x100000007ull;  // the generator takes the low 32 bits
  options.ticksPerFrame = 250'000;
  Prepare({{"Speed", 100}}, 2, options);
  RunApplication(1);
  EXPECT_DOUBLE_EQ(frameClock.frameTime, 0.025);
  EXPECT_FLOAT_EQ(cameraSpeedFactor, 2.5f);
  EXPECT_FLOAT_EQ(camera.progress, 2 * 0.025f * 2.5f * 0.1f);
  // The flight starts from the seeded generator: the same seed gives the same keys.
  SeedRandom(7);
  Camera replay;
  replay.StartFlight();
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(replay.keys[i].position, camera.keys[i].position);
}

TEST_F(RunTest, ShutdownRestoresTheSystem) {
  HeadlessPlatform& p = Prepare({{"UseDesktop", 0}, {"Width", 640}, {"Height", 480}}, 2);
  RunApplication(1);
  const HeadlessRecord& r = p.Record();
  ASSERT_EQ(r.modeChanges.size(), 2u);
  EXPECT_EQ(r.modeChanges[0], (DisplayMode{640, 480, 32}));
  EXPECT_EQ(r.modeChanges[1], DisplayMode{});
  EXPECT_EQ(r.cursorShowCount, 0);
  EXPECT_TRUE(r.contextDeleted);
  ASSERT_EQ(r.windows.size(), 1u);
  EXPECT_TRUE(r.windows[0].shown);
  EXPECT_TRUE(r.windows[0].closed);
  EXPECT_EQ(r.windows[0].rect.right, 640);
  EXPECT_EQ(r.windows[0].rect.bottom, 480);
  EXPECT_TRUE(r.gammaRamps.empty()) << "the default leaves the gamma ramp alone";
  EXPECT_EQ(p.Store().writes, 0);
}

TEST_F(RunTest, FailedWindowStillRestoresTheModeAndCursor) {
  for (uint32_t width : {20000u, 0x7FFFFFFFu}) {
    // A display that lists the mode, so that it is asked for, and a window that cannot be made.
    HeadlessOptions options;
    options.displayModes.push_back({static_cast<int32_t>(width), 600, 32});
    HeadlessPlatform& p =
        Prepare({{"UseDesktop", 0}, {"Width", width}, {"Height", 600}}, 2, options);
    RunApplication(1);
    const HeadlessRecord& r = p.Record();
    EXPECT_EQ(r.framesPresented, 0);
    ASSERT_EQ(r.modeChanges.size(), 2u);
    EXPECT_EQ(r.modeChanges[1], DisplayMode{});
    EXPECT_EQ(r.cursorShowCount, 0);
    EXPECT_TRUE(r.gammaRamps.empty());
  }
}

TEST_F(RunTest, AStoredModeLargerThanTheDisplayRunsAtTheDesktopsMode) {
  struct Case {
    uint32_t width, height;
  };
  for (const Case c :
       {Case{1921, 1080}, Case{1920, 1081}, Case{16384, 16384}, Case{0x7FFFFFFF, 600}}) {
    HeadlessPlatform& p = Prepare({{"UseDesktop", 0}, {"Width", c.width}, {"Height", c.height}}, 2);
    RunApplication(1);
    const HeadlessRecord& r = p.Record();
    EXPECT_EQ(r.idlePasses, 2) << c.width << " x " << c.height;
    EXPECT_EQ(p.FrameWidth(), 800);
    EXPECT_EQ(p.FrameHeight(), 600);
    ASSERT_EQ(r.logLines.size(), 1u);
    EXPECT_NE(r.logLines[0].find("larger than the display's largest, 1920 x 1080"),
              std::string::npos);
  }
  // The largest mode itself is taken as stored.
  HeadlessPlatform& p = Prepare({{"UseDesktop", 0}, {"Width", 1920}, {"Height", 1080}}, 1);
  RunApplication(1);
  EXPECT_EQ(p.FrameWidth(), 1920);
  EXPECT_TRUE(p.Record().logLines.empty());
}

TEST_F(RunTest, TheUnchangedLoadingScreenIsDrawnOncePerDisplayFrame) {
  // The off-screen clock stands still while the scene loads: every report after the first
  // falls within the same display frame. A counter that starts at 0 is no exception.
  for (uint64_t first : {uint64_t{0}, uint64_t{123456789}}) {
    HeadlessOptions options;
    options.firstCounter = first;
    HeadlessPlatform& p = Prepare({{"EnableMusic", 0}}, 2, options);
    RunApplication(1);
    EXPECT_GT(p.Record().loadProgressReports, 30) << first;
    EXPECT_EQ(p.Record().framesPresented, 1 + 2) << "one loading screen, two frames; " << first;
  }
}

TEST_F(RunTest, WithoutMonitorsNoWindowIsMadeAndTheModeComesBack) {
  HeadlessOptions options;
  options.multiMonitorApi = false;
  HeadlessPlatform& p = Prepare({}, 2, options);
  RunApplication(1);
  EXPECT_TRUE(p.Record().windows.empty());
  EXPECT_EQ(p.Record().modeChanges.size(), 2u);
  EXPECT_EQ(p.Record().cursorShowCount, 0);
}

TEST_F(RunTest, FurtherMonitorsAreBlanked) {
  HeadlessOptions options;
  options.monitorCount = 2;
  options.desktop = {1024, 768, 32};
  HeadlessPlatform& p = Prepare({{"UseDesktop", 0}, {"Width", 800}, {"Height", 600}}, 2, options);
  RunApplication(1);
  const HeadlessRecord& r = p.Record();
  ASSERT_EQ(r.windows.size(), 2u);
  EXPECT_EQ(r.windows[0].kind, HeadlessRecord::Window::Kind::Scene);
  EXPECT_EQ(r.windows[0].rect.left, 0);
  EXPECT_EQ(r.windows[0].rect.right, 800);
  EXPECT_EQ(r.windows[1].kind, HeadlessRecord::Window::Kind::Blanking);
  EXPECT_EQ(r.windows[1].rect.left, 1024);
  EXPECT_EQ(r.windows[1].rect.right, 2048);
  EXPECT_EQ(r.windows[1].rect.bottom, 768);
  EXPECT_EQ(r.focus, WindowHandle{1});
  EXPECT_TRUE(r.windows[0].closed && r.windows[1].closed);
}

TEST_F(RunTest, GammaIsSetAtStartAndResetAtTheEnd) {
  HeadlessPlatform& p = Prepare({{"DefGamma", 0}, {"Gamma", 100}}, 1);
  RunApplication(1);
  const auto& ramps = p.Record().gammaRamps;
  ASSERT_EQ(ramps.size(), 2u);
  EXPECT_EQ(ramps[0][64], 32768);  // exponent 0.5
  EXPECT_EQ(ramps[1][64], 64 * 256);

  HeadlessPlatform& neutral = Prepare({{"DefGamma", 0}, {"Gamma", 50}}, 1);
  RunApplication(1);
  ASSERT_EQ(neutral.Record().gammaRamps.size(), 2u);
  EXPECT_EQ(neutral.Record().gammaRamps[0], neutral.Record().gammaRamps[1]);
}

TEST_F(RunTest, SwapIntervalFollowsVsync) {
  for (uint32_t vsync : {0u, 1u}) {
    HeadlessPlatform& p = Prepare({{"VSync", vsync}}, 1);
    RunApplication(1);
    EXPECT_EQ(p.Record().swapIntervals, std::vector<int>{int(vsync)});
  }
}

TEST_F(RunTest, PreviewNeedsTheHostsWindow) {
  const struct {
    const char* commandLine;
    bool created;
  } cases[] = {
      {"solvane /p", false},
      {"solvane /p 1234", true},
      {"solvane /p 4321", false},
      {"solvane -P 99999999999999", false},
  };
  for (const auto& c : cases) {
    HeadlessOptions options;
    options.commandLine = c.commandLine;
    options.hostWindows = {1234};
    HeadlessPlatform& p = Install(options);
    EXPECT_EQ(RunApplication(1), 0);
    const HeadlessRecord& r = p.Record();
    if (c.created) {
      ASSERT_EQ(r.windows.size(), 1u) << c.commandLine;
      EXPECT_TRUE(r.windows[0].shown);
      EXPECT_TRUE(r.messageBoxes.empty());
    } else {
      EXPECT_TRUE(r.windows.empty()) << c.commandLine;
      ASSERT_EQ(r.messageBoxes.size(), 1u) << c.commandLine;
      EXPECT_EQ(r.messageBoxes[0].first, "Cannot creat window!");
      EXPECT_EQ(r.messageBoxes[0].second, "ERROR");
    }
    EXPECT_TRUE(r.modeChanges.empty()) << "a preview never touches the display mode";
  }
}

}  // namespace
}  // namespace solvane
