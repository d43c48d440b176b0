#include "camera/camera.h"

#include "objects/random.h"
#include "platform/opengl.h"

namespace solvane {

Camera camera;

namespace {

// Each step of the path turns by this many degrees.
constexpr float kStepAngle = 40;

// 0 to 60 degrees from one draw.
float RandomTilt() {
  return static_cast<float>(NextRandom()) * 0.0018311106f;
}

// `axis` turned by a random tilt about a random direction; the tilt is drawn first.
Vec3 TiltedAxis(const Vec3& axis) {
  const float tilt = RandomTilt();
  return RotateVector(axis, RandomUnitVector(), tilt);
}

void JoinKeys(CameraKey& key0, CameraKey& key1, const CameraKey& key2) {
  key1.tangent = (key2.position - key0.position) * 0.5f;
  SmoothKeyControls(key0, key1, key2);
}

}  // namespace

Quat FaceOrigin(const Vec3& position) {
  const Vec3 forward = Normalize(-position);
  const Vec3 right = Normalize(Cross(forward, {0, 1, 0}));
  const Vec3 up = Normalize(Cross(forward, right));
  return MatrixToQuat(MatrixFromAxes(forward, right, up));
}

void SmoothKeyControls(const CameraKey& previous, CameraKey& key, const CameraKey& next) {
  const Quat a = Slerp(key.orientation, previous.orientation, -1.0f / 3);
  const Quat b = Slerp(key.orientation, next.orientation, 1.0f / 3);
  const Quat m = Slerp(a, b, 0.5f);
  key.inControl = Slerp(key.orientation, m, -1);
  key.outControl = Slerp(key.orientation, m, 1);
}

void Camera::StartFlight() {
  CameraKey& key0 = keys[0];
  CameraKey& key1 = keys[1];
  CameraKey& key2 = keys[2];

  const Vec3 firstAxis = RandomUnitVector();
  const float angle = static_cast<float>(NextRandom()) * 0.010681478f + 10;
  key0.position = RotateVector({0, 0, 90000}, firstAxis, angle);
  key0.tangent = {};
  key0.orientation = FaceOrigin(key0.position);

  const float distance1 = static_cast<float>(NextRandom()) * 0.15259255f + 40000;
  const Vec3 axis1 = TiltedAxis(firstAxis);
  key1.position = RotateVector(distance1 * Normalize(key0.position), axis1, kStepAngle);
  key1.tangent = {};
  key1.orientation = FaceOrigin(key1.position);
  key0.outControl = Slerp(key0.orientation, key1.orientation, 1.0f / 3);

  const Vec3 axis2 = TiltedAxis(axis1);
  const Vec3 turned = RotateVector(key1.position, axis2, kStepAngle);
  const float distance2 = static_cast<float>(NextRandom()) * 0.15259255f + 40000;
  key2.position = distance2 * Normalize(turned);
  key2.orientation = FaceOrigin(key2.position);

  JoinKeys(key0, key1, key2);
}

void Camera::MakeNextKey() {
  orbitAxis = TiltedAxis({0, 1, 0});
  const Vec3 turned = RotateVector(keys[1].position, orbitAxis, kStepAngle);
  const float distance = static_cast<float>(NextRandom()) * 0.9155553f + 20000;
  keys[2].position = distance * Normalize(turned);
  keys[2].orientation = FaceOrigin(keys[2].position);
}

void Camera::UpdateFlight(double step) {
  progress = static_cast<float>(progress + step * 0.1);
  // One key change per update at most: a longer step extrapolates the curves for a frame.
  if (progress >= 1) {
    progress -= 1;
    keys[0] = keys[1];
    keys[1] = keys[2];
    MakeNextKey();
    JoinKeys(keys[0], keys[1], keys[2]);
  }

  const float t = progress;
  position = HermitePoint(keys[0].position, keys[1].position, keys[0].tangent, keys[1].tangent, t);
  eye = position;
  orientation = QuatNormalize(QuatBezier(keys[0].orientation, keys[1].orientation,
                                         keys[0].outControl, keys[1].inControl, t));
  const Matrix m = QuatToMatrix(orientation);
  look = {m[0], m[4], m[8]};
  up = {m[2], m[6], m[10]};
}

void Camera::ApplyView() const {
  gluLookAt(eye.x, eye.y, eye.z, double{eye.x} + look.x, double{eye.y} + look.y,
            double{eye.z} + look.z, up.x, up.y, up.z);
}

}  // namespace solvane
