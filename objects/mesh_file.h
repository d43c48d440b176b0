// Mesh files and the display lists and arrays built from them.
#pragma once

#include <string_view>

namespace solvane {

// The meshes every scene may use, built once at start-up.
void BuildStandardMeshes();
// The star's sphere, read from a mesh file of the content archive.
void LoadSphereArrays(std::string_view fileName);

}  // namespace solvane
