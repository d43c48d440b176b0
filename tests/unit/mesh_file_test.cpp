// Mesh files: reading, the random perturbation, the atmosphere's alpha and damaged files.
#include "objects/mesh_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/input.h"
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

TEST_F(MeshFileTest, CarriedMeshesReadWhole) {
  Start();
  const MeshFileData cube = ReadMeshFile("meshes\\env.dat", false);
  EXPECT_EQ(cube.vertexCount, 8u);
  EXPECT_EQ(cube.faceCount, 12u);
  EXPECT_EQ(cube.textureCount, 12u);
  EXPECT_EQ(cube.bytesConsumed, 924u);
  EXPECT_TRUE(cube.valid);
  const MeshFileData sphere = ReadMeshFile("meshes\\sphere.dat", false);
  EXPECT_EQ(sphere.vertexCount, 642u);
  EXPECT_EQ(sphere.faceCount, 1280u);
  EXPECT_EQ(sphere.bytesConsumed, 12 + 12 * 642 + 60 * 1280 + 8 * sphere.textureCount);
  EXPECT_EQ(sphere.normals[0][0], 0);
  EXPECT_EQ(sphere.normals[0][2], 1) << "corner 0 of face 0 is vertex 0 at the pole";
}

TEST_F(MeshFileTest, PerturbationTurnsVerticesOnly) {
  Start();
  const MeshFileData plain = ReadMeshFile("meshes\\sphere.dat", false);
  SeedRandom(1);
  const MeshFileData shaken = ReadMeshFile("meshes\\sphere.dat", true);
  // Four draws per vertex: the generator has moved 4 V steps.
  SeedRandom(1);
  for (uint32_t i = 0; i < 4 * plain.vertexCount; ++i) NextRandom();
  const int32_t expectedNext = NextRandom();
  SeedRandom(1);
  ReadMeshFile("meshes\\sphere.dat", true);
  EXPECT_EQ(NextRandom(), expectedNext);

  int moved = 0;
  for (size_t i = 0; i < plain.positions.size(); ++i) {
    const auto& a = plain.positions[i];
    const auto& b = shaken.positions[i];
    const double la = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    const double lb = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    ASSERT_NEAR(la, lb, 1e-5) << i;
    const double cosine = (a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) / (la * lb);
    ASSERT_LE(std::acos(std::fmin(1.0, cosine)) * 180 / M_PI, 2.6 + 1e-3) << i;
    moved += a != b;
  }
  EXPECT_GT(moved, 600);
  EXPECT_EQ(plain.normals, shaken.normals);
  EXPECT_EQ(plain.texture, shaken.texture);
}

TEST_F(MeshFileTest, DamagedFiles) {
  Bytes absurd;
  for (uint32_t v : {0xFFFFFFFFu, 0xFFFFFFFFu, 0u}) PutWord(absurd, v);
  Bytes counts;
  for (uint32_t v : {0u, 0u, 0u}) PutWord(counts, v);
  // A few bytes that promise a million zero triangles: seconds and hundreds of megabytes of
  // display lists for nothing, were they taken.
  Bytes promising;
  for (uint32_t v : {1u, 1'000'000u, 1u}) PutWord(promising, v);
  const Bytes triangle = TriangleMesh();
  Start({{"ok.dat", triangle},
         {"short.dat", Bytes(triangle.begin(), triangle.begin() + 30)},
         {"index.dat", TriangleMesh(7)},
         {"absurd.dat", absurd},
         {"empty.dat", {}},
         {"zero.dat", counts},
         {"promising.dat", promising}});
  const MeshFileData ok = ReadMeshFile("ok.dat", false);
  EXPECT_TRUE(ok.valid);
  EXPECT_EQ(ok.bytesConsumed, triangle.size());

  const MeshFileData cut = ReadMeshFile("short.dat", false);
  EXPECT_EQ(cut.bytesConsumed, 28u) << "whole four-byte fields only";
  EXPECT_EQ(cut.positions[2][2], 0) << "what the file does not reach is zero";

  EXPECT_FALSE(ReadMeshFile("index.dat", false).valid);
  for (const char* name : {"absurd.dat", "promising.dat"}) {
    const MeshFileData huge = ReadMeshFile(name, false);
    EXPECT_FALSE(huge.valid) << name;
    EXPECT_TRUE(huge.positions.empty() && huge.faces.empty()) << name;
  }
  for (const char* name : {"empty.dat", "zero.dat", "missing.dat"}) {
    const MeshFileData none = ReadMeshFile(name, false);
    EXPECT_EQ(none.vertexCount + none.faceCount + none.textureCount, 0u) << name;
  }

  // Invalid and empty meshes compile to valid, empty lists.
  GeometryHolder holder;
  for (const char* name : {"index.dat", "absurd.dat", "zero.dat", "short.dat"}) {
    holder.LoadGeometry(name, false);
    EXPECT_NE(holder.displayList, 0u) << name;
    glCallList(holder.displayList);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MeshFileTest, StandardMeshesAtStartUp) {
  Start();
  BuildStandardMeshes();
  LoadSphereArrays("meshes\\sphere.dat");
  const uint32_t lists[] = {EnvCubeMesh.displayList, SphereMesh.displayList,
                            NoisedSphereMesh.displayList, AtmosphereList};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_NE(lists[i], 0u) << i;
    EXPECT_TRUE(glIsList(lists[i])) << i;
  }
  EXPECT_EQ(SceneGeometryMesh.displayList, 0u);
  EXPECT_EQ(SphereArrays.faceCount, 1280u);
}

}  // namespace
}  // namespace solvane
