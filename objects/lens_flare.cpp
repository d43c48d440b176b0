#include "objects/lens_flare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "camera/camera.h"
#include "objects/draw_helpers.h"
#include "objects/random.h"
#include "objects/view.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"

namespace solvane {

namespace {

// Pixel sizes in scripts are for a width of 800 and scale with the display's width.
float ScaledPixels(float value) {
  return value * static_cast<float>(viewSize.width) * 0.00125f;
}

}  // namespace

LensFlare::LensFlare() = default;

void LensFlare::SetLensTexture(std::string_view path, int slot) {
  SetTextureInto(path, lensTextures[size_t(slot)]);
}

void LensFlare::ApplyLine(char* line, const ObjectList& list) {
  const auto is = [&line](const char* keyword) { return MatchesKeyword(line, keyword); };
  // Per-frame rates in scripts are per sixtieth of a second.
  constexpr float kTicksPerSecond = 60;
  if (is("size") && std::sscanf(line, "size %f", &size) == 1) size = ScaledPixels(size);
  if (is("flash")) std::sscanf(line, "flash %f)", &flash);
  if (is("lumin")) std::sscanf(line, "lumin %f)", &lumin);
  if (is("focus")) {
    std::sscanf(line, "focus %f)", &focus);
    hasFocus = true;
  }
  if (is("parent")) {
    ApplyParentLine(flareParent, list, line);
    std::sscanf(line, "parent %*s V(%f %f %f)", &anchor.x, &anchor.y, &anchor.z);
  }
  if (is("FOV")) std::sscanf(line, "FOV %f", &fov);
  if (is("alpha")) {
    float in = fadeIn / kTicksPerSecond, out = fadeOut / kTicksPerSecond;
    const int read = std::sscanf(line, "alpha %f fade: %f %f", &level, &in, &out);
    if (read >= 2) fadeIn = in * kTicksPerSecond;
    if (read >= 3) fadeOut = out * kTicksPerSecond;
  }
  if (is("env")) {
    isEnv = true;
    std::sscanf(line, "env V(%f %f %f)", &anchor.x, &anchor.y, &anchor.z);
  }
  if (is("texture")) ApplyTextureLine(*this, line);
  if (is("position"))
    std::sscanf(line, "position V(%f %f %f)", &position.x, &position.y, &position.z);
  if (is("lenseffect")) {
    // Four lines by position: the element size, then the textures of slots 0, 1 and 2. The
    // tabs in these formats match any white space, so the lines may be indented or not.
    hasLensEffect = true;
    NextBlockLine(line);
    if (std::sscanf(line, "\tsize %f", &lensSize) == 1) lensSize = ScaledPixels(lensSize);
    for (int slot = 0; slot < 3; ++slot) {
      NextBlockLine(line);
      char word[ArchiveFile::kLineBufferSize] = {};
      if (std::sscanf(line, "\ttexture %127s", word) == 1) SetLensTexture(word, slot);
    }
  }
  if (is("rotation")) {
    float perTick = spinSpeed / kTicksPerSecond;
    if (std::sscanf(line, "rotation %f %f", &spinAngle, &perTick) == 2) {
      spinSpeed = perTick * kTicksPerSecond;
    }
  }
  if (is("xy")) std::sscanf(line, "xy %f", &xy);
  if (is("orient")) {
    std::sscanf(line, "orient V(%f %f %f)", &orient.x, &orient.y, &orient.z);
    hasOrient = true;
  }
}

namespace {

struct LensElement {
  float position;  // along the axis, as a share of the way from the flare to the window centre
  float size;      // times the lens size
  int slot;        // lens texture
};

// The fixed chain of lens elements.
constexpr LensElement kLensElements[] = {
    {-0.08f, 1.0f, 1}, {0.21f, 0.1f, 1},  {0.32f, 0.5f, 1}, {0.7f, 0.1f, 1},  {0.85f, 0.2f, 1},
    {0.89f, 0.12f, 1}, {1.21f, 0.05f, 1}, {1.39f, 0.2f, 1}, {1.44f, 0.4f, 1}, {1.8f, 1.3f, 1},
    {-0.3f, 0.5f, 1},  {0.6f, 0.2f, 1},   {0.4f, 0.4f, 1},  {0.75f, 0.1f, 1}, {0.8f, 0.2f, 1},
    {0.49f, 0.12f, 1}, {1.11f, 0.05f, 1}, {1.9f, 0.2f, 1},  {0.44f, 0.4f, 1}, {0.83f, 1.3f, 1},
    {-0.13f, 0.5f, 0}, {0.16f, 0.2f, 0},  {0.55f, 0.4f, 0},
};

// A quad about the current origin with texture coordinates (0,0), (0,1), (1,1), (1,0) at its
// corners from the bottom left, clockwise.
void DrawFlareQuad(float halfWidth, float halfHeight) {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(-halfWidth, -halfHeight);
  glTexCoord2f(0, 1);
  glVertex2f(-halfWidth, halfHeight);
  glTexCoord2f(1, 1);
  glVertex2f(halfWidth, halfHeight);
  glTexCoord2f(1, 0);
  glVertex2f(halfWidth, -halfHeight);
  glEnd();
}

// The window's size in pixels, as the window-space drawing sees it.
Vec3 WindowSize() {
  return {static_cast<float>(static_cast<uint32_t>(viewSize.width)),
          static_cast<float>(static_cast<uint32_t>(viewSize.height)), 0};
}

// A window coordinate as the pixel it falls in (cut towards zero); false for a position no
// window has, such as a script's infinite or huge coordinates give, which no int can hold.
bool ToPixel(float coordinate, int& pixel) {
  if (!(std::fabs(coordinate) < 1e9f)) return false;
  pixel = static_cast<int>(coordinate);
  return true;
}

// How far a direction in window space turns the glow: 90 degrees times its agreement with the
// flare's own direction from the window's corner.
float Agreement(const Vec3& a, float wx, float wy) {
  return Dot(Normalize(a), Normalize({wx, wy, 0}));
}

}  // namespace

void LensFlare::Update(double dt) {
  const float step = static_cast<float>(dt);
  if (unoccluded) {
    if (level < 1) level += fadeIn * step;
    if (level > 1) level = 1;
  } else {
    if (level > 0) level -= fadeOut * step;
    if (level < 0) level = 0;
  }

  spinAngle += spinSpeed * step;
  if (spinAngle > 360) spinAngle -= 360;
  if (spinAngle < 0) spinAngle += 360;

  // The flicker: a dimming phase, then a brightening one, of random lengths up to `flash`
  // seconds each. Nothing clamps the level here; the next fade step does.
  flickerTimer += step * 6;
  if (flickerTimer < flickerDimEnd) {
    level -= 0.7f * step;
  } else if (level > 0) {
    level += 0.7f * step;
  }
  if (flickerTimer > flickerCycleEnd) {
    const float dim = static_cast<float>(NextRandom()) * flash / 32767;
    flickerTimer = 0;
    flickerCycleEnd = (static_cast<float>(NextRandom()) * flash / 32767 + dim) * 6;
    flickerDimEnd = dim * 6;
  }
}

void LensFlare::Draw(const Camera& camera) {
  if (flareParent != nullptr && !flareParent->visible) return;
  glPushMatrix();
  if (hasTexture) glBindTexture(GL_TEXTURE_2D, texture);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  if (isEnv) {
    position = camera.eye + anchor;
    LoadPrivateProjection(fov);
  }
  if (flareParent != nullptr) {
    // The anchor in the parent's frame: x along its right, y along its up, z along its look.
    const SceneObject& p = *flareParent;
    position =
        p.position + anchor.x * p.right + anchor.y * Cross(p.right, p.look) + anchor.z * p.look;
  }
  glMatrixMode(GL_MODELVIEW);

  GLdouble modelview[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble px = 0, py = 0, pz = 0;
  const bool projected = gluProject(position.x, position.y, position.z, modelview, projection,
                                    viewport, &px, &py, &pz) == GL_TRUE;
  const float wx = static_cast<float>(px), wy = static_cast<float>(py);

  // Occlusion: the flare shows when nothing drawn before it is nearer at its pixel. A flare
  // behind the viewer, or outside the window, counts as hidden.
  float reference = isEnv ? 1.0f : static_cast<float>(pz);
  const Vec3 direction = isEnv ? Normalize(anchor) : Normalize(position - camera.position);
  if (Dot(direction, camera.look) < 0) reference = 1000;
  int pixelX = 0, pixelY = 0;
  unoccluded = false;
  if (projected && ToPixel(wx, pixelX) && ToPixel(wy, pixelY) && pixelX >= viewport[0] &&
      pixelY >= viewport[1] && pixelX < viewport[0] + viewport[2] &&
      pixelY < viewport[1] + viewport[3]) {
    GLfloat depthThere = 0;
    glReadPixels(pixelX, pixelY, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depthThere);
    unoccluded = depthThere >= reference;
  }

  if (level > 0) {
    DrawGlow(camera, wx, wy);
    if (hasLensEffect) DrawLensEffect(wx, wy);
    glEnable(GL_LIGHTING);
  }

  ResetTextureMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void LensFlare::DrawGlow(const Camera& camera, float wx, float wy) {
  BeginScreen2D();
  glDisable(GL_LIGHTING);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  float focusFactor = 1;
  if (hasFocus) {
    // Full strength looking straight along the anchor, nothing beyond `focus` away from it.
    const float along = Dot(Normalize(anchor), camera.look);
    // A focus of exactly 1 would divide by zero: only a dead-on view passes it.
    const float span = 1 - focus;
    focusFactor = span != 0 ? std::max(0.0f, (along - focus) / span) : (along >= 1 ? 1.0f : 0.0f);
  }
  glColor4f(1, 1, 1, focusFactor * lumin * level);
  glTranslatef(wx, wy, 0);
  glRotatef(spinAngle, 0, 0, 1);
  const float width = static_cast<float>(static_cast<uint32_t>(viewSize.width));
  const float height = static_cast<float>(static_cast<uint32_t>(viewSize.height));
  if (hasOrient) {
    glRotatef(90 * Agreement({orient.x - width / 2, orient.y - height / 2, orient.z}, wx, wy), 0, 0,
              1);
  }
  DrawFlareQuad(xy * size, size);
  EndOverlay2D();
}

void LensFlare::DrawLensEffect(float wx, float wy) {
  const Vec3 centre = 0.5f * WindowSize();
  const Vec3 flarePoint{wx, wy, 0};
  const Vec3 axis = centre - flarePoint;
  const Vec3 n = Normalize(axis);
  const Vec3 m{-n.y, n.x, 0};
  const float k = Agreement(centre, wx, wy);
  BeginScreen2D();

  // Three streaks along the axis, sharing one square.
  struct Streak {
    float along, scale, r, g, b, a, sign;
  };
  constexpr Streak kStreaks[] = {{-0.1f, 2.2f, 1, 0.7f, 0.5f, 0.2f, 1},
                                 {0.5f, 1.2f, 1, 0.3f, 0.3f, 0.7f, 1},
                                 {1.7f, 1.8f, 0.4f, 0.3f, 0.9f, 0.15f, -1}};
  glBindTexture(GL_TEXTURE_2D, lensTextures[2]);
  for (const Streak& streak : kStreaks) {
    glLoadIdentity();
    Translate(flarePoint + streak.along * axis);
    glScalef(streak.scale, streak.scale, 1);
    glColor4f(streak.r, streak.g, streak.b, streak.a);
    const Vec3 corners[] = {200 * (m - n), 200 * (-m - n), 200 * (n + m), 200 * (n - m)};
    const float texture[][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < 4; ++i) {
      glTexCoord2f(texture[i][0], texture[i][1]);
      glVertex3f(streak.sign * corners[i].x, streak.sign * corners[i].y, 0);
    }
    glEnd();
  }

  // The chain of elements through the window centre, bent by the flare's offset from it.
  for (size_t i = 0; i < std::size(kLensElements); ++i) {
    const LensElement& element = kLensElements[i];
    const Vec3 r = RotateVector(-n, {0, 0, 1}, k * element.position * 90);
    glLoadIdentity();
    Translate(flarePoint + element.position * axis + 2 * (2 - element.position) * r);
    glScalef(1.5f, 1.5f, 1);
    if (hasOrient) glRotatef(k * 90, 0, 0, 1);
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, lensTextures[size_t(element.slot)]);
    const float index = static_cast<float>(i);
    glColor4f(0.3f + index * 0.033333335f, 0.2f, 1 - index * 0.1f, 0.29f);
    DrawFlareQuad(lensSize * element.size, lensSize * element.size);
  }
  EndOverlay2D();
}

void ParseLensFlare(ObjectList& list) {
  ParseObject<LensFlare>(list);
}

}  // namespace solvane
