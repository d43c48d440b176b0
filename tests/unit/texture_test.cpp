// Textures: JPEG and TGA decoding, the upload, and the registry's lookup.
#include "scene/texture_manager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "app/input.h"
#include "platform/opengl.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using Bytes = std::vector<uint8_t>;

// A 2 x 2 JPEG: red, green on top; blue, white below.
Bytes TinyJpeg() {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 2;
  info.image_height = 2;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  uint8_t rows[2][6] = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 255, 255, 255}};
  for (auto& row : rows) {
    JSAMPROW pointer = row;
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  Bytes bytes(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return bytes;
}

// An 18-byte TGA header and what follows it.
Bytes Tga(uint8_t type, uint8_t depth, uint16_t width, uint16_t height, Bytes body,
          uint8_t mapType = 0, uint16_t mapLength = 0, uint8_t mapEntry = 0) {
  Bytes b = {0,
             mapType,
             type,
             0,
             0,
             uint8_t(mapLength),
             uint8_t(mapLength >> 8),
             mapEntry,
             0,
             0,
             0,
             0,
             uint8_t(width),
             uint8_t(width >> 8),
             uint8_t(height),
             uint8_t(height >> 8),
             depth,
             0x08};
  for (uint8_t byte : body) b.push_back(byte);
  return b;
}

class TextureTest : public ::solvane::testing::HeadlessTest {
 protected:
  // A platform with the given "CustomData" resources and a current OpenGL context.
  void With(std::map<int, Bytes> resources) {
    HeadlessOptions options;
    options.resources = std::move(resources);
    Install(options);
    ASSERT_NE(platform().CreateSceneWindow(64, 64, sceneWindowEvents), 0u);
  }
  std::optional<TgaImage> Read(const Bytes& tga) {
    With({{500, tga}});
    TgaImage image;
    if (!ReadTgaImage(nullptr, image, true, 500)) return std::nullopt;
    return image;
  }
};

TEST_F(TextureTest, JpegRowsAreStoredBottomFirst) {
  With({{117, TinyJpeg()}});
  Image image;
  ASSERT_TRUE(LoadJpegImage("load.jpg", image, true, 117));
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 2);
  ASSERT_EQ(image.rowBytes, 6);
  const auto near = [](uint8_t value, int expected) { return std::abs(value - expected) < 24; };
  // The first row in memory is the picture's bottom row: blue, then white.
  EXPECT_TRUE(near(image.pixels[0], 0) && near(image.pixels[2], 255)) << "blue";
  EXPECT_TRUE(near(image.pixels[3], 255) && near(image.pixels[4], 255)) << "white";
  EXPECT_TRUE(near(image.pixels[6], 255) && near(image.pixels[7], 0)) << "red at top left";
}

TEST_F(TextureTest, DamagedJpegsAreAbandoned) {
  const Bytes good = TinyJpeg();
  std::vector<Bytes> bad = {
      {}, {0xFF, 0xD8}, Bytes(good.begin(), good.begin() + 20), Bytes(300, 0x55)};
  Bytes flipped = good;
  for (size_t i = 2; i < flipped.size(); i += 7) flipped[i] ^= 0xA5;
  bad.push_back(flipped);
  for (const Bytes& data : bad) {
    With({{117, data}});
    Image image;
    EXPECT_FALSE(LoadJpegImage("load.jpg", image, true, 117)) << data.size() << " bytes";
  }
  // A cut image still decodes: the source ends it with an end-of-image marker.
  With({{117, Bytes(good.begin(), good.end() - 40)}});
  Image cut;
  LoadJpegImage("load.jpg", cut, true, 117);
}

