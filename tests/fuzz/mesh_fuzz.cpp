// Mesh files: read, compiled into a display list (with and without the perturbation), and the
// sphere arrays and atmosphere list built from one.
#include <cstdint>
#include <cstdlib>

#include "objects/mesh_file.h"
#include "tests/fuzz/fuzz_content.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace solvane;
  fuzz::ContentProcess process({{"m", fuzz::Input(data, size)}});
  const MeshFileData mesh = ReadMeshFile("m", false);
  if (mesh.bytesConsumed > size) std::abort();
  if (mesh.valid && (mesh.positions.size() != mesh.vertexCount ||
                     mesh.faces.size() != mesh.faceCount)) {
    std::abort();
  }
  GeometryHolder holder;
  holder.LoadGeometry("m", true);
  LoadSphereArrays("m");
  BuildAtmosphereList("m");
  // The context outlives the input: its lists go with it.
  if (holder.displayList != 0) glDeleteLists(holder.displayList, 1);
  if (AtmosphereList != 0) glDeleteLists(AtmosphereList, 1);
  return 0;
}
