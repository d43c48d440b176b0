// The "flame" block: a glowing ellipse in world space with four soft bands fading from an inner
// to an outer colour, and a solid outline.
#pragma once

#include "objects/scene_object.h"

namespace solvane {

class Flame final : public SceneObject {
 public:
  void Draw(const Camera& camera) override;
  void Update(double dt) override;
  // One line of the block: every keyword it matches, in table order.
  void ApplyLine(char* line, const ObjectList& list);

  SceneObject* flameParent = nullptr;  // recorded, not used
  Vec3 orient;                         // the ellipse's centre
  Vec3 colorFrom{1, 1, 0};
  Vec3 colorTo{0, 0, 1};
  float offset = 0.2f;  // band width
  float size = 0.8f;    // radius along z; a scripted size has 2000 added
  float angle = 0;      // rise of the ring's y per unit of x
  float ell = 1;        // stretch along x
};

void ParseFlame(ObjectList& list);

}  // namespace solvane
