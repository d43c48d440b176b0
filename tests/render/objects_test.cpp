// The objects frame by frame: how they move, and what flares and meshes draw.
#include <gtest/gtest.h>

#include "tests/support/render_checks.h"

namespace solvane {
namespace {

const auto Length = [](const Vec3& v) { return std::sqrt(Dot(v, v)); };

using ::solvane::testing::LookFrom;
using ::solvane::testing::Luminance;

class ObjectsTest : public ::solvane::testing::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    Open(800, 600);
  }
};

TEST_F(ObjectsTest, SphereSpinAndFlashClock) {
  // 360 is taken off once; no correction below 0.
  for (const auto& [angle, speed, step, expected] : {std::tuple{350.0f, 2.0f, 1.0, 352.0f},
                                                     {350.0f, 2.0f, 6.0, 2.0f},
                                                     {2.0f, -50.0f, 1.0, -48.0f}}) {
    Sphere sphere;
    sphere.rotationAngle = angle, sphere.rotationSpeed = speed;
    sphere.Update(step);
    EXPECT_FLOAT_EQ(sphere.rotationAngle, expected) << angle << " " << speed << " " << step;
  }

  // A step longer than a whole flash period still takes off one period only.
  Sphere flash;
  flash.flash = flash.flashOn = true, flash.flashTimer = 0, flash.flashPeriod = 0.5f;
  flash.Update(1.2);
  EXPECT_FALSE(flash.flashOn);
  EXPECT_FLOAT_EQ(flash.flashTimer, 0.7f);
  flash.Update(0.01);
  EXPECT_TRUE(flash.flashOn);
  EXPECT_FLOAT_EQ(flash.flashTimer, 0.21f);

  // Random timing: each phase restarts at 0 with a length of its own.
  Sphere rnd;
  rnd.rnd = true, rnd.flashTimer = 0.9f, rnd.flashPeriod = 0.5f;
  rnd.Update(0.2);
  EXPECT_TRUE(rnd.flashOn);
  EXPECT_EQ(rnd.flashTimer, 0);
  EXPECT_TRUE(rnd.flashPeriod >= 0.4f && rnd.flashPeriod <= 0.8f) << rnd.flashPeriod;
  EXPECT_TRUE(rnd.flashTexAngle >= 0 && rnd.flashTexAngle <= 180) << rnd.flashTexAngle;
}

TEST_F(ObjectsTest, SpheresStandAtTheirFirstPlaceWhileSceneTimeStaysZero) {
  const struct {
    const char* what;
    std::function<void(Sphere&)> setUp;
    Vec3 expected;
  } cases[] = {
      {"orbit", [](Sphere&) {}, {-1990, 5, 0}},
      {"self-lit", [](Sphere& s) { s.light = true; }, {0, 0, 0}},
      {"fixed ellipse", [](Sphere& s) { s.plt = true; }, {618000, 123600, 0}},
      {"moon", [](Sphere& s) { s.isMoon = true, s.orbitMotion = false; }, {-1990, 5, 0}},
      {"system member without a parent stays",
       [](Sphere& s) { s.sys = s.uranmoon = true, s.orbitMotion = false; },
       {0, 0, 0}},
  };
  for (const auto& c : cases) {
    Sphere sphere;
    sphere.startPosition = {-1990, 5, 0};
    c.setUp(sphere);
    sphere.Update(0.05);
    EXPECT_NEAR(Length(sphere.position - c.expected), 0, 0.01) << c.what;
  }
}

TEST_F(ObjectsTest, BillboardSpinAndBlinkCycle) {
  for (const auto& [speed, expected] : {std::pair{0.0f, 135.0f}, {-60.0f, 315.0f}}) {
    Billboard spin;
    spin.spinAngle = 135, spin.spinSpeed = speed;
    spin.Update(3);
    EXPECT_FLOAT_EQ(spin.spinAngle, expected) << speed;
  }

  // "flash 0 1 2": hidden for the first second of every three.
  Billboard blink;
  blink.flash = true, blink.flashHidden = 1, blink.flashVisible = 2;
  float now = 0;
  for (const auto& [time, hidden] :
       {std::pair{0.5f, true}, {1.5f, false}, {2.9f, false}, {3.5f, true}, {4.5f, false}}) {
    blink.Update(time - now);
    now = time;
    EXPECT_EQ(blink.flashTimer < blink.flashHidden, hidden) << "at " << now;
  }
}

