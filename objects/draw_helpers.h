// OpenGL steps the scene objects share.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

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

// The part of DrawSquare's square inside a convex polygon given by its corners' texture
// coordinates: the corner (s, t) lies at (2s - 1) a + (2t - 1) b, as on the square.
inline void DrawSquarePart(const Vec3& a, const Vec3& b,
                           const std::vector<std::array<float, 2>>& corners) {
  glBegin(GL_TRIANGLE_FAN);
  for (const auto& [s, t] : corners) {
    const Vec3 p = (2 * s - 1) * a + (2 * t - 1) * b;
    glTexCoord2f(s, t);
    glVertex3f(p.x, p.y, p.z);
  }
  glEnd();
}

// Squares drawn as one vertex array: each square is DrawSquare's, as the two triangles of that
// strip, with a colour of its own. Storage is reserved up front, so adding squares never
// allocates.
class SquareBatch {
 public:
  void Reserve(size_t squares) {
    vertices_.clear();
    vertices_.reserve(squares * 6);
  }
  void Clear() { vertices_.clear(); }
  // Ignored once the reserved room is used up.
  void Add(const Vec3& centre, const Vec3& a, const Vec3& b, float alpha) {
    if (vertices_.size() + 6 > vertices_.capacity()) return;
    const Vec3 corners[] = {centre - a - b, centre + a - b, centre - a + b, centre + a + b};
    constexpr float kTexture[][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (const int i : {0, 1, 2, 2, 1, 3}) {
      vertices_.push_back({kTexture[i][0], kTexture[i][1], 1, 1, 1, alpha, corners[i].x,
                           corners[i].y, corners[i].z});
    }
  }
  // Draws the squares and leaves the last square's colour current, as drawing them one by one
  // would.
  void Draw() const {
    if (vertices_.empty()) return;
    constexpr GLsizei kStride = sizeof(Vertex);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, kStride, &vertices_[0].s);
    glColorPointer(4, GL_FLOAT, kStride, &vertices_[0].r);
    glVertexPointer(3, GL_FLOAT, kStride, &vertices_[0].x);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices_.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(1, 1, 1, vertices_.back().a);
  }

 private:
  struct Vertex {
    float s, t, r, g, b, a, x, y, z;
  };
  std::vector<Vertex> vertices_;
};

// `v` turned as glRotatef(degrees, axis) turns a point: the right-handed sense.
inline Vec3 TurnedAbout(const Vec3& v, const Vec3& axis, float degrees) {
  return RotateVector(v, axis, -degrees);
}

// The current modelview matrix.
inline Matrix ModelviewMatrix() {
  Matrix m{};
  glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
  return m;
}

}  // namespace solvane
