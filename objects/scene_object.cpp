#include "objects/scene_object.h"

#include "scene/texture_manager.h"

namespace solvane {

void SceneObject::SetTextureInto(std::string_view path, uint32_t& id) {
  textureIsTga = path.ends_with("tga");
  if (const Texture* found = FindTexture(path)) id = found->id;
}

void SceneObject::SetName(std::string_view word) {
  name = word.substr(0, kMaxNameLength);
}

SceneObject* FindObjectByName(const ObjectList& list, std::string_view name) {
  for (SceneObject* object : list) {
    if (object->name == name) return object;
  }
  return nullptr;
}

}  // namespace solvane
