// The base of everything a scene draws, and the lists that hold scene objects.
#pragma once

#include <vector>

namespace solvane {

class Camera;

class SceneObject {
 public:
  virtual ~SceneObject() = default;
  virtual void Draw(const Camera& camera) = 0;
  // Advances the object's animation by `dt` seconds.
  virtual void Update(double dt) = 0;
};

// Ordered and non-owning: objects live until the process ends.
using ObjectList = std::vector<SceneObject*>;

}  // namespace solvane
