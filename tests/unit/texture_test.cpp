// Textures: JPEG and TGA decoding, the upload, and the registry's lookup.
#include "scene/texture_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "app/input.h"
#include "platform/opengl.h"
#include "scene/content_problem.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using Bytes = std::vector<uint8_t>;

// A JPEG from libjpeg's compressor: every pixel `sample` (one value per input component).
struct JpegRecipe {
  int width = 16;
  int height = 16;
  J_COLOR_SPACE input = JCS_RGB;
  J_COLOR_SPACE stored = JCS_UNKNOWN;  // libjpeg's default
  std::vector<uint8_t> sample = {200, 40, 90};
  bool progressive = false;
  unsigned restartInterval = 0;
  bool arithmetic = false;
  int quality = 90;
};

// `pixels`, rows top first, replace the sample when given; `fullChroma` keeps colour at every
// pixel instead of sharing it within 2 x 2 blocks.
Bytes MakeJpeg(const JpegRecipe& recipe, const Bytes& pixels = {}, bool fullChroma = false) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(recipe.width), info.image_height = JDIMENSION(recipe.height);
  info.input_components = int(recipe.sample.size());
  info.in_color_space = recipe.input;
  jpeg_set_defaults(&info);
  if (recipe.stored != JCS_UNKNOWN) jpeg_set_colorspace(&info, recipe.stored);
  jpeg_set_quality(&info, recipe.quality, TRUE);
  if (recipe.progressive) jpeg_simple_progression(&info);
  info.restart_interval = recipe.restartInterval;
  info.arith_code = recipe.arithmetic ? TRUE : FALSE;
  if (fullChroma) info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  const size_t rowSize = size_t(recipe.width) * recipe.sample.size();
  Bytes rows = pixels;
  for (size_t i = 0; pixels.empty() && i < rowSize * size_t(recipe.height); ++i) {
    rows.push_back(recipe.sample[i % recipe.sample.size()]);
  }
  for (JSAMPROW row = rows.data(); row < rows.data() + rows.size(); row += rowSize) {
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  Bytes bytes(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return bytes;
}

// `jpeg` with the frame header (SOF0..SOF2) changed: precision, height and width.
Bytes PatchFrame(Bytes jpeg, uint8_t precision, uint16_t width, uint16_t height) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xC0 && jpeg[i + 1] <= 0xC2) {
      jpeg[i + 4] = precision;
      jpeg[i + 5] = uint8_t(height >> 8);
      jpeg[i + 6] = uint8_t(height);
      jpeg[i + 7] = uint8_t(width >> 8);
      jpeg[i + 8] = uint8_t(width);
      break;
    }
  }
  return jpeg;
}

// An 18-byte TGA header (bottom-left origin, 8 alpha bits) and what follows it.
Bytes Tga(uint8_t type, uint8_t depth, uint16_t width, uint16_t height, Bytes body,
          uint8_t mapType = 0, uint16_t mapLength = 0, uint8_t mapEntry = 0) {
  Bytes b = {0, mapType, type, 0, 0, 0, 0, mapEntry, 0, 0, 0, 0, 0, 0, 0, 0, depth, 0x08};
  for (const auto& [at, v] : {std::pair{5, mapLength}, {12, width}, {14, height}}) {
    b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8);
  }
  body.insert(body.begin(), b.begin(), b.end());
  return body;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
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

// Inverted CMYK (255: no ink) for red.
const std::vector<uint8_t> kRedInvertedCmyk = {255, 0, 0, 255};

