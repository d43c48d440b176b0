// The "mesh" block: the script's scene geometry drawn at a position, turned by its own axes and
// one extra rotation, scaled, textured, with a choice of lighting and material.
#pragma once

#include <cstdint>

#include "objects/scene_object.h"

namespace solvane {

class Mesh final : public SceneObject {
 public:
  Mesh();
  void Draw(const Camera& camera) override;
  void Update(double dt) override;
  // The block's name, and the geometry of the script's last "geometry" line.
  void BeginBlock(const char* beginLine);
  // `line` is the block's buffer: a "material" line reads the four lines after it into it.
  void ApplyLine(char* line, const ObjectList& list);

  uint32_t displayList = 0;  // a copy of the scene geometry's list when the block began
  float orientAngle = 0;
  float scale = 1;
  bool metal = false;  // specular, lit by light 0
  bool light = false;  // texture added to the lit colour
  bool illum = false;  // unlit
  bool blend = false;  // alpha-blended, both faces
  Vec3 orientAxis{0, 1, 0};
};

void ParseMesh(ObjectList& list);

}  // namespace solvane