TEST_F(TextureTest, TgaTypesAndDepths) {
  struct Case {
    const char* name;
    Bytes file;
    uint8_t depthAfter;
    Bytes pixels;
  };
  const Bytes map = {10, 20, 30, 40, 50, 60};  // two entries of three bytes
  const std::vector<Case> cases = {
      {"32-bit BGRA becomes RGBA",
       Tga(2, 32, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}),
       32,
       {3, 2, 1, 4, 7, 6, 5, 8}},
      {"24-bit as stored", Tga(2, 24, 1, 1, {1, 2, 3}), 24, {1, 2, 3}},
      {"16-bit expands", Tga(2, 16, 1, 1, {0x1F, 0x7C}), 24, {0xF8, 0, 0xF8}},
      {"grey", Tga(3, 8, 2, 1, {7, 9}), 8, {7, 9}},
      {"run of 24-bit", Tga(10, 24, 3, 1, {0x82, 1, 2, 3}), 24, {1, 2, 3, 1, 2, 3, 1, 2, 3}},
      {"raw packet of 32-bit keeps its order",
       Tga(10, 32, 1, 1, {0x00, 1, 2, 3, 4}),
       32,
       {1, 2, 3, 4}},
      {"grey runs", Tga(11, 8, 4, 1, {0x81, 5, 0x01, 6, 7}), 8, {5, 5, 6, 7}},
      {"colour map",
       Tga(
           1, 8, 3, 1,
           [&] {
             Bytes b = map;
             b.insert(b.end(), {1, 0, 9});  // 9 is past the map: black
             return b;
           }(),
           1, 2, 24),
       24,
       {40, 50, 60, 10, 20, 30, 0, 0, 0}},
      {"colour-mapped runs",
       Tga(
           9, 8, 2, 1,
           [&] {
             Bytes b = map;
             b.insert(b.end(), {0x81, 1});
             return b;
           }(),
           1, 2, 24),
       24,
       {40, 50, 60, 40, 50, 60}},
      {"a run past the image stops at its end",
       Tga(10, 24, 2, 1, {0xFF, 9, 8, 7}),
       24,
       {9, 8, 7, 9, 8, 7}},
      {"cut data reads as black", Tga(2, 24, 2, 1, {1, 2, 3, 4}), 24, {1, 2, 3, 4, 0, 0}},
  };
  for (const Case& c : cases) {
    const auto image = Read(c.file);
    ASSERT_TRUE(image.has_value()) << c.name;
    EXPECT_EQ(image->pixelDepth, c.depthAfter) << c.name;
    EXPECT_EQ(image->pixels, c.pixels) << c.name;
  }
}

TEST_F(TextureTest, RefusedTgas) {
  const struct {
    const char* name;
    Bytes file;
  } cases[] = {
      {"unknown type", Tga(5, 24, 1, 1, {1, 2, 3})},
      {"colour map missing", Tga(1, 8, 1, 1, {0})},
      {"colour map of 16-bit entries", Tga(1, 8, 1, 1, {0, 0, 0}, 1, 1, 16)},
      {"more pixels than the data can hold", Tga(2, 32, 65535, 65535, {1, 2, 3, 4})},
      {"runs that cannot fill the image", Tga(10, 24, 65535, 65535, {0xFF, 1, 2, 3})},
  };
  for (const auto& c : cases) EXPECT_FALSE(Read(c.file).has_value()) << c.name;
  EXPECT_TRUE(platform().Record().messageBoxes.empty());

  const auto odd = Read(Tga(2, 12, 1, 1, {1, 2}));
  ASSERT_TRUE(odd.has_value()) << "an unsupported depth is reported, not refused";
  EXPECT_TRUE(odd->pixels.empty());
  ASSERT_EQ(platform().Record().messageBoxes.size(), 1u);
  EXPECT_EQ(platform().Record().messageBoxes[0].first, "Unsupported image depth.");
  EXPECT_EQ(platform().Record().messageBoxes[0].second, "TGA");
}

TEST_F(TextureTest, RegistryLoadsByNameAndFindsExactPaths) {
  With({});
  const struct {
    const char* name;
    bool loads;
  } names[] = {{"sun.jpg", true},      {"c.jpg", true},    {"sun.jpg", true},
               {"missing.jpg", false}, {"sun.Jpg", false}, {"readme.txt", false}};
  for (const auto& n : names) {
    auto* texture = new Texture;
    texture->Load(n.name, false, 0);
    EXPECT_EQ(texture->id != 0, n.loads) << n.name;
    textureManager.push_back(texture);
  }
  ASSERT_NE(FindTexture("textures\\sun.jpg"), nullptr);
  EXPECT_EQ(FindTexture("textures\\sun.jpg"), textureManager[0]) << "the first of two";
  EXPECT_EQ(FindTexture("TEXTURES\\SUN.JPG"), nullptr) << "the registry is case-sensitive";
  EXPECT_EQ(FindTexture("textures/sun.jpg"), nullptr);
  EXPECT_EQ(FindTexture("sun.jpg"), nullptr);

  auto* longName = new Texture;
  longName->Load("a-name-far-longer-than-the-path-field.jpg", false, 0);
  EXPECT_EQ(std::string(longName->path.data()).size(), 31u) << "cut to the field";
  textureManager.push_back(longName);

  EXPECT_NE(LoadTgaTextureFromResource("4loader_rd.tga", 119), 0u);
  EXPECT_EQ(LoadTgaTextureFromResource("none", 999), 0u);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
}  // namespace solvane
