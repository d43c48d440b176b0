#include "tools/contentgen/meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <utility>

namespace solvane::contentgen {

namespace {

using Vec = std::array<double, 3>;

Vec Normalized(const Vec& v) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return {v[0] / length, v[1] / length, v[2] / length};
}

struct Builder {
  std::vector<Vec> vertices;
  std::vector<std::array<uint32_t, 3>> faces;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> midpoints;

  uint32_t Midpoint(uint32_t a, uint32_t b) {
    const auto key = std::minmax(a, b);
    if (auto it = midpoints.find(key); it != midpoints.end()) return it->second;
    const Vec& p = vertices[a];
    const Vec& q = vertices[b];
    vertices.push_back(Normalized({p[0] + q[0], p[1] + q[1], p[2] + q[2]}));
    return midpoints[key] = uint32_t(vertices.size() - 1);
  }
};

// u round the z axis (0..1, the seam at u = 0 on the +x side), v from the +z pole (0) to the
// -z pole (1).
double Longitude(const Vec& p) {
  double u = std::atan2(p[1], p[0]) / (2 * std::numbers::pi);
  return u < 0 ? u + 1 : u;
}
double Latitude(const Vec& p) {
  return std::acos(std::fmax(-1.0, std::fmin(1.0, p[2]))) / std::numbers::pi;
}
bool AtPole(const Vec& p) {
  return std::fabs(p[2]) > 1 - 1e-9;
}

}  // namespace

MeshData IcoSphere(int subdivisions) {
  // The icosahedron standing on a vertex: one at each pole, two rings of five at z = ±1/√5.
  Builder b;
  b.vertices.push_back({0, 0, 1});
  const double z = 1 / std::sqrt(5.0);
  const double r = 2 / std::sqrt(5.0);
  for (int i = 0; i < 5; ++i) {
    const double a = 2 * std::numbers::pi * i / 5;
    b.vertices.push_back({r * std::cos(a), r * std::sin(a), z});
  }
  for (int i = 0; i < 5; ++i) {
    const double a = 2 * std::numbers::pi * (i + 0.5) / 5;
    b.vertices.push_back({r * std::cos(a), r * std::sin(a), -z});
  }
  b.vertices.push_back({0, 0, -1});
  for (uint32_t i = 0; i < 5; ++i) {
    const uint32_t upper = 1 + i, upperNext = 1 + (i + 1) % 5;
    const uint32_t lower = 6 + i, lowerNext = 6 + (i + 1) % 5;
    b.faces.push_back({0, upper, upperNext});
    b.faces.push_back({upper, lower, upperNext});
    b.faces.push_back({upperNext, lower, lowerNext});
    b.faces.push_back({11, lowerNext, lower});
  }
  for (int level = 0; level < subdivisions; ++level) {
    std::vector<std::array<uint32_t, 3>> finer;
    for (const auto& f : b.faces) {
      const uint32_t ab = b.Midpoint(f[0], f[1]), bc = b.Midpoint(f[1], f[2]),
                     ca = b.Midpoint(f[2], f[0]);
      finer.push_back({f[0], ab, ca});
      finer.push_back({ab, f[1], bc});
      finer.push_back({ca, bc, f[2]});
      finer.push_back({ab, bc, ca});
    }
    b.faces = std::move(finer);
  }

  MeshData mesh;
  for (const Vec& v : b.vertices) {
    for (double c : v) mesh.positions.push_back(float(c));
  }
  // Texture coordinates: one per vertex where it can be shared; faces that cross the seam or
  // touch a pole get their own for the corners that need another u.
  for (const Vec& v : b.vertices) {
    mesh.texture.push_back(float(Longitude(v)));
    mesh.texture.push_back(float(Latitude(v)));
  }
  for (const auto& f : b.faces) {
    std::array<double, 3> u{};
    for (int c = 0; c < 3; ++c) u[size_t(c)] = Longitude(b.vertices[f[size_t(c)]]);
    // A face whose corners lie more than half a turn apart crosses the seam: lift the small u.
    double lowest = 1, highest = 0;
    for (int c = 0; c < 3; ++c) {
      if (AtPole(b.vertices[f[size_t(c)]])) continue;
      lowest = std::fmin(lowest, u[size_t(c)]);
      highest = std::fmax(highest, u[size_t(c)]);
    }
    const bool crossing = highest - lowest > 0.5;
    double sum = 0;
    int counted = 0;
    for (int c = 0; c < 3; ++c) {
      if (AtPole(b.vertices[f[size_t(c)]])) continue;
      if (crossing && u[size_t(c)] < 0.5) u[size_t(c)] += 1;
      sum += u[size_t(c)];
      ++counted;
    }
    for (int c = 0; c < 3; ++c) {
      const uint32_t vertex = f[size_t(c)];
      const bool pole = AtPole(b.vertices[vertex]);
      if (pole) u[size_t(c)] = sum / counted;  // a pole takes the u of the face it is in
      if (pole || (crossing && u[size_t(c)] >= 1)) {
        mesh.faceTexture.push_back(uint32_t(mesh.TextureCount()));
        mesh.texture.push_back(float(u[size_t(c)]));
        mesh.texture.push_back(float(Latitude(b.vertices[vertex])));
      } else {
        mesh.faceTexture.push_back(vertex);
      }
      mesh.faces.push_back(vertex);
      for (double n : b.vertices[vertex]) mesh.normals.push_back(float(n));
    }
  }
  return mesh;
}

