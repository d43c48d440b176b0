// The TGA reader and its upload as an OpenGL texture.
#include <cstdint>

#include "scene/texture_manager.h"
#include "tests/fuzz/fuzz_content.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace solvane;
  fuzz::ContentProcess process({{"textures\\f.tga", fuzz::Input(data, size)}});
  TgaImage image;
  ReadTgaImage("textures\\f.tga", image, false, 0);
  Texture texture;
  texture.Load("f.tga", false, 0);
  fuzz::Discard(texture);
  return 0;
}
