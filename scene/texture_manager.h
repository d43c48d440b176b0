// Textures: every image decoded once at start-up into an OpenGL texture, registered by path.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
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
  // What the scene's objects do with the image (NoteTextureUse): a texture that some object
  // draws, and that none may draw smaller than its image, needs no mipmap lookups.
  bool used = false;
  bool mayShrink = false;
  // Where the image can leave a trace (ImageOutline); empty: anywhere in the square.
  std::vector<std::array<float, 2>> outline;
};

// The process-wide registry, in the order of the texture list; it owns its textures.
using TextureManager = std::vector<Texture*>;
extern TextureManager textureManager;

// "textures\" and `name`, cut to fit a Texture's path.
std::string TexturePath(std::string_view name);

// The first texture whose path is exactly `path` (case-sensitive), or null.
Texture* FindTexture(std::string_view path);

// A decoded JPEG, always three bytes (red, green, blue) a pixel: rows bottom first, as OpenGL
// expects them.
struct Image {
  int rowBytes = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Textures never get a side longer than this, whatever the OpenGL implementation allows: no
// scene needs more, and a downloaded scene must not take the machine's memory.
inline constexpr int kMaxTextureSide = 4096;
// The fixed part of the limit; tests lower it. ResetTextures restores kMaxTextureSide.
extern int textureSideCap;
// The longest texture side: the current context's GL_MAX_TEXTURE_SIZE and textureSideCap.
int MaxTextureSide();

// What all of a scene's images (texture list and scripts, not the program's own) may take once
// decoded, mipmaps included; an image past it is refused as a content problem. The carried scene
// takes 6.3 MiB; a downloaded scene of many large images must not take the machine.
inline constexpr uint64_t kTextureBudget = uint64_t{256} << 20;
// A JPEG of more pixels than this is refused without decoding: its decoding time alone would be
// out of proportion, even scaled down.
inline constexpr uint64_t kMaxJpegPixels = uint64_t{16384} * 16384;

// From archive entry `path`, or from resource `resourceId` when `fromResource`. Images with a
// side longer than MaxTextureSide() come out scaled down to fit. False when the data cannot be
// opened (nothing recorded: the name is missing) or cannot be decoded (the reason is recorded as
// a content problem).
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

// False, with a content problem recorded, for an image the reader refuses: a type it does not
// know, a side longer than MaxTextureSide(), more pixels than the data can hold.
bool ReadTgaImage(const char* path, TgaImage& image, bool fromResource, int resourceId);
// An OpenGL texture of a TGA, 0 when it cannot be read.
uint32_t LoadTgaTexture(const char* path);
uint32_t LoadTgaTextureFromResource(const char* name, int resourceId);

// Minification for `texture`: plain bilinear where the scene only ever draws it larger than its
// image (the lookups of a mipmap level cost the software renderer a share of every fragment),
// trilinear from the mipmaps everywhere else.
int MinFilter(const Texture& texture);

// A loaded object draws texture `id`, or with none of its own (nullopt) whatever the object
// before it left bound, which is the texture noted last; `mayShrink` when the object can draw it
// smaller than the image. Sets the texture's minification filter accordingly; the binding is
// left as it was.
void NoteTextureUse(std::optional<uint32_t> id, bool mayShrink);

// The texture of OpenGL name `id`, or null.
const Texture* FindTextureById(uint32_t id);

// A polygon of kOutlineSides corners (texture coordinates, counter-clockwise) that encloses every
// texel of the image with a colour other than black, together with the reach of bilinear
// sampling and of the scaling to a power of two: outside it, the image's first level samples as
// black, so an additive layer of it adds nothing there. Empty where no such polygon helps: an
// all-black image, or colour near the border, where the wrap-around of repeating sampling
// reaches. `pixels`: rows bottom first, `components` bytes a pixel.
inline constexpr int kOutlineSides = 16;
std::vector<std::array<float, 2>> ImageOutline(const uint8_t* pixels, int width, int height,
                                               size_t rowBytes, int components);

// Empties the registry (textures are not deleted from OpenGL: the context goes with them), and
// ends a preparation still running.
void ResetTextures();

// One level of a mipmap chain: `components` bytes a pixel, rows packed, bottom first.
struct MipLevel {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// The mipmap chain that GLU builds for an image whose sides are powers of two, to the byte: each
// level halves the one above it with a 2 x 2 box filter (a 2 x 1 one once a side is 1), rounded
// as GLU rounds, down to 1 x 1. Level 0 is not included. Empty for sides that are not powers of
// two: GLU rescales those first, and they keep its own path.
std::vector<MipLevel> BuildMipLevels(const uint8_t* pixels, int width, int height, int components);

// Start-up work that needs no OpenGL context: the archive JPEGs `names` (texture-list names,
// "textures\" left off) are decoded and their mip levels built on a thread of their own, while
// the window and its renderer start. Texture::Load takes each result from there (waiting for it
// when it is not ready yet) and only uploads it; names it never asks for are freed when
// ResetTextures ends the preparation. A second call while one runs is ignored.
void PrepareTextures(std::vector<std::string> names);

}  // namespace solvane
