// Textures: every image decoded once at start-up into an OpenGL texture, registered by path.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace solvane {

class Texture {
 public:
  virtual ~Texture() = default;

  // Loads "textures\<name>": a name ending in "jpg" or "JPG" as JPEG (from the archive, or from
  // resource `resourceId` when `fromResource`), one ending in "tga" or "TGA" as TGA from the
  // archive. Anything else, or an image that cannot be decoded, leaves `id` 0.
  void Load(const char* name, bool fromResource, int resourceId);

  uint32_t id = 0;
  std::array<char, 32> path{};  // "textures\" and the name, cut to fit
};

// The process-wide registry, in the order of the texture list; it owns its textures.
using TextureManager = std::vector<Texture*>;
extern TextureManager textureManager;

// The first texture whose path is exactly `path` (case-sensitive), or null.
Texture* FindTexture(std::string_view path);

// A decoded JPEG: rows bottom first, as OpenGL expects them.
struct Image {
  int rowBytes = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// The largest image side the readers accept; larger ones are taken as damage.
inline constexpr int kMaxImageSide = 16384;

// From archive entry `path`, or from resource `resourceId` when `fromResource`. False when the
// data cannot be opened or the decoder gives up on it.
bool LoadJpegImage(const char* path, Image& image, bool fromResource, int resourceId);

struct TgaImage {
  uint8_t idLength = 0;
  uint8_t colorMapType = 0;
  uint8_t imageType = 0;
  uint16_t colorMapFirst = 0;
  uint16_t colorMapLength = 0;
  uint8_t colorMapEntrySize = 0;
  uint16_t origin = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t pixelDepth = 0;
  uint8_t imageDescriptor = 0;
  std::vector<uint8_t> colorMap;
  std::vector<uint8_t> pixels;
};

bool ReadTgaImage(const char* path, TgaImage& image, bool fromResource, int resourceId);
// An OpenGL texture of a TGA, 0 when it cannot be read.
uint32_t LoadTgaTexture(const char* path);
uint32_t LoadTgaTextureFromResource(const char* name, int resourceId);

// Empties the registry (textures are not deleted from OpenGL: the context goes with them).
void ResetTextures();

}  // namespace solvane
