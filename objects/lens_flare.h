// The "flare" block: a bright point whose glow fades with a depth-buffer occlusion test, with an
// optional lens effect of streaks and a chain of small elements through the window centre.
#pragma once

#include <array>
#include <cstdint>

#include "objects/scene_object.h"

namespace solvane {

class LensFlare final : public SceneObject {
 public:
  LensFlare();
  void Draw(const Camera& camera) override;
  void Update(double dt) override;
  // `line` is the block's buffer: a "lenseffect" line reads the four lines after it into it.
  void ApplyLine(char* line, const ObjectList& list);
  // Lens texture slot `slot` (0 to 2) takes the registered texture at `path`, if there is one.
  void SetLensTexture(std::string_view path, int slot);

  float level = 0;  // brightness, normally 0..1
  float size = 10;  // glow half-height in pixels
  float lensSize = 5;
  float fadeIn = 6;   // per second
  float fadeOut = 6;  // per second
  float fov = 0.1f;
  float spinAngle = 0;
  float spinSpeed = 24;  // degrees per second
  float xy = 1;
  float flickerTimer = 0;
  float flickerDimEnd = 0;
  float flickerCycleEnd = 0;
  float flash = 0;  // flicker length scale in seconds
  float focus = 0;
  float lumin = 1;
  SceneObject* flareParent = nullptr;  // not owned
  bool unoccluded = false;
  bool hasLensEffect = false;
  bool isEnv = false;
  bool hasFocus = false;
  bool hasOrient = false;
  Vec3 anchor;
  Vec3 orient;
  std::array<uint32_t, 3> lensTextures{};

 private:
  // In window space, at the projected point (wx, wy).
  void DrawGlow(const Camera& camera, float wx, float wy);
  void DrawLensEffect(float wx, float wy);
};

void ParseLensFlare(ObjectList& list);

}  // namespace solvane
