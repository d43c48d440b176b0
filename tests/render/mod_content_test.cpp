// Mods in the saver: a content archive of the user's choosing plays instead of the carried one.
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

// A mod with world `worldName` of `objects`, and a sun image of its own where one is given.
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
  void SetUp() override { HeadlessTest::SetUp(), fs::create_directories(dir_); }
  void TearDown() override { fs::remove_all(dir_), HeadlessTest::TearDown(); }
  std::string Write(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
  }
  // Starts the saver up to the loaded scene, `content` stored or given for the run; its objects.
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

// A mod plays with its own images; one that cannot be shown falls back with one line saying
// why. Once loaded, the loading screen's images, and only they, are given back.
TEST_F(ModContentTest, AModPlaysOrFallsBackWithOneLine) {
  ArchiveFile glyphs;  // a sun image of another size than the carried one
  ASSERT_TRUE(glyphs.Open("textures\\c.jpg"));
  Bytes damaged = Mod(kTwoSpheres);
  damaged.resize(damaged.size() / 2);
  const std::string mod =
      Write("mod.rar", Mod(kTwoSpheres, "world", Bytes(glyphs.data, glyphs.data + glyphs.size)));
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
  const auto width = [](const char* path) {
    const Texture* texture = FindTexture(path);
    GLint w = 0;
    if (texture != nullptr && texture->id != 0) {
      glBindTexture(GL_TEXTURE_2D, texture->id);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    }
    return w;
  };
  for (const auto& c : cases) {
    const bool plays = c.said == nullptr && !c.path.empty();
    const size_t objects = StartWith(c.path, c.asOption, [&] {
      EXPECT_EQ(width("textures\\sun.jpg") == 256, plays) << c.what;  // the atlas's width
      uint32_t left = overlayTextures.load.id | overlayTextures.sign.id;
      for (uint32_t corner : overlayTextures.corners) left |= corner;
      EXPECT_EQ(left, 0u) << c.what;
      EXPECT_TRUE(plays || glIsTexture(overlayTextures.glyphs)) << c.what;  // a mod has none
      ASSERT_FALSE(textureManager.empty()) << c.what;
      for (const Texture* texture : textureManager) {
        EXPECT_TRUE(texture->id == 0 || glIsTexture(texture->id)) << texture->path.data();
      }
    });
    EXPECT_EQ(objects, plays ? 2u : kCarriedWorldObjects) << c.what;
    ASSERT_EQ(log_.size(), c.said == nullptr ? 0u : 1u) << c.what;
    if (c.said == nullptr) continue;
    EXPECT_NE(log_[0].find(c.said), std::string::npos) << c.what << ": " << log_[0];
    EXPECT_NE(log_[0].find("the carried scene plays instead"), std::string::npos) << c.what;
  }
}

}  // namespace
}  // namespace solvane
