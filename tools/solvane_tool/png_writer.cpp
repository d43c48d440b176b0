#include "tools/solvane_tool/png_writer.h"

#include <png.h>

#include <vector>

namespace solvane {

bool WritePng(const std::string& path, int width, int height, std::span<const uint8_t> rgba,
              std::string& error) {
  if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * size_t(height) * 4) {
    error = "no picture to write";
    return false;
  }
  std::vector<uint8_t> rgb;
  rgb.reserve(size_t(width) * size_t(height) * 3);
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i + 3]);

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(width);
  image.height = uint32_t(height);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    error = image.message;
    return false;
  }
  return true;
}

}  // namespace solvane
