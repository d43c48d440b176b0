// Mesh files: the random perturbation, damaged files and their limits.
#include "objects/mesh_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/input.h"
#include "objects/math.h"
#include "objects/random.h"
#include "platform/opengl.h"
#include "tests/support/content_files.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using ::solvane::testing::Bytes;
using ::solvane::testing::PutWord;
using ::solvane::testing::TriangleMesh;

class MeshFileTest : public ::solvane::testing::HeadlessTest {
 protected:
  void Start(std::vector<std::pair<std::string, Bytes>> files = {}) {
    HeadlessOptions options;
    if (!files.empty()) options.resources[126] = ::solvane::testing::PackContent(files);
    Install(options);
    ASSERT_NE(platform().CreateSceneWindow(32, 32, sceneWindowEvents), 0u);
  }
};

Vec3 At(const std::array<float, 3>& p) {
  return {p[0], p[1], p[2]};
}
float Length(const Vec3& v) {
  return std::sqrt(Dot(v, v));
}

TEST_F(MeshFileTest, PerturbationTurnsVerticesOnly) {
  Start();
  const MeshFileData plain = ReadMeshFile("meshes\\sphere.dat", false);
  SeedRandom(1);
  const MeshFileData shaken = ReadMeshFile("meshes\\sphere.dat", true);
  const int32_t after = NextRandom();  // four draws per vertex
  SeedRandom(1);
  for (uint32_t i = 0; i < 4 * plain.vertexCount; ++i) NextRandom();
  EXPECT_EQ(NextRandom(), after);

  int moved = 0;
  for (size_t i = 0; i < plain.positions.size(); ++i) {
    const Vec3 a = At(plain.positions[i]), b = At(shaken.positions[i]);
    ASSERT_NEAR(Length(a), Length(b), 1e-5) << i;
    const double cosine = Dot(a, b) / (Length(a) * Length(b));
    ASSERT_LE(std::acos(std::fmin(1.0, cosine)) * 180 / M_PI, 2.6 + 1e-3) << i;
    moved += a != b;
  }
  EXPECT_GT(moved, 600);
  EXPECT_TRUE(plain.normals == shaken.normals && plain.texture == shaken.texture);
}

Bytes Counts(uint32_t vertices, uint32_t faces, uint32_t textures) {
  Bytes b;
  for (uint32_t v : {vertices, faces, textures}) PutWord(b, v);
  return b;
}

TEST_F(MeshFileTest, DamagedFiles) {
  const Bytes triangle = TriangleMesh();
  // Counts may promise at most 64 KiB more than the file holds: 60 + 8 * 8186 is 12 bytes of
  // header plus exactly that; 8 * 8194 is four bytes more.
  Start({{"ok.dat", triangle},
         {"short.dat", Bytes(triangle.begin(), triangle.begin() + 30)},
         {"index.dat", TriangleMesh(3)},
         {"absurd.dat", Counts(0xFFFFFFFF, 0xFFFFFFFF, 0)},
         {"empty.dat", {}},
         {"zero.dat", Counts(0, 0, 0)},
         {"promising.dat", Counts(1, 1'000'000, 1)},
         {"limit.dat", Counts(0, 1, 8186)},
         {"past.dat", Counts(0, 0, 8194)}});
  const MeshFileData ok = ReadMeshFile("ok.dat", false);
  EXPECT_TRUE(ok.valid && ok.bytesConsumed == triangle.size());

  const MeshFileData cut = ReadMeshFile("short.dat", false);
  EXPECT_EQ(cut.bytesConsumed, 28u) << "whole four-byte fields only";
  EXPECT_EQ(cut.positions[2][2], 0) << "what the file does not reach is zero";

  EXPECT_FALSE(ReadMeshFile("index.dat", false).valid) << "a vertex index one past the last";
  EXPECT_EQ(ReadMeshFile("limit.dat", false).textureCount, 8186u);
  for (const char* name : {"absurd.dat", "promising.dat", "past.dat"}) {
    const MeshFileData huge = ReadMeshFile(name, false);
    EXPECT_FALSE(huge.valid) << name;
    EXPECT_EQ(huge.vertexCount + huge.faceCount + huge.textureCount, 0u) << name;
    EXPECT_TRUE(huge.positions.empty() && huge.faces.empty()) << name;
  }
  for (const char* name : {"empty.dat", "zero.dat", "missing.dat"}) {
    const MeshFileData none = ReadMeshFile(name, false);
    EXPECT_EQ(none.vertexCount + none.faceCount + none.textureCount, 0u) << name;
  }

  // Invalid and empty meshes compile to valid, empty lists, and compiling leaves the matrix
  // stack as found.
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(1, 2, 3);
  GeometryHolder holder;
  for (const char* name : {"index.dat", "absurd.dat", "zero.dat", "short.dat", "ok.dat"}) {
    holder.LoadGeometry(name, false);
    EXPECT_NE(holder.displayList, 0u) << name;
    glCallList(holder.displayList);
  }
  GLint depth = 0;
  GLfloat matrix[16] = {};
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
  EXPECT_EQ(depth, 1);
  EXPECT_EQ(matrix[12] + matrix[13] + matrix[14], 6);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
}  // namespace solvane
