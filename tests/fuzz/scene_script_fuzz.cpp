// A scene script through the real dispatch into an object list, then a few frames of its objects.
// The archive also holds a one-triangle mesh ("m") for "geometry" and mesh blocks, and two
// textures are registered as the texture list would.
#include <cstdint>
#include <cstring>

#include "scene/scene_script.h"
#include "scene/texture_manager.h"
#include "tests/fuzz/fuzz_content.h"

namespace {

void Register(const char* path, uint32_t id) {
  auto* texture = new solvane::Texture;
  std::strncpy(texture->path.data(), path, texture->path.size() - 1);
  texture->id = id;
  solvane::textureManager.push_back(texture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace solvane;
  fuzz::ContentProcess process(
      {{"s.txt", fuzz::Input(data, size)}, {"m", testing::TriangleMesh()}});
  Register("textures\\a.jpg", 1);
  Register("textures\\b.tga", 2);
  ObjectList list;
  LoadScene(list, "s.txt");
  fuzz::StepAndDraw(list);
  return 0;
}
