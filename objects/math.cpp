#include "objects/math.h"

#include <cmath>
#include <numbers>

#include "objects/random.h"

namespace solvane {

Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 Normalize(const Vec3& v) {
  const float lengthSquared = v.x * v.x + v.y * v.y + v.z * v.z;
  if (lengthSquared == 0) return {};
  const float s = float(1.0 / std::sqrt(double(lengthSquared)));
  return {v.x * s, v.y * s, v.z * s};
}

Vec3 RandomUnitVector() {
  const float x = -10 + Random01() * 20;
  const float y = -10 + Random01() * 20;
  const float z = -10 + Random01() * 20;
  const float length = std::sqrt(x * x + y * y + z * z);
  if (length == 0) return {};
  return {x / length, y / length, z / length};
}

Vec3 RotateVector(const Vec3& v, const Vec3& axis, float angleDegrees) {
  const Vec3 n = Normalize(axis);
  const float radians = angleDegrees * float(std::numbers::pi / 180);
  const float c = std::cos(radians), s = std::sin(radians), k = 1 - c;
  // The rotation matrix of glRotatef, rows r and columns c; the row vector v multiplies it.
  const float r[3][3] = {{n.x * n.x * k + c, n.x * n.y * k - n.z * s, n.x * n.z * k + n.y * s},
                         {n.y * n.x * k + n.z * s, n.y * n.y * k + c, n.y * n.z * k - n.x * s},
                         {n.x * n.z * k - n.y * s, n.y * n.z * k + n.x * s, n.z * n.z * k + c}};
  return {v.x * r[0][0] + v.y * r[1][0] + v.z * r[2][0],
          v.x * r[0][1] + v.y * r[1][1] + v.z * r[2][1],
          v.x * r[0][2] + v.y * r[1][2] + v.z * r[2][2]};
}

Matrix MatrixFromAxes(const Vec3& a, const Vec3& b, const Vec3& c) {
  return {a.x, a.y, a.z, 0, b.x, b.y, b.z, 0, c.x, c.y, c.z, 0, 0, 0, 0, 1};
}

Vec3 HermitePoint(const Vec3& p0, const Vec3& p1, const Vec3& t0, const Vec3& t1, float s) {
  const float s2 = s * s, s3 = s2 * s;
  const float h0 = 2 * s3 - 3 * s2 + 1, h1 = 3 * s2 - 2 * s3, h2 = s3 - 2 * s2 + s, h3 = s3 - s2;
  return {h0 * p0.x + h1 * p1.x + h2 * t0.x + h3 * t1.x,
          h0 * p0.y + h1 * p1.y + h2 * t0.y + h3 * t1.y,
          h0 * p0.z + h1 * p1.z + h2 * t0.z + h3 * t1.z};
}

Quat Slerp(const Quat& a, Quat b, float t) {
  float d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
  if (d < 0) {
    d = -d;
    b = {-b.x, -b.y, -b.z, -b.w};
  }
  float wa = 1 - t, wb = t;
  if (1 - d > 0.1f) {
    const float theta = std::acos(d);
    const float sine = std::sin(theta);
    wa = std::sin((1 - t) * theta) / sine;
    wb = std::sin(t * theta) / sine;
  }
  return {wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w};
}

Quat QuatBezier(const Quat& q0, const Quat& q3, const Quat& q1, const Quat& q2, float t) {
  const Quat a = Slerp(q0, q1, t), b = Slerp(q1, q2, t), c = Slerp(q2, q3, t);
  return Slerp(Slerp(a, b, t), Slerp(b, c, t), t);
}

Quat QuatNormalize(const Quat& q) {
  const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  if (length == 0) return q;
  return {q.x / length, q.y / length, q.z / length, q.w / length};
}

Quat MatrixToQuat(const Matrix& m) {
  const float trace = m[0] + m[5] + m[10];
  if (trace > 0) {
    float s = std::sqrt(trace + 1);
    const float w = s / 2;
    s = 0.5f / s;
    return {(m[6] - m[9]) * s, (m[8] - m[2]) * s, (m[1] - m[4]) * s, w};
  }
  int i = 0;
  if (m[5] > m[0]) i = 1;
  if (m[10] > m[size_t(5 * i)]) i = 2;
  const int j = (i + 1) % 3, k = (j + 1) % 3;
  const auto at = [&](int index) { return m[size_t(index)]; };
  float s = std::sqrt(at(5 * i) - (at(5 * j) + at(5 * k)) + 1);
  float q[3];
  q[i] = s / 2;
  if (s != 0) s = 0.5f / s;
  const float w = (at(4 * j + k) - at(4 * k + j)) * s;
  q[j] = (at(4 * i + j) + at(4 * j + i)) * s;
  q[k] = (at(4 * i + k) + at(4 * k + i)) * s;
  return {q[0], q[1], q[2], w};
}

Matrix QuatToMatrix(const Quat& q) {
  const float x2 = 2 * q.x, y2 = 2 * q.y, z2 = 2 * q.z;
  Matrix m{};
  m[0] = 1 - (q.y * y2 + q.z * z2);
  m[1] = q.x * y2 - q.w * z2;
  m[2] = q.x * z2 + q.w * y2;
  m[4] = q.x * y2 + q.w * z2;
  m[5] = 1 - (q.x * x2 + q.z * z2);
  m[6] = q.y * z2 - q.w * x2;
  m[8] = q.x * z2 - q.w * y2;
  m[9] = q.y * z2 + q.w * x2;
  m[10] = 1 - (q.x * x2 + q.y * y2);
  m[15] = 1;
  return m;
}

}  // namespace solvane
