// The shared math: rotation senses, interpolation bands, conversions and the random generator.
#include "objects/math.h"

#include <gtest/gtest.h>

#include <cmath>

#include "objects/random.h"

namespace solvane {
namespace {

void ExpectNear(const Vec3& a, const Vec3& b, float tolerance = 1e-6f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

void ExpectNear(const Quat& a, const Quat& b, float tolerance = 1e-6f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
  EXPECT_NEAR(a.w, b.w, tolerance);
}

TEST(RandomTest, SequenceFromTheStartStateAndASeed) {
  SeedRandom(1);
  // state = state * 214013 + 2531011, bits 16 to 30.
  EXPECT_EQ(NextRandom(), 41);
  EXPECT_EQ(NextRandom(), 18467);
  EXPECT_EQ(NextRandom(), 6334);
  SeedRandom(0);
  EXPECT_EQ(NextRandom(), 38);
  SeedRandom(0xFFFFFFFF);
  const int32_t value = NextRandom();
  EXPECT_GE(value, 0);
  EXPECT_LE(value, 32767);
  SeedRandom(1);
  EXPECT_FLOAT_EQ(Random01(), 41.0f / 32767.0f);
}

TEST(MathTest, RotateVectorTurnsTheRowVectorWay) {
  const struct {
    Vec3 v, axis;
    float angle;
    Vec3 expected;
  } cases[] = {
      {{1, 0, 0}, {0, 0, 1}, 90, {0, -1, 0}},
      {{0, 1, 0}, {0, 0, 1}, 90, {1, 0, 0}},
      {{0, 0, 1}, {1, 0, 0}, 90, {0, 1, 0}},
      {{1, 0, 0}, {0, 0, 5}, 90, {0, -1, 0}},  // the axis is normalised
      {{1, 2, 3}, {0, 1, 0}, 0, {1, 2, 3}},
      {{1, 0, 0}, {0, 0, 1}, 180, {-1, 0, 0}},
      {{0, 0, 90000}, {0, 1, 0}, 40, {-57850.885f, 0, 68944.0f}},  // 90000 (-sin 40, 0, cos 40)
  };
  for (const auto& c : cases) {
    const Vec3 result = RotateVector(c.v, c.axis, c.angle);
    ExpectNear(result, c.expected, std::fabs(c.v.z) > 1000 ? 0.05f : 1e-6f);
  }
}

TEST(MathTest, NormalizeAndCross) {
  ExpectNear(Normalize({3, 0, 4}), {0.6f, 0, 0.8f});
  EXPECT_EQ(Normalize({0, 0, 0}), (Vec3{0, 0, 0})) << "no NaNs from the zero vector";
  EXPECT_EQ(Cross({1, 0, 0}, {0, 1, 0}), (Vec3{0, 0, 1}));
  EXPECT_EQ(Cross({0, 0, -1}, {0, 1, 0}), (Vec3{1, 0, 0}));
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

TEST(MathTest, MatrixQuaternionConversions) {
  const Matrix identity = MatrixFromAxes({1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  ExpectNear(MatrixToQuat(identity), {0, 0, 0, 1});
  // The axes of a camera looking along -z: f = (0,0,-1), r = (1,0,0), u = (0,-1,0). The trace is
  // below zero, so the largest-diagonal branch runs.
  const Matrix axes = MatrixFromAxes({0, 0, -1}, {1, 0, 0}, {0, -1, 0});
  const Quat q = MatrixToQuat(axes);
  EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1, 1e-6);
  // QuatToMatrix gives the transpose of the matrix MatrixToQuat read.
  const Matrix back = QuatToMatrix(q);
  for (int c = 0; c < 3; ++c) {
    for (int r = 0; r < 3; ++r) EXPECT_NEAR(back[size_t(4 * c + r)], axes[size_t(4 * r + c)], 1e-6);
  }
  EXPECT_EQ(back[15], 1);
  EXPECT_EQ(back[3], 0);
}

TEST(MathTest, HermiteEnds) {
  const Vec3 p0{1, 2, 3}, p1{4, 5, 6}, t0{10, 0, 0}, t1{0, 10, 0};
  EXPECT_EQ(HermitePoint(p0, p1, t0, t1, 0), p0);
  EXPECT_EQ(HermitePoint(p0, p1, t0, t1, 1), p1);
  ExpectNear(HermitePoint(p0, p1, {}, {}, 0.5f), {2.5f, 3.5f, 4.5f});
}

}  // namespace
}  // namespace solvane
