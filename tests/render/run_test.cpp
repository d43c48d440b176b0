// Whole full-screen runs on the headless platform: start-up, the main loop and shutdown.
#include <gtest/gtest.h>

#include "tests/support/render_checks.h"

namespace solvane {
namespace {

using Kind = ScriptedEvent::Kind;
using Stored = std::vector<std::pair<const char*, uint32_t>>;
constexpr bool kProbe = true;

// Records what the loop asks of it; draws a red square 1500 units in front of the eye.
class ProbeObject final : public SceneObject {
 public:
  ProbeObject(std::string name, std::vector<std::string>& log) : name_(name), log_(log) {}
  void Draw(const Camera&) override {
    log_.push_back("draw " + name_);
    for (GLenum off : {GL_LIGHTING, GL_TEXTURE_2D, GL_BLEND}) glDisable(off);
    glColor3f(1, 0, 0);
    glPushMatrix();
    glLoadIdentity();  // in the eye's space
    glTranslatef(0, 0, -1500);
    glRectf(-200, -200, 200, 200);
    glPopMatrix();
  }
  void Update(double dt) override { log_.push_back("update " + name_), lastStep = dt; }
  double lastStep = -1;

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

class RunTest : public ::solvane::testing::HeadlessTest {
 protected:
  // Runs "solvane /s" to `maxFrames` frames, in a world of one probe a list where `probe` says.
  const HeadlessRecord& Run(const Stored& stored, int maxFrames,
                            const std::function<void(HeadlessOptions&)>& set = {},
                            std::vector<ScriptedEvent> events = {}, bool probe = false) {
    HeadlessOptions options;
    if (set) set(options);
    options.maxFrames = maxFrames;
    HeadlessPlatform& p = Install(options);
    for (const auto& [name, value] : stored) p.Store().Set(name, value);
    for (const ScriptedEvent& event : events) p.Script(event);
    if (probe) {
      log_.clear();
      environment_.firstPass = {&first_};
      environment_.postPass = {&post_};
      world_.name = "world";
      world_.objects = {&middle_};
      world_.firstPass = &environment_.firstPass;
      world_.postPass = &environment_.postPass;
      worldCatalog.push_back(&world_);
    }
    exitCode_ = RunApplication(1);
    return p.Record();
  }
  // Red in the presented frame, `dx`, `dy` pixels from its centre.
  int Red(int dx, int dy) {
    const int w = platform().FrameWidth(), h = platform().FrameHeight();
    return platform().PresentedFrame()[(size_t(h / 2 + dy) * w + size_t(w / 2 + dx)) * 4];
  }
  // A window's place, as "left top right bottom".
  static std::string Place(const ScreenRect& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
           " " + std::to_string(r.bottom);
  }

