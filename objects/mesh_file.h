// Mesh files and what the program builds from them: display lists, and the sphere arrays the
// star is drawn from.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// One mesh file as read. Format notes: V, F and T (32-bit counts), then V positions (3 reals),
// F vertex-index triples, F texture-index triples, T texture coordinates (2 reals), and F sets
// of three corner normals (9 reals); little-endian, no header or padding beyond that.
// The largest mesh file a scene may carry.
inline constexpr uint32_t kMaxMeshFileSize = 16u << 20;

struct MeshFileData {
  uint32_t vertexCount = 0;
  uint32_t faceCount = 0;
  uint32_t textureCount = 0;
  std::vector<std::array<float, 3>> positions;
  std::vector<std::array<uint32_t, 3>> faces;
  std::vector<std::array<uint32_t, 3>> faceTextures;
  std::vector<std::array<float, 2>> texture;
  std::vector<std::array<float, 9>> normals;
  uint32_t bytesConsumed = 0;
  bool valid = true;    // false: an index points outside its array, or the counts are absurd
  std::string problem;  // the entry is listed but could not be extracted (ArchiveFile::problem)
};

// Reads archive entry `name`. Fields are taken while four bytes remain; what a short file does
// not reach stays zero. With `perturb`, every vertex is turned about a random axis by up to 2.6
// degrees as soon as it is read (four draws of the random generator per vertex).
MeshFileData ReadMeshFile(std::string_view name, bool perturb);

// A holder of one compiled geometry: its display list.
struct GeometryHolder {
  uint32_t displayList = 0;
  // Compiles the mesh file into a new list; without a list name from OpenGL the old id stays.
  // The entry's problem (MeshFileData::problem), empty when it could be read.
  std::string LoadGeometry(std::string_view name, bool perturb);
};

extern GeometryHolder EnvCubeMesh;
extern GeometryHolder SphereMesh;
extern GeometryHolder NoisedSphereMesh;
extern GeometryHolder SceneGeometryMesh;
extern uint32_t AtmosphereList;

// The sphere mesh kept in memory for the star's own drawing.
extern MeshFileData SphereArrays;

// The meshes every scene may use, built once at start-up. The first entry's problem, if any.
std::string BuildStandardMeshes();
// The sphere with a per-corner alpha of 3 x² - 0.6 (x of the corner's vertex), unclamped.
void BuildAtmosphereList(std::string_view name);
void LoadSphereArrays(std::string_view name);

// Forgets the lists and arrays (the context that held the lists goes with them).
void ResetMeshes();

}  // namespace solvane
