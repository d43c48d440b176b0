// The camera's flight (key changes, the first segment, the 40-degree steps and their axes, the
// orientation convention, the speed factor) and the math and random generator it flies by.
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

void ExpectNear(const Vec3& a, const Vec3& b, float tolerance = 1e-6f) {
  const Vec3 d = a - b;
  EXPECT_LE(std::fmax(std::fabs(d.x), std::fmax(std::fabs(d.y), std::fabs(d.z))), tolerance)
      << a.x << " " << a.y << " " << a.z;
}

void ExpectNear(const Quat& a, const Quat& b) {
  ExpectNear(Vec3{a.x, a.y, a.z}, Vec3{b.x, b.y, b.z});
  EXPECT_NEAR(a.w, b.w, 1e-6f);
}

TEST(CameraTest, KeysChangeOncePerUpdateWhenASegmentIsDone) {
  SeedRandom(99);
  Camera camera;
  camera.StartFlight();
  const CameraKey key0 = camera.keys[0], key1 = camera.keys[1], key2 = camera.keys[2];
  camera.UpdateFlight(0);
  EXPECT_TRUE(camera.position == key0.position && camera.eye == camera.position);
  ExpectNear(camera.look, Normalize(-key0.position), 1e-5f);

  // A step of a whole segment: the keys move on and the camera stands at the old key 1.
  camera.UpdateFlight(10);
  EXPECT_EQ(camera.keys[0].position, key1.position);
  ExpectNear(camera.position, key1.position, 0.01f);
  ExpectNear(camera.look, Normalize(-key1.position), 1e-5f);

  // Two and a half segments: one change, the curves extrapolated, the next update another.
  camera.UpdateFlight(25);
  EXPECT_EQ(camera.keys[0].position, key2.position);
  EXPECT_FLOAT_EQ(camera.progress, 1.5f);
  EXPECT_TRUE(std::isfinite(camera.position.x + camera.look.x + camera.up.x));
  camera.UpdateFlight(0);
  EXPECT_FLOAT_EQ(camera.progress, 0.5f);
}

TEST(CameraTest, TheFirstSegmentComesInFromAfarAtRest) {
  for (uint32_t seed : {1u, 2u, 77u, 4096u, 123456789u}) {
    SeedRandom(seed);
    Camera camera;
    camera.StartFlight();
    EXPECT_NEAR(Length(camera.keys[0].position), 90000, 1) << seed;
    EXPECT_EQ(camera.keys[0].tangent, Vec3{}) << seed;
    for (int k = 1; k <= 2; ++k) {
      EXPECT_NEAR(Length(camera.keys[k].position), 42500, 2501) << seed << " key " << k;
    }
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
    EXPECT_NEAR(Length(next), 35000, 15001) << step;
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
  for (const Vec3& position :
       {Vec3{0, 0, 1000}, Vec3{0, 0, -7}, Vec3{5000, 0, 0}, Vec3{-300, 0, -400}}) {
    const Matrix m = QuatToMatrix(FaceOrigin(position));
    ExpectNear(Vec3{m[0], m[4], m[8]}, Normalize(-position));
    ExpectNear(Vec3{m[2], m[6], m[10]}, {0, -1, 0}, position.x == 0 ? 0 : 1e-6f);
  }
}

TEST(CameraTest, SpeedSettingScalesTheFlight) {
  for (const auto& [setting, factor] : {std::pair{0, 0.5f}, {50, 1.5f}, {100, 2.5f}}) {
    EXPECT_FLOAT_EQ(CameraSpeedFactor(setting), factor) << setting;
  }
}

TEST(RandomTest, SequenceFromTheStartStateAndASeed) {
  SeedRandom(1);
  // state = state * 214013 + 2531011, bits 16 to 30.
  for (int32_t value : {41, 18467, 6334}) EXPECT_EQ(NextRandom(), value);
  SeedRandom(0);
  EXPECT_EQ(NextRandom(), 38);
  SeedRandom(0xFFFFFFFF);
  EXPECT_EQ(NextRandom() & ~32767, 0);
  SeedRandom(1);
  EXPECT_FLOAT_EQ(Random01(), 41.0f / 32767.0f);
}

TEST(MathTest, RotateVectorTurnsTheRowVectorWay) {
  ExpectNear(RotateVector({1, 0, 0}, {0, 0, 5}, 90), {0, -1, 0});  // the axis is normalised
  ExpectNear(RotateVector({1, 0, 0}, {0, 0, 1}, 180), {-1, 0, 0});
  // 90000 (-sin 40, 0, cos 40)
  ExpectNear(RotateVector({0, 0, 90000}, {0, 1, 0}, 40), {-57850.885f, 0, 68944.0f}, 0.05f);
}

TEST(MathTest, RandomUnitVectorUsesThreeDrawsInOrder) {
  SeedRandom(7);
  const float x = -10 + Random01() * 20, y = -10 + Random01() * 20, z = -10 + Random01() * 20;
  const float length = std::sqrt(x * x + y * y + z * z);
  const int32_t after = NextRandom();
  SeedRandom(7);
  const Vec3 v = RandomUnitVector();
  ExpectNear(v, {x / length, y / length, z / length});
  EXPECT_EQ(NextRandom(), after);
}

TEST(MathTest, SlerpBands) {
  const Quat a{0, 0, 0, 1};
  // cos 0.95 and 0.5 apart: linear weights inside the 0.1 band, sine weights outside it.
  const Quat near{std::sqrt(1 - 0.95f * 0.95f), 0, 0, 0.95f};
  ExpectNear(Slerp(a, near, 0.5f), {near.x * 0.5f, 0, 0, 0.5f + 0.95f * 0.5f});
  const Quat far{std::sqrt(0.75f), 0, 0, 0.5f};
  const Quat half = Slerp(a, far, 0.5f);
  const float theta = std::acos(0.5f);
  const float weight = std::sin(0.5f * theta) / std::sin(theta);
  ExpectNear(half, {weight * far.x, 0, 0, weight + weight * 0.5f});
  // q and -q: b is negated first, so every t gives q.
  const Quat q = QuatNormalize({0.1f, 0.2f, 0.3f, 0.9f});
  for (float t : {0.0f, 0.3f, 1.0f, 1.7f}) ExpectNear(Slerp(q, {-q.x, -q.y, -q.z, -q.w}, t), q);
  // Bezier with every control the same is that quaternion.
  ExpectNear(QuatBezier(q, q, q, q, 0.4f), q);
}

TEST(MathTest, HermiteEnds) {
  const Vec3 p0{1, 2, 3}, p1{4, 5, 6}, t0{10, 0, 0}, t1{0, 10, 0};
  EXPECT_EQ(HermitePoint(p0, p1, t0, t1, 0), p0);
  EXPECT_EQ(HermitePoint(p0, p1, t0, t1, 1), p1);
  ExpectNear(HermitePoint(p0, p1, {}, {}, 0.5f), {2.5f, 3.5f, 4.5f});
}

}  // namespace
}  // namespace solvane