TEST_F(ObjectsTest, CoronaFollowsTheSilhouette) {
  // At each distance, the square's offset from the centre towards the viewer.
  for (const auto& [distance, offset] : {std::pair{26400.0f, 6600.0f}, {13200.0f, 13200.0f}}) {
    LookFrom({0, 0, distance});
    Billboard corona;
    corona.oreol = true, corona.oreolDistance = 13200, corona.size = 10000;
    corona.Draw(camera);
    EXPECT_NEAR(corona.position.z, offset, 0.01) << distance;
    EXPECT_NEAR(corona.position.x, 0, 1e-3) << distance;
    EXPECT_NEAR(Dot(corona.up, corona.rightAxis), 0, 1e-6) << "a square facing the viewer";
  }

  // A corona centred on the viewer is skipped rather than placed with NaNs.
  LookFrom({0, 0, 0.0f});
  camera.look = {0, 0, -1};
  Billboard centred;
  centred.oreol = true;
  centred.Draw(camera);
  EXPECT_TRUE(std::isfinite(centred.position.x + centred.up.x));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ObjectsTest, BurstsComeWhenTheirCycleRunsOut) {
  // "time 2" after "dens": the first burst waits for more than two seconds.
  ParticleSystem waiting;
  waiting.mode = ParticleMode::Circle, waiting.size = 9200;
  waiting.SetUpEmitter(20);
  waiting.period = 2;
  for (int i = 0; i < 8; ++i) waiting.Update(0.25);
  EXPECT_EQ(waiting.period, 2) << "exactly two seconds is not past the cycle";
  waiting.Update(0.25);
  EXPECT_TRUE(waiting.period >= 2 && waiting.period <= 3 && waiting.timer == 0) << waiting.period;

  // A burst throws every particle out from near the burst point, falling back to the centre.
  const Vec3 u = Normalize(waiting.position - waiting.point1);
  EXPECT_NEAR(Length(waiting.position - waiting.point1), 9200, 0.1);
  for (int i = 0; i < waiting.count; ++i) {
    EXPECT_LE(Length(waiting.positions[i]), 9200 * 0.07f) << i;
    EXPECT_NEAR(-Dot(waiting.accelerations[i], u), 275, 25.01) << i;
    EXPECT_LE(Length(waiting.velocities[i]), 2100 + 0.1f) << i;
  }

  // Without "time", "dens" leaves the cycle at 0: the first update bursts.
  ParticleSystem eager;
  eager.mode = ParticleMode::Circle, eager.SetUpEmitter(3);
  eager.Update(0.01);
  EXPECT_GE(eager.period, 2);
}

TEST_F(ObjectsTest, StreamsAndWalks) {
  ParticleSystem stream;
  stream.mode = ParticleMode::Line, stream.SetUpEmitter(50);
  stream.Update(0.05);
  EXPECT_EQ(stream.timer, 0) << "a stream has no cycle";
  for (int i = 0; i < stream.count; ++i) {
    EXPECT_EQ(stream.positions[i], Vec3{}) << i;  // every particle restarted
    EXPECT_NEAR(stream.velocities[i].z, -10950, 8550) << i;
    EXPECT_NEAR(stream.lifetimes[i], 2, 1) << i;
  }

  ParticleSystem walk;
  walk.mode = ParticleMode::Flash, walk.SetUpEmitter(10), walk.step = 20;
  walk.Update(0.1);
  EXPECT_EQ(walk.step, -10) << "a new walk starts";
  EXPECT_NEAR(Length(walk.position - walk.point1), 16100, 0.5);
  // Each step is 100.8 x (right x up) turned about `right`: all as long as that cross product.
  const float stepLength = 100.8f * Length(Cross(walk.right, {0, 1, 0}));
  Vec3 previous;
  for (int i = 0; i < walk.count; ++i) {
    EXPECT_NEAR(Length(walk.positions[i] - previous), stepLength, 0.01) << i;
    EXPECT_NEAR(Dot(walk.positions[i] - previous, walk.right), 0, 0.01) << "across " << i;
    previous = walk.positions[i];
  }
}

// Makes `flare` a textured one at `position`, of brightness `level`.
void SetUpFlare(LensFlare& flare, const Vec3& position, float level) {
  flare.position = position, flare.level = level, flare.hasTexture = true, flare.size = 20;
  flare.SetTexture("textures\\bs.jpg");
}

