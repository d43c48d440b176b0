// The "billboard" block: one textured square. Coronas ("oreol") face the viewer in the plane of
// a sphere's silhouette; sky billboards ("env") ride with the eye; plain ones face the viewer.
#pragma once

#include "objects/scene_object.h"

namespace solvane {

class Billboard final : public SceneObject {
 public:
  Billboard();
  void Draw(const Camera& camera) override;
  void Update(double dt) override;
  bool TextureMayShrink() const override { return !env && !oreol; }
  // One line of the block: every keyword it matches, in table order.
  void ApplyLine(char* line, const ObjectList& list);

  float spinAngle = 0;  // degrees about the square's normal
  float size = 5;       // half-width before "xy"
  float alpha = 1;
  float tiling = 1;
  float spinSpeed = 0;  // degrees per second; random in -60..60 unless a "rotation" line says
  float fov = 0.1f;     // half-height of an "env" billboard's private frustum
  float xy = 1;         // horizontal stretch
  float oreolDistance = 1;
  Vec3 up{0, 1, 0};
  Vec3 rightAxis{1, 0, 0};
  Vec3 anchor;  // offset from the parent or the eye, or the corona's centre
  Vec3 tint{1, 1, 1};
  bool env = false;
  bool orientOff = false;
  bool flash = false;
  bool blend = false;
  bool depth = false;
  bool oreol = false;
  bool sys = false;
  float flashTimer = 0;
  float flashVisible = 0;
  float flashHidden = 0;
  SceneObject* billboardParent = nullptr;  // not owned
};

void ParseBillboard(ObjectList& list);

}  // namespace solvane
