#include "objects/flame.h"

#include <cmath>
#include <cstdio>

#include "platform/opengl.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"

namespace solvane {

void Flame::ApplyLine(char* line, const ObjectList& list) {
  const auto is = [line](const char* keyword) { return MatchesKeyword(line, keyword); };
  if (is("texture")) ApplyTextureLine(*this, line);
  if (is("size") && std::sscanf(line, "size %f", &size) == 1) size += 2000;
  if (is("angle")) std::sscanf(line, "angle %f", &angle);
  if (is("ell")) std::sscanf(line, "ell %f", &ell);
  if (is("offset")) std::sscanf(line, "offset %f", &offset);
  if (is("orient")) std::sscanf(line, "orient V(%f %f %f)", &orient.x, &orient.y, &orient.z);
  if (is("colorfrom")) {
    std::sscanf(line, "colorfrom V(%f %f %f)", &colorFrom.x, &colorFrom.y, &colorFrom.z);
  }
  if (is("colorto")) std::sscanf(line, "colorto V(%f %f %f)", &colorTo.x, &colorTo.y, &colorTo.z);
  if (is("parent")) ApplyParentLine(flameParent, list, line);
}

void Flame::Update(double) {}

void Flame::Draw(const Camera&) {
  // The ring: 201 points, the last repeating the first.
  constexpr int kPoints = 201;
  Vec3 ring[kPoints];
  float cosines[kPoints], sines[kPoints];
  for (int i = 0; i < kPoints; ++i) {
    const float theta = static_cast<float>(i) * 0.005f * 6.2831855f;
    cosines[i] = std::cos(theta);
    sines[i] = std::sin(theta);
    const float x = cosines[i] * ell * size + orient.x;
    ring[i] = {x, x * angle + orient.y, sines[i] * size + orient.z};
  }
  // A ring point moved in the ring's plane to radius rho, keeping its height.
  const auto atRadius = [&](int i, float rho) {
    return Vec3{orient.x + ell * cosines[i] * rho, ring[i].y, orient.z + rho * sines[i]};
  };

  glColor4f(1, 1, 1, 1);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glDepthMask(GL_FALSE);

  // Four bands in one strip, each fading from the ring to nothing at its far edge: up, down,
  // inwards, outwards. The joins between bands have no area, the ring being closed.
  const auto band = [&](const auto& outer) {
    for (int i = 0; i < kPoints; ++i) {
      glColor4f(colorFrom.x, colorFrom.y, colorFrom.z, 1);
      glVertex3f(ring[i].x, ring[i].y, ring[i].z);
      const Vec3 edge = outer(i);
      glColor4f(colorTo.x, colorTo.y, colorTo.z, 0);
      glVertex3f(edge.x, edge.y, edge.z);
    }
  };
  glBegin(GL_TRIANGLE_STRIP);
  band([&](int i) { return ring[i] + Vec3{0, offset, 0}; });
  band([&](int i) { return ring[i] - Vec3{0, offset, 0}; });
  band([&](int i) { return atRadius(i, size - offset); });
  band([&](int i) { return atRadius(i, size + offset); });
  glEnd();

  glDisable(GL_BLEND);
  glBegin(GL_LINE_STRIP);
  glColor4f(colorFrom.x, colorFrom.y, colorFrom.z, 1);
  for (const Vec3& point : ring) glVertex3f(point.x, point.y, point.z);
  glEnd();

  glEnable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_LIGHTING);
  glDepthMask(GL_TRUE);
}

void ParseFlame(ObjectList& list) {
  ParseObject<Flame>(list);
}

}  // namespace solvane
