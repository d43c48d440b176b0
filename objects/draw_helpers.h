// OpenGL steps the scene objects share.
#pragma once

#include "objects/math.h"
#include "platform/opengl.h"

namespace solvane {

// Runs `operation` on the texture matrix, then makes the modelview matrix current again.
template <typename Operation>
void OnTextureMatrix(Operation&& operation) {
  glMatrixMode(GL_TEXTURE);
  operation();
  glMatrixMode(GL_MODELVIEW);
}

inline void ResetTextureMatrix() {
  OnTextureMatrix([] { glLoadIdentity(); });
}

inline void Translate(const Vec3& v) {
  glTranslatef(v.x, v.y, v.z);
}

inline void Rotate(float degrees, const Vec3& axis) {
  glRotatef(degrees, axis.x, axis.y, axis.z);
}

// A textured square about the current origin with half-axes `a` and `b`: one triangle strip
// through -a-b, a-b, -a+b, a+b with texture coordinates (0,0), (1,0), (0,1), (1,1); with
// `normal`, every corner carries it.
inline void DrawSquare(const Vec3& a, const Vec3& b, const Vec3* normal = nullptr) {
  const Vec3 corners[] = {-a - b, a - b, -a + b, a + b};
  const float texture[][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  glBegin(GL_TRIANGLE_STRIP);
  if (normal != nullptr) glNormal3f(normal->x, normal->y, normal->z);
  for (int i = 0; i < 4; ++i) {
    glTexCoord2f(texture[i][0], texture[i][1]);
    glVertex3f(corners[i].x, corners[i].y, corners[i].z);
  }
  glEnd();
}

// The current modelview matrix.
inline Matrix ModelviewMatrix() {
  Matrix m{};
  glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
  return m;
}

}  // namespace solvane