  int exitCode_ = -1;
  std::vector<std::string> log_;
  Environment environment_;
  World world_;
  ProbeObject first_{"first", log_}, middle_{"world", log_}, post_{"post", log_};
};

// The frames of the main loop (`idlePasses`; the loading screen presents frames of its own).
TEST_F(RunTest, EndingEvents) {
  const struct {
    const char* name;
    ScriptedEvent event;
    int frames;
  } cases[] = {{"key press draws exactly one more frame", {3, Kind::KeyDown, 0x41}, 4},
               {"click", {2, Kind::ButtonDown}, 3},
               {"quit message draws no further frame", {2, Kind::Close}, 2},
               {"key release alone does not end it", {2, Kind::KeyUp, 0x41}, 10}};
  for (const auto& c : cases) {
    EXPECT_EQ(Run({}, 10, {}, {c.event}).idlePasses, c.frames) << c.name;
    EXPECT_EQ(exitCode_, 0) << c.name;
  }
}

TEST_F(RunTest, MouseTravelEndsTheRunOnlyWhenAskedAndOnlyForwards) {
  // From the centre (400, 300), offsets count 0.3 per pixel; the signed sum must pass 7.
  const struct {
    const char* name;
    bool exitOnMouseMove;
    std::vector<std::pair<uint16_t, uint16_t>> moves;
    int frames;  // 30 when the run is not ended
  } cases[] = {{"24 pixels right", true, {{424, 300}}, 2},
               {"23 pixels right stays below the threshold", true, {{423, 300}}, 30},
               {"left and up never end it", true, {{0, 300}, {400, 0}, {0, 0}}, 30},
               {"left cancels right", true, {{380, 300}, {424, 300}}, 30},
               {"small moves add up", true, {{412, 300}, {412, 300}}, 3},
               {"off by default", false, {{799, 599}}, 30}};
  for (const auto& c : cases) {
    std::vector<ScriptedEvent> events;
    for (const auto& [x, y] : c.moves)
      events.push_back({int(events.size()) + 1, Kind::MouseMove, 0, x, y});
    const Stored stored = {
        {"UseDesktop", 0}, {"Width", 800}, {"Height", 600}, {"MouseExit", c.exitOnMouseMove}};
    EXPECT_EQ(Run(stored, 30, {}, events).idlePasses, c.frames) << c.name;
  }
}

TEST_F(RunTest, MovesPullTheCursorBackToTheCentre) {
  const HeadlessRecord& r = Run({{"UseDesktop", 0}, {"Width", 640}, {"Height", 480}}, 5, {},
                                {{1, Kind::MouseMove, 0, 500, 100}});
  // Once at start-up, then once for each offset consumed.
  ASSERT_EQ(r.cursorMoves.size(), 3u);
  for (const ScreenPoint& point : r.cursorMoves) EXPECT_EQ(point.x * 1000 + point.y, 320240);
}

// 20 pixels now and 20 after a second: with a world the travel is measured per second; without
// one it never resets, the screen stays black and no frame is counted.
TEST_F(RunTest, MouseTravelIsMeasuredPerSecondOnlyWithAWorld) {
  for (const bool world : {true, false}) {
    const auto noWorlds = [&](auto& o) { world ? void() : void(o.resources[126] = {}); };
    const std::vector<ScriptedEvent> moves = {{1, Kind::MouseMove, 0, 420, 300},
                                              {30, Kind::MouseMove, 0, 420, 300}};
    EXPECT_EQ(Run({{"MouseExit", 1}}, 40, noWorlds, moves, world).idlePasses, world ? 40 : 31);
  }
  EXPECT_EQ(frameClock.frameCount + frameClock.shownFps, 0);
  ASSERT_EQ(platform().FrameWidth() * platform().FrameHeight(), 800 * 600);
  const auto& pixels = platform().PresentedFrame();
  for (size_t i = 0; i < pixels.size(); i += 4) {
    ASSERT_EQ(pixels[i] | pixels[i + 1] | pixels[i + 2], 0) << "pixel " << i / 4;
  }
}

// Objects are updated from the second frame on, drawn in pass order; each second's frames count.
TEST_F(RunTest, ObjectsAreUpdatedFromTheSecondFrameAndDrawnInPassOrder) {
  Run({}, 3, {}, {}, kProbe);
  const std::string frame =
      ",update first,update world,update post,draw first,draw world,draw post";
  std::string seen;
  for (const std::string& entry : log_) seen += "," + entry;
  EXPECT_EQ(seen, ",draw first,draw world,draw post" + frame + frame);
  EXPECT_DOUBLE_EQ(middle_.lastStep, 0.05);
  Run({}, 25, {}, {}, kProbe);
  // At 0.05 s a frame, the first interval closes in frame 21 (1.05 s), having counted 20.
  EXPECT_EQ(frameClock.shownFps, 20);
  EXPECT_EQ(frameClock.frameCount, 5);
}

// The probe's square, 200 units half size at 1500 where the view is 750 high each way, spans 80
// pixels each side of the centre both ways, on a wide window too.
TEST_F(RunTest, TheSceneIsDrawnIntoThePresentedFrameUnstretched) {
  for (const DisplayMode desktop : {DisplayMode{800, 600, 32}, DisplayMode{1600, 600, 32}}) {
    Run(
        {}, 2, [&](auto& o) { o.desktop = desktop; }, {}, kProbe);
    const int w = desktop.width;
    EXPECT_EQ(std::vector({Red(0, 0), Red(-w / 2 + 5, -295), Red(75, 0), Red(85, 0), Red(0, 75),
                           Red(0, 85)}),
              std::vector({255, 0, 255, 0, 255, 0}))
        << w;
  }
}

TEST_F(RunTest, TimeStepSeedAndCameraSpeed) {
  // The generator takes the counter's low 32 bits.
  Run({{"Speed", 100}}, 2,
      [](auto& o) { o.firstCounter = 0x100000007ull, o.ticksPerFrame = 250'000; });
  EXPECT_DOUBLE_EQ(frameClock.frameTime, 0.025);
  EXPECT_FLOAT_EQ(cameraSpeedFactor, 2.5f);
  EXPECT_FLOAT_EQ(camera.progress, 2 * 0.025f * 2.5f * 0.1f);
  // The flight starts from the seeded generator: the same seed gives the same keys.
  SeedRandom(7);
  Camera replay;
  replay.StartFlight();
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(replay.keys[i].position, camera.keys[i].position);
}

// Shutdown gives back mode, cursor, context and windows (the blanking ones too), nothing else.
// A quit signal while the scene loads stops the loaders where they are; the run ends in order
// at its first pump.
TEST_F(RunTest, AQuitSignalWhileLoadingStopsTheLoad) {
  const HeadlessRecord& r = Run({}, -1, [](auto& o) { o.quitAfterLoadReports = 3; });
  EXPECT_EQ(exitCode_, 0);
  EXPECT_EQ(r.loadProgressReports, 3);
  EXPECT_EQ(r.idlePasses, 0);
  EXPECT_TRUE(r.contextDeleted);
}

TEST_F(RunTest, ShutdownRestoresTheSystem) {
  const HeadlessRecord& r =
      Run({{"UseDesktop", 0}, {"Width", 640}, {"Height", 480}}, 2, [](auto& o) {
        o.desktop = {1024, 768, 32}, o.monitorCount = 2;
      });
  EXPECT_EQ(r.modeChanges, (std::vector<DisplayMode>{{640, 480, 32}, {}}));
  EXPECT_EQ(r.cursorShowCount, 0);
  EXPECT_TRUE(r.contextDeleted);
  ASSERT_EQ(r.windows.size(), 2u);
  EXPECT_EQ(r.windows[0].kind, HeadlessRecord::Window::Kind::Scene);
  EXPECT_EQ(Place(r.windows[0].rect), "0 0 640 480");
  EXPECT_EQ(r.windows[1].kind, HeadlessRecord::Window::Kind::Blanking);
  EXPECT_EQ(Place(r.windows[1].rect), "1024 0 2048 768");
  EXPECT_EQ(r.focus, WindowHandle{1});
  EXPECT_TRUE(r.windows[0].shown && r.windows[0].closed && r.windows[1].closed);
  EXPECT_TRUE(r.gammaRamps.empty()) << "the default leaves the gamma ramp alone";
  EXPECT_EQ(platform().Store().writes, 0);
}

// Without a window (too large, or no monitors) the mode and the cursor still come back.
TEST_F(RunTest, NoWindowStillRestoresTheModeAndCursor) {
  for (uint32_t width : {20000u, 0x7FFFFFFFu, 0u}) {  // 0: no monitors, at the desktop's mode
    const auto set = [&](auto& o) {
      o.displayModes.push_back({static_cast<int32_t>(width), 600, 32});
      o.multiMonitorApi = width != 0;
    };
    Stored stored;
    if (width != 0) stored = {{"UseDesktop", 0}, {"Width", width}, {"Height", 600}};
    const HeadlessRecord& r = Run(stored, 2, set);
    EXPECT_EQ(r.framesPresented, 0) << width;
    EXPECT_TRUE(r.windows.empty()) << width;
    ASSERT_EQ(r.modeChanges.size(), 2u) << width;
    EXPECT_EQ(r.modeChanges[1], DisplayMode{});
    EXPECT_EQ(r.cursorShowCount, 0);
    EXPECT_TRUE(r.gammaRamps.empty());
  }
}

// A stored mode larger than the display's largest runs at the desktop's mode, saying so.
TEST_F(RunTest, AStoredModeLargerThanTheDisplayRunsAtTheDesktopsMode) {
  for (const auto& [width, height] : {std::pair{1921u, 1080u},
                                      {1920u, 1081u},
                                      {16384u, 16384u},
                                      {0x7FFFFFFFu, 600u},
                                      {1920u, 1080u}}) {
    const bool fits = width == 1920 && height == 1080;
    const HeadlessRecord& r = Run({{"UseDesktop", 0}, {"Width", width}, {"Height", height}}, 2);
    EXPECT_EQ(r.idlePasses, 2) << width << " x " << height;
    EXPECT_EQ(platform().FrameWidth(), fits ? 1920 : 800) << width << " x " << height;
    EXPECT_EQ(platform().FrameHeight(), fits ? 1080 : 600);
    ASSERT_EQ(r.logLines.size(), fits ? 0u : 1u);
    const std::string said = fits ? "" : r.logLines[0];
    EXPECT_TRUE(fits || said.find("larger than the display's largest, 1920 x 1080") != said.npos);
  }
}

TEST_F(RunTest, TheUnchangedLoadingScreenIsDrawnOncePerDisplayFrame) {
  // The clock stands still while loading: one display frame, also for a counter starting at 0.
  for (uint64_t first : {uint64_t{0}, uint64_t{123456789}}) {
    const HeadlessRecord& r =
        Run({{"EnableMusic", 0}}, 2, [&](auto& o) { o.firstCounter = first; });
    EXPECT_GT(r.loadProgressReports, 30) << first;
    EXPECT_EQ(r.framesPresented, 1 + 2) << "one loading screen, two frames; " << first;
  }
}

// The gamma ramp is set at the start and reset at the end; the swap interval follows vsync.
TEST_F(RunTest, GammaAndSwapIntervalHandedToTheDisplay) {
  const auto ramps = Run({{"DefGamma", 0}, {"Gamma", 100}}, 1).gammaRamps;
  ASSERT_EQ(ramps.size(), 2u);
  EXPECT_EQ(ramps[0][64], 32768);  // exponent 0.5
  EXPECT_EQ(ramps[1][64], 64 * 256);
  const auto neutral = Run({{"DefGamma", 0}, {"Gamma", 50}}, 1).gammaRamps;
  ASSERT_EQ(neutral.size(), 2u);
  EXPECT_EQ(neutral[0], neutral[1]);
  for (uint32_t vsync : {0u, 1u}) {
    EXPECT_EQ(Run({{"VSync", vsync}}, 1).swapIntervals, std::vector<int>{int(vsync)});
  }
}

// A preview draws into the host's window, and says so where there is none.
TEST_F(RunTest, PreviewNeedsTheHostsWindow) {
  using Boxes = std::vector<std::pair<std::string, std::string>>;
  for (const auto& [commandLine, created] : {std::pair{"solvane /p", false},
                                             {"solvane /p 1234", true},
                                             {"solvane /p 4321", false},
                                             {"solvane -P 99999999999999", false}}) {
    const HeadlessRecord& r =
        Run({}, -1, [&](auto& o) { o.commandLine = commandLine, o.hostWindows = {1234}; });
    EXPECT_EQ(exitCode_, 0) << commandLine;
    ASSERT_EQ(r.windows.size(), created ? 1u : 0u) << commandLine;
    EXPECT_TRUE(!created || r.windows[0].shown) << commandLine;
    EXPECT_EQ(r.messageBoxes, (created ? Boxes{} : Boxes{{"Cannot creat window!", "ERROR"}}));
    EXPECT_TRUE(r.modeChanges.empty()) << "a preview never touches the display mode";
  }
}

}  // namespace
}  // namespace solvane
