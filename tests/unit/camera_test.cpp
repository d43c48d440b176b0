// The camera's flight: key timing, the first segment, the 40-degree steps and their axes, the
// orientation convention and the speed factor.
#include "camera/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/main_loop.h"
#include "objects/random.h"

namespace solvane {
namespace {

float Length(const Vec3& v) {
  return std::sqrt(Dot(v, v));
}

float DegreesBetween(const Vec3& a, const Vec3& b) {
  const float cosine = Dot(Normalize(a), Normalize(b));
  return std::acos(std::fmin(1.0f, std::fmax(-1.0f, cosine))) * 57.29578f;
}

void ExpectNear(const Vec3& a, const Vec3& b, float tolerance) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(CameraTest, KeysChangeEvery200FramesAtFactorOneAndFiftyMilliseconds) {
  // Progress is single precision: 0.005 per frame reaches 1 on the 200th or 201st frame, and
  // the remainder carries into the next segment, so ten segments take 2000 frames give or take
  // one.
  SeedRandom(1234);
  Camera camera;
  camera.StartFlight();
  int frames = 0;
  for (int segment = 0; segment < 10; ++segment) {
    const Vec3 end = camera.keys[1].position;
    int inSegment = 0;
    while (camera.keys[0].position != end && inSegment < 1000) {
      camera.UpdateFlight(0.05);
      ++inSegment;
    }
    EXPECT_GE(inSegment, 200) << "segment " << segment;
    EXPECT_LE(inSegment, 201) << "segment " << segment;
    frames += inSegment;
  }
  EXPECT_NEAR(frames, 2000, 1);
}

TEST(CameraTest, SegmentsStartAndEndAtTheirKeys) {
  SeedRandom(99);
  Camera camera;
  camera.StartFlight();
  const CameraKey key0 = camera.keys[0], key1 = camera.keys[1];
  camera.UpdateFlight(0);
  EXPECT_EQ(camera.position, key0.position);
  EXPECT_EQ(camera.eye, camera.position);
  ExpectNear(camera.look, Normalize(-key0.position), 1e-5f);

  // A step of a whole segment: the keys move on and the camera stands at the old key 1.
  camera.UpdateFlight(10);
  EXPECT_EQ(camera.keys[0].position, key1.position);
  ExpectNear(camera.position, key1.position, 0.01f);
  ExpectNear(camera.look, Normalize(-key1.position), 1e-5f);
}

TEST(CameraTest, TheFirstSegmentComesInFromAfarAtRest) {
  for (uint32_t seed : {1u, 2u, 77u, 4096u, 123456789u}) {
    SeedRandom(seed);
    Camera camera;
    camera.StartFlight();
    EXPECT_NEAR(Length(camera.keys[0].position), 90000, 1) << seed;
    EXPECT_EQ(camera.keys[0].tangent, Vec3{}) << seed;
    EXPECT_GE(Length(camera.keys[1].position), 40000 - 1) << seed;
    EXPECT_LE(Length(camera.keys[1].position), 45000 + 1) << seed;
    EXPECT_GE(Length(camera.keys[2].position), 40000 - 1) << seed;
    EXPECT_LE(Length(camera.keys[2].position), 45000 + 1) << seed;
    // Key 1's tangent is the Catmull-Rom one.
    ExpectNear(camera.keys[1].tangent, (camera.keys[2].position - camera.keys[0].position) * 0.5f,
               0.01f);
  }
}

TEST(CameraTest, LaterKeysStepFortyDegreesAboutAnAxisNearVertical) {
  SeedRandom(2024);
  Camera camera;
  camera.StartFlight();
  for (int step = 0; step < 300; ++step) {
    const Vec3 previous = camera.keys[2].position;
    camera.UpdateFlight(10);
    const Vec3 next = camera.keys[2].position;
    const Vec3 axis = camera.orbitAxis;
    ASSERT_LE(DegreesBetween(axis, {0, 1, 0}), 60.01f) << step;
    EXPECT_GE(Length(next), 20000 - 1) << step;
    EXPECT_LE(Length(next), 50000 + 1) << step;
    // The direction is the previous one turned by 40 degrees, clockwise seen from the axis's
    // tip: the part along the axis stays, the rest turns by 40 degrees.
    const Vec3 from = Normalize(previous), to = Normalize(next);
    const Vec3 a = Normalize(axis);
    EXPECT_NEAR(Dot(from, a), Dot(to, a), 1e-4f) << step;
    const Vec3 fromAcross = from - Dot(from, a) * a, toAcross = to - Dot(to, a) * a;
    EXPECT_NEAR(DegreesBetween(fromAcross, toAcross), 40, 0.05f) << step;
    EXPECT_LT(Dot(Cross(fromAcross, toAcross), a), 0) << "clockwise about the axis" << step;
  }
}

TEST(CameraTest, AHorizontalViewHasUpAlongMinusY) {
  // Exactly when looking along z; other horizontal directions pass through square roots of
  // one half in the quaternion and come back within rounding.
  for (const Vec3& position : {Vec3{0, 0, 1000}, Vec3{0, 0, -7}}) {
    const Matrix m = QuatToMatrix(FaceOrigin(position));
    ExpectNear({m[0], m[4], m[8]}, Normalize(-position), 1e-6f);
    EXPECT_EQ((Vec3{m[2], m[6], m[10]}), (Vec3{0, -1, 0}));
  }
  for (const Vec3& position : {Vec3{5000, 0, 0}, Vec3{-300, 0, -400}}) {
    const Matrix m = QuatToMatrix(FaceOrigin(position));
    ExpectNear({m[0], m[4], m[8]}, Normalize(-position), 1e-6f);
    ExpectNear({m[2], m[6], m[10]}, {0, -1, 0}, 1e-6f);
  }
}

TEST(CameraTest, SpeedSettingScalesTheFlight) {
  const struct {
    int32_t setting;
    float factor;
    float secondsPerSegment;
  } cases[] = {{0, 0.5f, 20}, {50, 1.5f, 6.6666665f}, {100, 2.5f, 4}};
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(CameraSpeedFactor(c.setting), c.factor) << c.setting;
    EXPECT_FLOAT_EQ(10 / CameraSpeedFactor(c.setting), c.secondsPerSegment) << c.setting;
  }
}

TEST(CameraTest, AStepOfTwoSegmentsChangesKeysOnceAndExtrapolates) {
  SeedRandom(5);
  Camera camera;
  camera.StartFlight();
  const Vec3 key2 = camera.keys[2].position;
  camera.UpdateFlight(25);  // progress 2.5
  EXPECT_EQ(camera.keys[1].position, key2) << "one change only";
  EXPECT_FLOAT_EQ(camera.progress, 1.5f);
  EXPECT_TRUE(std::isfinite(camera.position.x + camera.look.x + camera.up.x));
  camera.UpdateFlight(0);
  EXPECT_FLOAT_EQ(camera.progress, 0.5f) << "the next update changes keys again";
}

}  // namespace
}  // namespace solvane
