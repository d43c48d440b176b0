// The base of everything a scene draws, and the lists that hold scene objects.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "objects/math.h"

namespace solvane {

class Camera;
struct AnimationKey;

class SceneObject {
 public:
  // The longest name a "begin" line can give an object; longer words are cut.
  static constexpr size_t kMaxNameLength = 14;

  SceneObject() = default;
  SceneObject(const SceneObject&) = delete;
  SceneObject& operator=(const SceneObject&) = delete;
  virtual ~SceneObject() = default;

  virtual void Draw(const Camera& camera) = 0;
  // Advances the object's animation by `dt` seconds.
  virtual void Update(double dt) = 0;
  // False for objects that only ever draw their texture larger than its image (sky layers that
  // ride with the eye, coronas wider than the screen's share of them): those need no mipmaps.
  virtual bool TextureMayShrink() const { return true; }

  // Takes the registered texture at `path`; a path ending in "tga" marks an image with alpha.
  // An unknown path keeps the previous texture.
  void SetTexture(std::string_view path) { SetTextureInto(path, texture); }
  // Stores the word a "begin" line gave, cut to the name's size.
  void SetName(std::string_view word);

  SceneObject* parent = nullptr;  // not owned
  Vec3 position;
  Vec3 look{0, 0, 1};
  Vec3 right{1, 0, 0};
  Vec3 startPosition;
  Vec3 color{1, 1, 1};
  std::vector<AnimationKey*> keys;  // read by meshes; nothing fills it
  uint32_t texture = 0;             // meaningful while hasTexture
  uint32_t texture2 = 0;            // meaningful while hasTexture2
  std::string name;                 // at most kMaxNameLength characters
  bool hasTexture = false;
  bool hasTexture2 = false;
  bool visible = true;
  bool textureIsTga = false;  // blended with one minus source alpha
  bool isMoon = false;
  float moonAngle = 0;
  float moonSpeed = 0.5f;

 protected:
  // SetTexture into `id`, one of this object's texture names.
  void SetTextureInto(std::string_view path, uint32_t& id);
};

// Ordered and non-owning: objects live until the process ends.
using ObjectList = std::vector<SceneObject*>;

// The first object of `list` named exactly `name`, or null.
SceneObject* FindObjectByName(const ObjectList& list, std::string_view name);

}  // namespace solvane
