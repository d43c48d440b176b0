#include "objects/billboard.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "camera/camera.h"
#include "objects/draw_helpers.h"
#include "objects/modulate_program.h"
#include "objects/random.h"
#include "objects/view.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"
#include "scene/texture_manager.h"

namespace solvane {

namespace {

// "up" and "right" lines are divided by their length; a zero vector stays zero.
Vec3 ReadDirection(const char* line, const char* format, Vec3 current) {
  std::sscanf(line, format, &current.x, &current.y, &current.z);
  const float length =
      std::sqrt(current.x * current.x + current.y * current.y + current.z * current.z);
  if (length == 0) return current;
  return {current.x / length, current.y / length, current.z / length};
}

// The outline of the bound texture, where a square drawn only inside it shows the same: the
// texture adds its colour (additive blending, its colour multiplied in or replacing), the image
// is not tiled, and only its first level is sampled. Null where the whole square is needed.
const std::vector<std::array<float, 2>>* BoundOutline(bool additive, float tiling) {
  if (!additive || tiling != 1 || !glIsEnabled(GL_TEXTURE_2D)) return nullptr;
  GLint mode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  if (mode != GL_MODULATE && mode != GL_REPLACE) return nullptr;
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  const Texture* texture = FindTextureById(uint32_t(bound));
  if (texture == nullptr || texture->outline.empty() || MinFilter(*texture) != GL_LINEAR) {
    return nullptr;
  }
  return &texture->outline;
}

}  // namespace

Billboard::Billboard() {
  position = {};
  spinSpeed = 60 * (1 - 2 * Random01());
}

void Billboard::ApplyLine(char* line, const ObjectList& list) {
  const auto is = [line](const char* keyword) { return MatchesKeyword(line, keyword); };
  if (is("size")) std::sscanf(line, "size %f", &size);
  if (is("rotation")) {
    // Scripts give the spin per sixtieth of a second.
    float perTick = spinSpeed / 60;
    if (std::sscanf(line, "rotation %f %f", &spinAngle, &perTick) == 2) spinSpeed = perTick * 60;
  }
  if (is("tiling")) std::sscanf(line, "tiling %f", &tiling);
  if (is("parent")) {
    ApplyParentLine(billboardParent, list, line);
    std::sscanf(line, "parent %*s V(%f %f %f)", &anchor.x, &anchor.y, &anchor.z);
  }
  if (is("FOV")) std::sscanf(line, "FOV %f", &fov);
  if (is("alpha")) std::sscanf(line, "alpha %f", &alpha);
  if (is("orient off")) orientOff = true;
  if (is("blend")) blend = true;
  if (is("depth")) depth = true;
  if (is("sys")) sys = true;
  if (is("env")) {
    env = true;
    std::sscanf(line, "env V(%f %f %f)", &anchor.x, &anchor.y, &anchor.z);
  }
  if (is("oreol")) {
    oreol = true;
    std::sscanf(line, "oreol V(%f %f %f) %f", &anchor.x, &anchor.y, &anchor.z, &oreolDistance);
  }
  if (is("flash")) {
    flash = true;
    std::sscanf(line, "flash %f %f %f)", &flashTimer, &flashHidden, &flashVisible);
  }
  if (is("texture")) ApplyTextureLine(*this, line);
  if (is("up")) up = ReadDirection(line, "up V(%f %f %f)", up);
  if (is("right")) rightAxis = ReadDirection(line, "right V(%f %f %f)", rightAxis);
  if (is("position"))
    std::sscanf(line, "position V(%f %f %f)", &position.x, &position.y, &position.z);
  if (is("color")) std::sscanf(line, "color V(%f %f %f)", &tint.x, &tint.y, &tint.z);
  if (is("xy")) std::sscanf(line, "xy %f", &xy);
}

void Billboard::Update(double dt) {
  const float step = static_cast<float>(dt);
  spinAngle += spinSpeed * step;
  if (spinAngle > 360) spinAngle -= 360;
  if (spinAngle < 0) spinAngle += 360;
  // The blink clock runs whether or not the billboard blinks.
  flashTimer += step;
  const float cycle = flashHidden + flashVisible;
  if (flashTimer > cycle) flashTimer -= cycle;
}

void Billboard::Draw(const Camera& camera) {
  if (billboardParent != nullptr && !billboardParent->visible) return;
  // A corona centred on the viewer has no silhouette to follow: nothing to draw this frame.
  const Vec3 toViewer = camera.position - anchor;
  const float viewerDistance = std::sqrt(Dot(toViewer, toViewer));
  if (oreol && viewerDistance == 0) return;

  float halfSize = size;
  glPushMatrix();
  if (env) {
    position = camera.eye + anchor;
    PushPrivateProjection(fov);
  }
  if (billboardParent != nullptr) {
    // Only the anchor's height is used, always along the viewer's up direction.
    position = billboardParent->position + anchor.y * Normalize(camera.up);
  }
  if (!orientOff) {
    // Face the viewer: its right and up directions in world space.
    const Matrix m = ModelviewMatrix();
    rightAxis = {m[0], m[4], m[8]};
    up = {m[1], m[5], m[9]};
  }
  if (oreol) {
    // The plane of the silhouette circle of a sphere of radius D seen from the viewer lies at
    // D² / |v| from its centre, and the circle there has radius D √(1 - k²).
    const float k = oreolDistance / viewerDistance;
    position = anchor + Normalize(toViewer) * k * oreolDistance;
    rightAxis = Normalize(Cross(toViewer, camera.up));
    up = Normalize(Cross(rightAxis, toViewer));
    halfSize = k * size + (1 - k * k) * oreolDistance;
  }
  if (depth) glDisable(GL_DEPTH_TEST);
  if (sys && billboardParent != nullptr) {
    const Vec3 p = billboardParent->position;
    up = orientOff ? Vec3{0, 1, 0} : Normalize(p);
    rightAxis = Normalize(Cross({0, 1, 0}, p));
  }
  Translate(position);
  const Vec3 stretchedRight = xy * rightAxis;
  Rotate(spinAngle, Cross(rightAxis, up));

  if (hasTexture) glBindTexture(GL_TEXTURE_2D, texture);
  glDisable(GL_LIGHTING);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDepthMask(GL_FALSE);
  if (oreol) glDisable(GL_DEPTH_TEST);
  if (blend) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glAlphaFunc(GL_ALWAYS, 0);
  }
  if (billboardParent != nullptr) {
    glColor4f(tint.x, tint.y, tint.z, alpha + RandomUniform(0, 0.3f));  // a new flicker per frame
  } else {
    glColor4f(1, 1, 1, alpha);
  }
  const bool hidden = flash && flashTimer < flashHidden;
  OnTextureMatrix([this] {
    glLoadIdentity();
    glScalef(tiling, tiling, 1);
  });
  if (!hidden) {
    // Coronas fade to black well inside their squares: the corners would only add nothing,
    // at the price of a full layer's fragments.
    const auto* outline = BoundOutline(!blend, tiling);
    DrawModulated([&] {
      if (outline != nullptr) {
        DrawSquarePart(halfSize * stretchedRight, halfSize * up, *outline);
      } else {
        DrawSquare(halfSize * stretchedRight, halfSize * up);
      }
    });
  }

  glDepthMask(GL_TRUE);
  glEnable(GL_LIGHTING);
  if (oreol || depth) glEnable(GL_DEPTH_TEST);
  if (blend) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glAlphaFunc(GL_ALWAYS, 0);
  }
  if (env) PopPrivateProjection();
  glPopMatrix();
  ResetTextureMatrix();
}

void ParseBillboard(ObjectList& list) {
  ParseObject<Billboard>(list);
}

}  // namespace solvane