TEST_F(ObjectsTest, FlaresFadeWhereSomethingHidesThem) {
  LoadTextureList("texture.txt", false);
  BuildStandardMeshes();
  Sphere star;  // self-lit, of radius 10200 at the origin
  star.radius = 10200, star.light = star.hasTexture = true, star.orbitMotion = false;
  star.SetTexture("textures\\sun.jpg");
  star.geometry = SphereMesh.displayList;
  const struct {
    const char* what;
    Vec3 position;
    bool env;
    Vec3 anchor;
    bool visible;
  } cases[] = {
      {"in front of the star", {0, 0, 20000}, false, {}, true},
      {"beside it, against the empty sky", {3000, 0, 50000}, false, {}, true},
      {"behind the star", {0, 0, -20000}, false, {}, false},
      {"behind the viewer", {0, 0, 90000}, false, {}, false},
      {"far outside the window", {400000, 0, 50000}, false, {}, false},
      {"riding with the eye, towards the star", {}, true, {0, 0, -1}, false},
      {"riding with the eye, towards the sky", {}, true, {0.3f, 0, -1}, true},
      // A script's numbers may be anything a float holds: the projected point is then no pixel.
      {"at a position that is not a number", {NAN, 0, 50000}, false, {}, false},
      {"at an infinite position", {INFINITY, 0, 50000}, false, {}, false},
      {"at the largest float", {3.4e38f, 0, 50000}, false, {}, false},
      {"just off axis, far in front", {1, 0, -3.4e38f}, false, {}, false},
      {"riding with the eye along a huge anchor", {}, true, {1e38f, 1e38f, -1}, false},
  };
  for (const auto& c : cases) {
    LensFlare flare;
    SetUpFlare(flare, c.position, c.visible ? 0 : 1);
    flare.isEnv = c.env, flare.anchor = c.anchor, flare.fov = 0.5f;
    for (int frame = 0; frame < 10; ++frame) {
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      LookFrom({0, 0, 60000});
      star.Draw(camera);
      flare.Draw(camera);
      flare.Update(0.05);
    }
    EXPECT_EQ(flare.unoccluded, c.visible) << c.what;
    EXPECT_TRUE(c.visible ? flare.level >= 1 : flare.level == 0) << c.what << flare.level;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << c.what;
  }

  // A visible flare glows at its projected point, 0.45 of the half width right of the centre.
  LensFlare beside;
  SetUpFlare(beside, {3000, 0, 50000}, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  LookFrom({0, 0, 60000});
  beside.Draw(camera);
  EXPECT_GT(Luminance(400 + int(0.45f * 400), 300), 100);
  EXPECT_EQ(Luminance(400 + int(0.45f * 400) + 40, 300), 0);
}

TEST_F(ObjectsTest, FlareClockAndFlicker) {
  LensFlare flare;
  flare.spinAngle = 359, flare.spinSpeed = 2;
  flare.Update(1);
  EXPECT_FLOAT_EQ(flare.spinAngle, 1);

  // Without a flicker length every update brightens a lit flare a little past 1.
  LensFlare steady;
  steady.unoccluded = true, steady.level = 0.5f;
  for (int i = 0; i < 20; ++i) steady.Update(0.05);
  EXPECT_FLOAT_EQ(steady.level, 1 + 0.7f * 0.05f);

  // With one, the level falls during each cycle's dimming phase.
  SeedRandom(3);
  LensFlare flicker;
  flicker.flash = 1, flicker.level = 0.5f, flicker.fadeOut = 0;
  bool dimmed = false;
  for (int i = 0; i < 200; ++i) {
    const float before = flicker.level;
    const bool dimming = flicker.flickerTimer + 0.3f < flicker.flickerDimEnd;
    flicker.Update(0.05);
    EXPECT_TRUE(!dimming || flicker.level < before) << i;
    dimmed |= dimming;
  }
  EXPECT_TRUE(dimmed);
}

TEST_F(ObjectsTest, MeshMaterials) {
  LoadTextureList("texture.txt", false);
  BuildStandardMeshes();
  const struct {
    const char* flags;  // light, illum, metal, blend, hidden
    float red;          // with "blend", the opacity
  } cases[] = {{"", 1}, {"i", 1}, {"l", 1}, {"m", 1}, {"ib", 1}, {"ib", 0.5f}, {"ib", 0}, {"h", 1}};
  std::vector<int> centres;
  for (const auto& c : cases) {
    const std::string_view f = c.flags;
    Mesh mesh;
    mesh.displayList = SphereMesh.displayList, mesh.scale = 5000, mesh.hasTexture = true;
    mesh.SetTexture("textures\\sun.jpg");
    mesh.light = f.find('l') != f.npos, mesh.illum = f.find('i') != f.npos;
    mesh.metal = f.find('m') != f.npos, mesh.blend = f.find('b') != f.npos;
    mesh.visible = f.find('h') == f.npos, mesh.color = {c.red, 1, 1};
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    LookFrom({0, 0, 60000});
    mesh.Draw(camera);
    centres.push_back(Luminance(400, 300));
  }
  for (size_t i = 0; i < 5; ++i) EXPECT_GT(centres[i], 0) << cases[i].flags;
  EXPECT_GT(centres[4], centres[5]) << "the colour's red is the opacity";
  EXPECT_GT(centres[5], 0);
  EXPECT_EQ(centres[6], 0);
  EXPECT_EQ(centres[7], 0) << "hidden";
}

}  // namespace
}  // namespace solvane
