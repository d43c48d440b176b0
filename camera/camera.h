// The one camera of the program and its endless flight around the star at the origin: a chain
// of keys, each 40 degrees on from the last about a randomly tilted axis, joined by Hermite
// curves for the position and Bezier curves on quaternions for the orientation.
#pragma once

#include <array>

#include "objects/math.h"

namespace solvane {

struct CameraKey {
  virtual ~CameraKey() = default;
  Vec3 position;
  Vec3 tangent;      // the path's derivative at the key, per unit of progress
  Quat orientation;  // takes x to the viewing direction, y to the right, z to up
  Quat inControl;    // Bezier control before the key
  Quat outControl;   // and after it
};

class Camera {
 public:
  virtual ~Camera() = default;

  // The first three keys: from 90000 units out towards the star, then two 40-degree steps.
  void StartFlight();
  // Advances along the path by `step` seconds of flight (frame time x cameraSpeedFactor); one
  // segment lasts 10 such seconds.
  void UpdateFlight(double step);
  // Loads the view for eye, look and up into the modelview matrix (multiplied onto it).
  void ApplyView() const;
  // Key 2 from key 1: turned 40 degrees about an axis within 60 degrees of (0, 1, 0), at 20000
  // to 50000 units from the origin.
  void MakeNextKey();

  Vec3 up{0, 1, 0};
  Vec3 look{0, 0, -1};
  Vec3 position;
  float progress = 0;  // 0 at key 0, 1 at key 1
  std::array<CameraKey, 3> keys;
  Quat orientation;
  Vec3 orbitAxis{0, 1, 0};  // the axis of the last step MakeNextKey took
  Vec3 eye;  // what the view and the objects use; equal to position after every update
};

// The orientation of a key at `position` that looks at the origin. A horizontal view has up
// along -y.
Quat FaceOrigin(const Vec3& position);
// The Bezier controls of `key` between its neighbours, for a smooth turn through it.
void SmoothKeyControls(const CameraKey& previous, CameraKey& key, const CameraKey& next);

extern Camera camera;

}  // namespace solvane
