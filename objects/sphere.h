// The "sphere" block: a display-list body scaled by a radius, textured, spun about an axis, and
// optionally orbiting, flashing, facing the camera or drawn as a sky box around the camera.
#pragma once

#include <cstdint>

#include "objects/scene_object.h"

namespace solvane {

// Seconds into the scene: set to 0 at start-up and never advanced, so orbits, moons and the
// build-up effect stay at their first state.
extern float SceneTime;

class Sphere final : public SceneObject {
 public:
  Sphere();
  void Draw(const Camera& camera) override;
  void Update(double dt) override;
  bool TextureMayShrink() const override { return !env; }
  // The block's name, the standard sphere body and the alpha flag the script carries.
  void BeginBlock(const char* beginLine);
  // One line of the block: every keyword it matches, in table order.
  void ApplyLine(char* line, const ObjectList& list);

  Vec3 rotationAxis{0, 1, 0};
  uint32_t geometry = 0;  // display list drawn as the body
  float rotationAngle = 0;
  float rotationSpeed = 0.2f;  // degrees per second
  float radius = 5;
  float alpha = 1;
  float fov = 1;  // half-height of an "env" sphere's private frustum
  float tiling = 1;
  float detiling = 0;  // degrees
  float flashTimer = 1;
  float flashPeriod = 1;
  float flashOffsetS = 0;
  float flashOffsetT = 0;
  float flashTexAngle = 0;
  Vec3 orientAxis{1, 0, 0};
  float orientAngle = 90;
  float period = 365;
  bool env = false;
  bool light = false;
  bool atmo = false;
  bool wire = false;
  bool orbitMotion = true;
  bool depth = false;
  bool mask = false;
  bool flash = false;
  bool flashOn = false;
  bool rnd = false;
  bool sys = false;
  bool uranmoon = false;
  bool plt = false;
  bool specular = false;

 private:
  // The build-up of a "wire" sphere in the scene's first 25 seconds.
  void DrawBuildUp();
};

// Reads one "sphere" block from the scene script and appends the sphere to `list`.
void ParseSphere(ObjectList& list);

}  // namespace solvane