TEST_F(TextureTest, EveryKindOfJpegBecomesRgb) {
  const struct {
    const char* name;
    JpegRecipe recipe;
    std::array<int, 3> rgb;
  } cases[] = {
      {"colour", {}, {200, 40, 90}},
      {"odd sides, subsampled", {.width = 13, .height = 7}, {200, 40, 90}},
      {"grey", {.input = JCS_GRAYSCALE, .sample = {100}}, {100, 100, 100}},
      {"CMYK", {.input = JCS_CMYK, .sample = kRedInvertedCmyk}, {255, 0, 0}},
      {"YCCK", {.input = JCS_CMYK, .stored = JCS_YCCK, .sample = kRedInvertedCmyk}, {255, 0, 0}},
      {"progressive", {.progressive = true}, {200, 40, 90}},
      {"restart markers", {.width = 40, .height = 24, .restartInterval = 1}, {200, 40, 90}},
#ifdef D_ARITH_CODING_SUPPORTED
      {"arithmetic coding", {.arithmetic = true}, {200, 40, 90}},
#endif
  };
  for (const auto& c : cases) {
    With({{117, MakeJpeg(c.recipe)}});
    Image image;
    ASSERT_TRUE(LoadJpegImage("load.jpg", image, true, 117)) << c.name << ": " << ContentProblem();
    EXPECT_TRUE(image.width == c.recipe.width && image.height == c.recipe.height) << c.name;
    EXPECT_EQ(image.rowBytes, c.recipe.width * 3) << c.name;
    ASSERT_EQ(image.pixels.size(), size_t(c.recipe.width * c.recipe.height * 3)) << c.name;
    int worst = 0;
    for (size_t i = 0; i < image.pixels.size(); ++i) {
      worst = std::max(worst, std::abs(image.pixels[i] - c.rgb[i % 3]));
    }
    EXPECT_LE(worst, 6) << c.name;
    EXPECT_EQ(ContentProblem(), "") << c.name;
  }
}

