// Vectors, quaternions and matrices shared by the scene objects and the camera. Everything is
// single precision and angles are in degrees, as the scene scripts give them.
#pragma once

#include <array>

namespace solvane {

struct Vec3 {
  float x = 0;
  float y = 0;
  float z = 0;
  friend bool operator==(const Vec3&, const Vec3&) = default;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(const Vec3& a, const Vec3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator-(const Vec3& v) {
  return {-v.x, -v.y, -v.z};
}
inline Vec3 operator*(float s, const Vec3& v) {
  return {s * v.x, s * v.y, s * v.z};
}
inline Vec3 operator*(const Vec3& v, float s) {
  return {v.x * s, v.y * s, v.z * s};
}
inline float Dot(const Vec3& a, const Vec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

// A rotation as x, y, z and the scalar part w.
struct Quat {
  float x = 0;
  float y = 0;
  float z = 0;
  float w = 1;
  friend bool operator==(const Quat&, const Quat&) = default;
};

// Column-major: element 4c + r is column c, row r.
using Matrix = std::array<float, 16>;

Vec3 Cross(const Vec3& a, const Vec3& b);
// The zero vector stays zero rather than turning into NaNs.
Vec3 Normalize(const Vec3& v);
// A direction from three draws of the random generator (x, then y, then z), each in -10..10,
// divided by the triple's length: the cube's corners are favoured.
Vec3 RandomUnitVector();
// `v` as a row vector times the rotation glRotatef(angle, axis) makes: the right-handed rotation
// about the axis by -angle, so (1, 0, 0) about (0, 0, 1) by 90 gives (0, -1, 0).
Vec3 RotateVector(const Vec3& v, const Vec3& axis, float angleDegrees);
// The matrix whose first three columns are a, b and c.
Matrix MatrixFromAxes(const Vec3& a, const Vec3& b, const Vec3& c);
// The cubic Hermite curve through p0 and p1 with tangents t0 and t1, at s in 0..1.
Vec3 HermitePoint(const Vec3& p0, const Vec3& p1, const Vec3& t0, const Vec3& t1, float s);
// Spherical interpolation along the shorter arc; linear weights when 1 - cos(angle) is at most
// 0.1; t may lie outside 0..1. The result is not renormalised.
Quat Slerp(const Quat& a, Quat b, float t);
// The Bezier curve from q0 to q3 with inner controls q1 and q2, by repeated Slerp.
Quat QuatBezier(const Quat& q0, const Quat& q3, const Quat& q1, const Quat& q2, float t);
Quat QuatNormalize(const Quat& q);
Quat MatrixToQuat(const Matrix& m);
// The transpose of the rotation that MatrixToQuat reads, as the camera and meshes expect.
Matrix QuatToMatrix(const Quat& q);

}  // namespace solvane