MeshData UnitCube() {
  MeshData mesh;
  for (int i = 0; i < 8; ++i) {
    mesh.positions.push_back(i & 1 ? 0.5f : -0.5f);
    mesh.positions.push_back(i & 2 ? 0.5f : -0.5f);
    mesh.positions.push_back(i & 4 ? 0.5f : -0.5f);
  }
  // Each side as four corners counter-clockwise seen from outside, with its outward normal.
  const struct {
    std::array<uint32_t, 4> corners;
    std::array<float, 3> normal;
  } sides[6] = {
      {{0, 2, 3, 1}, {0, 0, -1}}, {{4, 5, 7, 6}, {0, 0, 1}},  {{0, 1, 5, 4}, {0, -1, 0}},
      {{2, 6, 7, 3}, {0, 1, 0}},  {{0, 4, 6, 2}, {-1, 0, 0}}, {{1, 3, 7, 5}, {1, 0, 0}},
  };
  // Two triangles share the same six texture corners on every side: 12 coordinates in all,
  // (0,0) (1,0) (1,1) and (0,0) (1,1) (0,1) for the two halves.
  const float uv[12] = {0, 0, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1};
  mesh.texture.assign(std::begin(uv), std::end(uv));
  mesh.texture.insert(mesh.texture.end(), std::begin(uv), std::end(uv));
  for (const auto& side : sides) {
    const auto& k = side.corners;
    for (const std::array<uint32_t, 3> tri :
         {std::array<uint32_t, 3>{k[0], k[1], k[2]}, std::array<uint32_t, 3>{k[0], k[2], k[3]}}) {
      for (uint32_t v : tri) {
        mesh.faces.push_back(v);
        for (float n : side.normal) mesh.normals.push_back(n);
      }
    }
    const uint32_t base = uint32_t(&side - sides) % 2 * 6;
    for (uint32_t t = 0; t < 6; ++t) mesh.faceTexture.push_back(base + t);
  }
  return mesh;
}

std::vector<uint8_t> MeshFile(const MeshData& mesh) {
  std::vector<uint8_t> out;
  const auto put = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
  };
  const auto putFloat = [&](float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put(bits);
  };
  put(uint32_t(mesh.VertexCount()));
  put(uint32_t(mesh.FaceCount()));
  put(uint32_t(mesh.TextureCount()));
  for (float f : mesh.positions) putFloat(f);
  for (uint32_t i : mesh.faces) put(i);
  for (uint32_t i : mesh.faceTexture) put(i);
  for (float f : mesh.texture) putFloat(f);
  for (float f : mesh.normals) putFloat(f);
  return out;
}

}  // namespace solvane::contentgen