// Level `level` of texture `id` read back as RGB rows, and its sides.
Bytes ReadBack(uint32_t id, int level, GLint& width, GLint& height) {
  glBindTexture(GL_TEXTURE_2D, id);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
  Bytes pixels(size_t(width) * size_t(height) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// The upload hands OpenGL RGB rows, the picture's bottom row first: red, green on top; blue,
// white below.
TEST_F(TextureTest, JpegsUploadAsRgbBottomRowFirst) {
  With({{117, MakeJpeg({.width = 2, .height = 2, .quality = 100},
                       {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}, true)}});
  Texture texture;
  texture.Load("load.jpg", true, 117);
  GLint width = 0, height = 0;
  const Bytes pixels = ReadBack(texture.id, 0, width, height);
  ASSERT_TRUE(texture.id != 0 && width == 2 && height == 2);
  const Bytes rgb = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};
  for (size_t i = 0; i < pixels.size(); ++i) EXPECT_NEAR(pixels[i], rgb[i], 24) << i;
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, UndecodableJpegsAreRefusedWithAReason) {
  const Bytes good = MakeJpeg({.width = 32, .height = 32});
  Bytes flipped = good;
  for (size_t i = 2; i < flipped.size(); i += 7) flipped[i] ^= 0xA5;
  const struct {
    const char* name;
    Bytes data;
    const char* reason;
  } cases[] = {
      {"only a start marker", {0xFF, 0xD8}, "ends early"},
      {"cut in the data", Bytes(good.begin(), good.end() - 40), "ends early"},
      {"bytes flipped", flipped, "cannot decode"},
      {"12-bit samples", PatchFrame(good, 12, 32, 32), "precision"},
      {"one row more", PatchFrame(good, 8, 16384, 16385), "16384 x 16385 pixels is larger"},
      // Its coefficients alone would take 750 MB; the decoder's memory limit refuses it.
      {"progressive and huge", PatchFrame(MakeJpeg({.progressive = true}), 8, 16000, 16000),
       "cannot decode"},
  };
  for (const auto& c : cases) {
    With({{117, c.data}});
    Image image;
    EXPECT_FALSE(LoadJpegImage("load.jpg", image, true, 117)) << c.name;
    EXPECT_TRUE(image.pixels.empty()) << c.name;
    EXPECT_EQ(ContentProblem().rfind("image resource 117: ", 0), 0u) << c.name;
    EXPECT_NE(ContentProblem().find(c.reason), std::string::npos)
        << c.name << ": " << ContentProblem();
    Texture texture;
    texture.Load("bad.jpg", true, 117);
    EXPECT_EQ(texture.id, 0u) << c.name;
  }
}

TEST_F(TextureTest, LargeJpegsAreScaledDownWhileDecoding) {
  const struct {
    const char* name;
    int cap;
    JpegRecipe recipe;
    int width, height;
  } cases[] = {
      {"an eighth", 1024, {.width = 8192, .height = 8192, .quality = 5}, 1024, 1024},
      {"the largest eighths that fit", 100, {.width = 150, .height = 60}, 94, 38},
      {"within the cap: as it is", 100, {.width = 100, .height = 7}, 100, 7},
      {"one past the cap", 100, {.width = 101, .height = 7}, 89, 7},
      {"longer than eight caps: sampled down", 64, {.width = 2000, .height = 8}, 64, 1},
  };
  for (const auto& c : cases) {
    With({{117, MakeJpeg(c.recipe)}});
    textureSideCap = c.cap;
    Image image;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(LoadJpegImage("big.jpg", image, true, 117)) << c.name << ": " << ContentProblem();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 1.5) << c.name;
    EXPECT_TRUE(image.width == c.width && image.height == c.height) << c.name;
    ASSERT_EQ(image.pixels.size(), size_t(c.width) * size_t(c.height) * 3) << c.name;
    EXPECT_NEAR(image.pixels.back(), 90, 20) << c.name;
  }
  // The most pixels a JPEG may have pass the check of its header (its data then runs short).
  With({{117, PatchFrame(MakeJpeg({}), 8, 16384, 16384)}});
  textureSideCap = 64;
  Image image;
  EXPECT_TRUE(LoadJpegImage("big.jpg", image, true, 117)) << ContentProblem();
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
      {"BGRA to RGBA", Tga(2, 32, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}), 32, {3, 2, 1, 4, 7, 6, 5, 8}},
      {"16-bit expands", Tga(2, 16, 1, 1, {0x1F, 0x7C}), 24, {0xF8, 0, 0xF8}},
      {"grey, data exactly full", Tga(3, 8, 2, 1, {7, 9}), 8, {7, 9}},
      {"run of 24-bit", Tga(10, 24, 3, 1, {0x82, 1, 2, 3}), 24, {1, 2, 3, 1, 2, 3, 1, 2, 3}},
      {"raw 32-bit packet kept", Tga(10, 32, 1, 1, {0x00, 1, 2, 3, 4}), 32, {1, 2, 3, 4}},
      {"grey runs", Tga(11, 8, 4, 1, {0x81, 5, 0x01, 6, 7}), 8, {5, 5, 6, 7}},
      // Runs may promise 128 pixels a byte: the most a header may ask of two bytes.
      {"256 from two bytes", Tga(11, 8, 256, 1, {0xFF, 5}), 8, Cat(Bytes(128, 5), Bytes(128, 0))},
      // Index 1 is the map's last entry, 2 one past it: black.
      {"map", Tga(1, 8, 3, 1, Cat(map, {0, 1, 2}), 1, 2, 24), 24, Cat(map, {0, 0, 0})},
      {"mapped runs", Tga(9, 8, 2, 1, Cat(map, {0x81, 1}), 1, 2, 24), 24, {40, 50, 60, 40, 50, 60}},
      {"a run past the end stops", Tga(10, 24, 2, 1, {0xFF, 9, 8, 7}), 24, {9, 8, 7, 9, 8, 7}},
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
      {"runs that cannot fill the image", Tga(10, 24, 4096, 4096, {0xFF, 1, 2, 3})},
      {"wider than a texture may be", Tga(2, 8, 65535, 1, Bytes(65535, 1))},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Read(c.file).has_value()) << c.name;
    EXPECT_EQ(ContentProblem().rfind("image resource 500: ", 0), 0u) << c.name;
  }
  EXPECT_TRUE(platform().Record().messageBoxes.empty());
  // The sides are checked first, before the data's plausibility.
  Read(Tga(10, 24, 8192, 8192, {0xFF, 1, 2, 3}));
  EXPECT_EQ(ContentProblem(),
            "image resource 500: a TGA image of 8192 x 8192 pixels is larger than a texture may "
            "be (4096 x 4096)");

  // The cap is the image side: equal passes, one more does not.
  With({{500, Tga(2, 24, 4, 1, Bytes(12, 7))}, {501, Tga(2, 24, 5, 1, Bytes(15, 7))}});
  textureSideCap = 4;
  TgaImage image;
  EXPECT_TRUE(ReadTgaImage(nullptr, image, true, 500));
  EXPECT_FALSE(ReadTgaImage(nullptr, image, true, 501));

  const auto odd = Read(Tga(2, 12, 1, 1, {1, 2}));
  ASSERT_TRUE(odd.has_value()) << "an unsupported depth is reported, not refused";
  EXPECT_TRUE(odd->pixels.empty());
  // A content problem in one line; a box would wait for a click over an idle desktop.
  EXPECT_TRUE(platform().Record().messageBoxes.empty());
  EXPECT_NE(ContentProblem().find("pixel depth"), std::string::npos) << ContentProblem();
}

