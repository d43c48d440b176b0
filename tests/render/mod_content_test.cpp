// Mods in the saver: a content archive of the user's choosing plays instead of the carried
// scene, and one that cannot be shown falls back to the carried scene with one line said.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "data/archive_file.h"
#include "tests/support/content_files.h"
#include "tests/support/render_checks.h"

namespace solvane {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::PackContent;
using testing::TextBytes;

constexpr size_t kCarriedWorldObjects = 15;

// A small mod: its own world "world" with `objects` in its script, and a sun image of its own
// where one is given.
Bytes Mod(const std::string& objects, const std::string& worldName = "world",
          const Bytes& sunImage = {}) {
  std::vector<std::pair<std::string, Bytes>> files = {
      {"texture.txt", TextBytes(sunImage.empty() ? "END_TEXT" : "sun.jpg\r\nEND_TEXT")},
      {"env.txt", TextBytes("env envip\r\nend\r\nENV_END")},
      {"worlds.txt", TextBytes("world " + worldName +
                               "\r\nenv envip\r\nobjects w.txt\r\nscenedir x\\\r\nend\r\n")},
      {"w.txt", TextBytes(objects)}};
  if (!sunImage.empty()) files.push_back({"textures\\sun.jpg", sunImage});
  return PackContent(files);
}

const std::string kTwoSpheres =
    "sphere\r\nbegin a\r\nradius 5\r\nend\r\nsphere\r\nbegin b\r\nradius 7\r\nend\r\n";

class ModContentTest : public testing::HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    HeadlessTest::TearDown();
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
  }
  // Starts the saver as far as the loaded scene with `content` stored as the setting, or given
  // as the option for the run.
  size_t StartWith(const std::string& content, bool asOption = false,
                   const std::function<void()>& inspect = {}) {
    HeadlessOptions options;
    options.maxFrames = 1;
    HeadlessPlatform& p = Install(options);
    p.Store().Set("EnableMusic", 0);
    if (!asOption) p.Store().SetText("Content", content);
    Application app;
    app.showCommand = 1;
    LoadSettings(app);
    RunOptions run;
    if (asOption) run.content = content;
    ApplyRunOptions(run, settings);
    EXPECT_TRUE(StartSaver(app));
    const size_t objects = CurrentWorld != nullptr ? CurrentWorld->objects.size() : 0;
    log_ = p.Record().logLines;
    if (inspect) inspect();
    StopSaver(app, true);
    return objects;
  }
  fs::path dir_ = fs::temp_directory_path() / ("solvane-mod-" + std::to_string(::getpid()));
  std::vector<std::string> log_;
};

// A mod plays, stored or given for one run; one that cannot be shown falls back to the carried
// scene with one line saying why (less the path where it names it).
TEST_F(ModContentTest, AModPlaysOrFallsBackWithOneLine) {
  Bytes damaged = Mod(kTwoSpheres);
  damaged.resize(damaged.size() / 2);
  const std::string mod = Write("mod.rar", Mod(kTwoSpheres));
  const struct {
    const char* what;
    std::string path;
    const char* said;
    bool asOption = false;
  } cases[] = {{"a mod", mod, nullptr},
               {"a mod for one run", mod, nullptr, true},
               {"no mod", "", nullptr},
               {"a missing file", (dir_ / "none.rar").string(), "there is no file "},
               {"a directory", dir_.string(), " is not a file"},
               {"not an archive", Write("junk.rar", Bytes(5000, 'x')), " is not a content archive"},
               {"a damaged archive", Write("half.rar", damaged), " is not a content archive"},
               {"no world named world", Write("other.rar", Mod(kTwoSpheres, "elsewhere")),
                "it has no world named \"world\""},
               {"past the particle budget",
                Write("greedy.rar", Mod("ps\r\nbegin\r\ndens 1000000\r\nend\r\n")),
                "particle budget exceeded"}};
  for (const auto& c : cases) {
    const bool plays = c.said == nullptr && !c.path.empty();
    EXPECT_EQ(StartWith(c.path, c.asOption), plays ? 2u : kCarriedWorldObjects) << c.what;
    ASSERT_EQ(log_.size(), c.said == nullptr ? 0u : 1u) << c.what;
    if (c.said == nullptr) continue;
    EXPECT_NE(log_[0].find(c.said), std::string::npos) << c.what << ": " << log_[0];
    EXPECT_NE(log_[0].find("the carried scene plays instead"), std::string::npos) << c.what;
  }
}

// The images come from the mod's archive too, also those decoded ahead of the window.
TEST_F(ModContentTest, AModsImagesAreItsOwn) {
  ArchiveFile glyphs;
  ASSERT_TRUE(glyphs.Open("textures\\c.jpg"));
  const Bytes other(glyphs.data, glyphs.data + glyphs.size);
  const auto width = [](const char* path) {
    const Texture* texture = FindTexture(path);
    GLint w = 0;
    if (texture != nullptr && texture->id != 0) {
      glBindTexture(GL_TEXTURE_2D, texture->id);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    }
    return w;
  };
  GLint carried = 0, mod = 0, glyphWidth = 0;
  StartWith("", false,
            [&] { carried = width("textures\\sun.jpg"), glyphWidth = width("textures\\c.jpg"); });
  ASSERT_NE(carried, glyphWidth) << "the test needs images of two sizes";
  StartWith(Write("own.rar", Mod(kTwoSpheres, "world", other)), false,
            [&] { mod = width("textures\\sun.jpg"); });
  EXPECT_EQ(mod, glyphWidth);
  EXPECT_TRUE(log_.empty());
}

// Once the scene has loaded, the loading screen's images are given back to OpenGL, and only
// they: the scene's textures and the clock's glyphs stay. The same after a mod falls back, whose
// second loading screen still had its images.
TEST_F(ModContentTest, TheLoadingScreenGoesOnceTheSceneHasLoaded) {
  const std::string fallback = Write("other.rar", Mod(kTwoSpheres, "elsewhere"));
  for (const std::string& content : {std::string(), fallback}) {
    StartWith(content, false, [&] {
      uint32_t left = overlayTextures.load.id | overlayTextures.sign.id;
      for (uint32_t corner : overlayTextures.corners) left |= corner;
      EXPECT_EQ(left, 0u) << content;
      EXPECT_TRUE(overlayTextures.glyphs != 0 && glIsTexture(overlayTextures.glyphs)) << content;
      ASSERT_FALSE(textureManager.empty()) << content;
      for (const Texture* texture : textureManager) {
        EXPECT_TRUE(texture->id == 0 || glIsTexture(texture->id)) << texture->path.data();
      }
    });
  }
}

}  // namespace
}  // namespace solvane
