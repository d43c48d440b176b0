#include "objects/mesh_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "data/archive_file.h"
#include "objects/math.h"
#include "objects/random.h"
#include "platform/opengl.h"

namespace solvane {

GeometryHolder EnvCubeMesh;
GeometryHolder SphereMesh;
GeometryHolder NoisedSphereMesh;
GeometryHolder SceneGeometryMesh;
uint32_t AtmosphereList = 0;
MeshFileData SphereArrays;

namespace {

// Counts may promise more than a short file holds (the rest reads as zero), but not much more:
// a few bytes could otherwise promise a million zero triangles, seconds and hundreds of
// megabytes of display lists for nothing. Such a file is damage, not geometry.
constexpr uint64_t kMaxMissingBytes = 64 << 10;

// Four-byte fields in order, each taken only while four bytes remain.
class FieldReader {
 public:
  explicit FieldReader(ArchiveFile& file) : file_(file) {}
  uint32_t Word() {
    if (file_.position + 4 > file_.size || file_.position + 4 < file_.position) return 0;
    uint32_t value;
    std::memcpy(&value, file_.data + file_.position, 4);
    file_.position += 4;
    return value;
  }
  float Real() {
    const uint32_t bits = Word();
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
  }

 private:
  ArchiveFile& file_;
};

// Angle per draw: 2.6 degrees / 32767.
constexpr float kPerturbDegreesPerDraw = 7.934812e-05f;

}  // namespace

MeshFileData ReadMeshFile(std::string_view name, bool perturb) {
  MeshFileData mesh;
  ArchiveFile file;
  // The largest mesh a scene may carry, refused from the archive's header before unpacking;
  // the carried sphere is 90 KB.
  file.OpenText(std::string(name).c_str(), kMaxMeshFileSize, "a mesh file");
  mesh.problem = file.problem;
  FieldReader read(file);
  mesh.vertexCount = read.Word();
  mesh.faceCount = read.Word();
  mesh.textureCount = read.Word();
  const uint64_t promised =
      12ull * mesh.vertexCount + 60ull * mesh.faceCount + 8ull * mesh.textureCount;
  if (promised > uint64_t(file.size) + kMaxMissingBytes) {
    mesh.valid = false;
    mesh.vertexCount = mesh.faceCount = mesh.textureCount = 0;
    mesh.bytesConsumed = file.position;
    return mesh;
  }
  mesh.positions.resize(mesh.vertexCount);
  for (auto& p : mesh.positions) {
    p = {read.Real(), read.Real(), read.Real()};
    if (perturb) {
      const Vec3 axis = RandomUnitVector();
      const float angle = float(NextRandom()) * kPerturbDegreesPerDraw;
      const Vec3 turned = RotateVector({p[0], p[1], p[2]}, axis, angle);
      p = {turned.x, turned.y, turned.z};
    }
  }
  mesh.faces.resize(mesh.faceCount);
  for (auto& f : mesh.faces) f = {read.Word(), read.Word(), read.Word()};
  mesh.faceTextures.resize(mesh.faceCount);
  for (auto& f : mesh.faceTextures) f = {read.Word(), read.Word(), read.Word()};
  mesh.texture.resize(mesh.textureCount);
  for (auto& t : mesh.texture) t = {read.Real(), read.Real()};
  mesh.normals.resize(mesh.faceCount);
  for (auto& n : mesh.normals) {
    for (float& c : n) c = read.Real();
  }
  mesh.bytesConsumed = file.position;
  for (size_t i = 0; i < mesh.faces.size() && mesh.valid; ++i) {
    for (int c = 0; c < 3; ++c) {
      if (mesh.faces[i][size_t(c)] >= mesh.vertexCount ||
          mesh.faceTextures[i][size_t(c)] >= mesh.textureCount) {
        mesh.valid = false;
      }
    }
  }
  return mesh;
}

namespace {

// Independent triangles, per corner a normal, a texture coordinate and a vertex; with
// `atmosphere` a colour first whose alpha grows with the vertex's x. An invalid mesh compiles
// to an empty list.
void CompileList(uint32_t list, const MeshFileData& mesh, bool atmosphere) {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glNewList(list, GL_COMPILE);
  glBegin(GL_TRIANGLES);
  for (size_t i = 0; mesh.valid && i < mesh.faces.size(); ++i) {
    for (size_t c = 0; c < 3; ++c) {
      const auto& p = mesh.positions[mesh.faces[i][c]];
      const auto& t = mesh.texture[mesh.faceTextures[i][c]];
      if (atmosphere) glColor4f(1, 1, 1, 3 * p[0] * p[0] - 0.6f);
      glNormal3f(mesh.normals[i][3 * c], mesh.normals[i][3 * c + 1], mesh.normals[i][3 * c + 2]);
      glTexCoord2f(t[0], t[1]);
      glVertex3f(p[0], p[1], p[2]);
    }
  }
  glEnd();
  glEndList();
  glPopMatrix();
  glFinish();
}

}  // namespace

std::string GeometryHolder::LoadGeometry(std::string_view name, bool perturb) {
  const GLuint list = glGenLists(1);
  if (list == 0) return {};
  const MeshFileData mesh = ReadMeshFile(name, perturb);
  CompileList(list, mesh, false);
  displayList = list;
  return mesh.problem;
}

void BuildAtmosphereList(std::string_view name) {
  AtmosphereList = glGenLists(1);
  if (AtmosphereList == 0) return;
  CompileList(AtmosphereList, ReadMeshFile(name, false), true);
}

void LoadSphereArrays(std::string_view name) {
  SphereArrays = ReadMeshFile(name, false);
}

std::string BuildStandardMeshes() {
  std::string problem = EnvCubeMesh.LoadGeometry("meshes\\env.dat", false);
  const std::string sphere = SphereMesh.LoadGeometry("meshes\\sphere.dat", false);
  NoisedSphereMesh.LoadGeometry("meshes\\sphere.dat", true);
  BuildAtmosphereList("meshes\\sphere.dat");
  return problem.empty() ? sphere : problem;
}

void ResetMeshes() {
  EnvCubeMesh = SphereMesh = NoisedSphereMesh = SceneGeometryMesh = {};
  AtmosphereList = 0;
  SphereArrays = {};
}

}  // namespace solvane