// Every level GLU would build, read back from a texture it built.
std::vector<Bytes> GluLevels(const Bytes& pixels, int width, int height, int components) {
  const GLenum format = components == 4 ? GL_RGBA : components == 3 ? GL_RGB : GL_LUMINANCE;
  GLuint id = 0;
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE,
                    pixels.data());
  std::vector<Bytes> levels;
  for (int level = 1; width > 1 || height > 1; ++level) {
    width = std::max(1, width / 2), height = std::max(1, height / 2);
    Bytes out(size_t(width) * size_t(height) * size_t(components));
    glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
    levels.push_back(out);
  }
  glDeleteTextures(1, &id);
  return levels;
}

TEST_F(TextureTest, MipLevelsAreGlusToTheByte) {
  With({});
  const struct {
    int width, height, components;
  } cases[] = {{64, 64, 3}, {32, 8, 3}, {8, 32, 4}, {16, 1, 3}, {1, 16, 1}, {4, 2, 1}, {2, 2, 4}};
  uint32_t seed = 12345;
  for (const auto& c : cases) {
    Bytes pixels(size_t(c.width) * size_t(c.height) * size_t(c.components));
    for (uint8_t& p : pixels) {
      seed = seed * 1664525u + 1013904223u;
      p = uint8_t(seed >> 24);
    }
    const std::vector<MipLevel> built =
        BuildMipLevels(pixels.data(), c.width, c.height, c.components);
    const std::vector<Bytes> expected = GluLevels(pixels, c.width, c.height, c.components);
    ASSERT_EQ(built.size(), expected.size()) << c.width << "x" << c.height;
    for (size_t i = 0; i < built.size(); ++i) {
      EXPECT_EQ(built[i].pixels, expected[i])
          << c.width << "x" << c.height << "x" << c.components << " level " << i + 1;
    }
  }
  EXPECT_TRUE(BuildMipLevels(Bytes(300).data(), 10, 10, 3).empty()) << "GLU rescales these";
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Textures load by name from "textures"; prepared ones equal direct ones; lookups are exact.
TEST_F(TextureTest, LoadsByNameAndPreparedOnesEqualDirectOnes) {
  With({});
  const std::vector<std::string> names = {"sun.jpg", "missing.jpg", "c.jpg",
                                          "sun.jpg", "sun.Jpg",     "readme.txt"};
  const std::vector<bool> loads = {true, false, true, true, false, false};
  const auto load = [&] {
    std::vector<uint32_t> ids;
    for (const std::string& name : names) {
      textureManager.push_back(new Texture);
      textureManager.back()->Load(name.c_str(), false, 0);
      ids.push_back(textureManager.back()->id);
    }
    return ids;
  };
  GLint width = 0, height = 0;
  const auto read = [&](uint32_t id, int level) { return ReadBack(id, level, width, height); };
  const std::vector<uint32_t> direct = load();
  std::vector<std::vector<Bytes>> directPixels;
  for (uint32_t id : direct) directPixels.push_back({read(id, 0), read(id, 3)});
  EXPECT_EQ(FindTexture("textures\\sun.jpg"), textureManager[0]) << "the first of two";
  for (const char* other : {"TEXTURES\\SUN.JPG", "textures/sun.jpg", "sun.jpg"}) {
    EXPECT_EQ(FindTexture(other), nullptr) << other;
  }
  ResetTextures();

  PrepareTextures(names);
  const std::vector<uint32_t> prepared = load();
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(direct[i] != 0, loads[i]) << names[i];
    EXPECT_EQ(prepared[i] != 0, loads[i]) << names[i];
    if (prepared[i] == 0) continue;
    EXPECT_EQ(read(prepared[i], 0), directPixels[i][0]) << names[i];
    EXPECT_EQ(read(prepared[i], 3), directPixels[i][1]) << names[i];
  }

  Texture longName;
  longName.Load("a-name-far-longer-than-the-path-field.jpg", false, 0);
  EXPECT_EQ(std::string(longName.path.data()).size(), 31u) << "cut to the field";
  EXPECT_NE(LoadTgaTextureFromResource("4loader_rd.tga", 119), 0u);
  EXPECT_EQ(LoadTgaTextureFromResource("none", 999), 0u);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
}  // namespace solvane
