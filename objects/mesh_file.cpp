#include "objects/mesh_file.h"

namespace solvane {

// Nothing draws meshes yet, so there is nothing to build.
void BuildStandardMeshes() {}
void LoadSphereArrays(std::string_view) {}

}  // namespace solvane
