// The JPEG path the texture manager takes: the real decoder, then the upload.
#include <cstdint>

#include "scene/texture_manager.h"
#include "tests/fuzz/fuzz_content.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace solvane;
  fuzz::ContentProcess process({{"textures\\f.jpg", fuzz::Input(data, size)}});
  Texture texture;
  texture.Load("f.jpg", false, 0);
  fuzz::Discard(texture);
  return 0;
}
