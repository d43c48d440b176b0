// The mesh files of the carried content: two subdivided icosahedra and the environment cube.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace solvane::contentgen {

struct MeshData {
  std::vector<float> positions;       // x, y, z per vertex
  std::vector<uint32_t> faces;        // three vertex indices per face, counter-clockwise outside
  std::vector<uint32_t> faceTexture;  // three texture-coordinate indices per face
  std::vector<float> texture;         // u, v per texture coordinate
  std::vector<float> normals;         // nine per face: the normal of each corner
  size_t VertexCount() const { return positions.size() / 3; }
  size_t FaceCount() const { return faces.size() / 3; }
  size_t TextureCount() const { return texture.size() / 2; }
};

// A unit sphere: an icosahedron with vertex 0 at (0, 0, 1), each face split in four
// `subdivisions` times (2: 42 vertices and 80 faces; 3: 642 and 1280). Texture coordinates run
// u round the z axis and v from pole to pole; faces across the seam or at a pole get texture
// coordinates of their own, so that no face wraps around.
MeshData IcoSphere(int subdivisions);
// The cube of side 1 centred on the origin, each side two triangles with coordinates 0..1.
MeshData UnitCube();

// The file format: counts V, F, T, then positions, face corners, face texture corners,
// texture coordinates and corner normals, all 32-bit little-endian.
std::vector<uint8_t> MeshFile(const MeshData& mesh);

}  // namespace solvane::contentgen
