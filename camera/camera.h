// The one camera of the program and its flight around the star.
#pragma once

#include "objects/math.h"

namespace solvane {

class Camera {
 public:
  virtual ~Camera() = default;

  Vec3 up{0, 1, 0};
  Vec3 look{0, 0, -1};
  Vec3 position;
  Vec3 eye;  // what the view and the objects use; equal to position after every update

  void StartFlight();
  void UpdateFlight(double step);
  // Loads the view for eye, look and up into the modelview matrix (multiplied onto it).
  void ApplyView() const;
};

extern Camera camera;

}  // namespace solvane
