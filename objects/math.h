// Vectors, quaternions and matrices shared by the scene objects and the camera.
#pragma once

namespace solvane {

struct Vec3 {
  float x = 0;
  float y = 0;
  float z = 0;
};

}  // namespace solvane
