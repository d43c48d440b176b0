// The texture, environment and world lists, from the carried content and from lists of our own.
#include "scene/world_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/display.h"
#include "app/input.h"
#include "objects/view.h"
#include "scene/content_problem.h"
#include "scene/texture_manager.h"
#include "tests/support/content_files.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

class WorldListTest : public ::solvane::testing::HeadlessTest {
 protected:
  // A platform with a scene window; with `files`, a content archive of just those.
  void Start(const std::vector<std::pair<std::string, std::string>>& files = {}) {
    HeadlessOptions options;
    std::vector<std::pair<std::string, testing::Bytes>> content;
    for (const auto& [name, text] : files) content.emplace_back(name, testing::TextBytes(text));
    if (!files.empty()) options.resources[126] = testing::PackContent(content);
    Install(options);
    MainWindow = platform().CreateSceneWindow(64, 64, sceneWindowEvents);
    ASSERT_NE(MainWindow, 0u);
  }
};

TEST_F(WorldListTest, ListsOfOurOwn) {
  Start({{"texture.txt", "  sun.jpg\r\n\r\nnope.png extra\r\nEND_TEXT\r\nc.jpg"},
         {"env.txt",
          "junk\r\nenv first\r\nfirstpass a.txt\r\nendless\r\n\r\nenv second\r\nend\r\n"
          "ENV_END\r\nenv third\r\nend"},
         {"worlds.txt", "world one\r\nobjects w.txt\r\nenv second\r\nsystem\r\nscenedir " +
                            std::string(60, 'd') + "\r\nend\r\nworld " + std::string(30, 'n') +
                            "\r\nenv nowhere\r\nend\r\nWORLD_END\r\nworld never\r\nend"}});
  LoadTextureList("texture.txt", false);
  ASSERT_EQ(textureManager.size(), 2u) << "the blank line adds nothing; END_TEXT ends the list";
  EXPECT_STREQ(textureManager[0]->path.data(), "textures\\sun.jpg");
  EXPECT_STREQ(textureManager[1]->path.data(), "textures\\nope.png") << "the first word";
  EXPECT_EQ(textureManager[0]->id, 0u) << "this archive has no such image";
  EXPECT_EQ(platform().Record().loadProgressReports, 0);

  LoadEnvironments(environmentCatalog, "env.txt");
  ASSERT_EQ(environmentCatalog.size(), 2u) << "\"endless\" ends a block; ENV_END ends the file";
  EXPECT_EQ(environmentCatalog[0]->name, "first");
  EXPECT_EQ(environmentCatalog[1]->name, "second");

  LoadWorlds(worldCatalog, environmentCatalog, "worlds.txt");
  ASSERT_EQ(worldCatalog.size(), 2u);
  const World& one = *worldCatalog[0];
  EXPECT_TRUE(one.system);
  EXPECT_EQ(one.firstPass, &environmentCatalog[1]->firstPass) << "env after objects is fine";
  EXPECT_EQ(one.sceneDir, std::string(49, 'd'));
  const World& two = *worldCatalog[1];
  EXPECT_EQ(two.name, std::string(19, 'n'));
  ASSERT_NE(two.firstPass, nullptr) << "an unknown environment gives empty passes";
  EXPECT_TRUE(two.firstPass->empty());
  EXPECT_TRUE(two.postPass->empty());
}

TEST_F(WorldListTest, FilesWithoutEndMarkersStopAtTheirEnd) {
  Start({{"texture.txt", "sun.jpg\r\nc.jpg"},
         {"env.txt", "env a\r\nfirstpass x.txt"},
         {"worlds.txt", "world w\r\nenv a"}});
  LoadTextureList("texture.txt", true);
  LoadEnvironments(environmentCatalog, "env.txt");
  LoadWorlds(worldCatalog, environmentCatalog, "worlds.txt");
  EXPECT_EQ(textureManager.size(), 2u);
  EXPECT_EQ(environmentCatalog.size(), 1u);
  EXPECT_EQ(worldCatalog.size(), 1u);
  // Missing files read as empty.
  LoadWorlds(worldCatalog, environmentCatalog, "missing.txt");
  EXPECT_EQ(worldCatalog.size(), 1u);
}

TEST_F(WorldListTest, StartUpLoadsTheCarriedWorld) {
  HeadlessOptions options;
  options.maxFrames = 1;
  HeadlessPlatform& p = Install(options);
  RunApplication(1);
  // One report per texture, then one per object: nine in the first pass, fifteen in the world.
  EXPECT_EQ(p.Record().loadProgressReports, 9 + 9 + 15);
  ASSERT_EQ(textureManager.size(), 9u);
  for (const Texture* texture : textureManager) EXPECT_NE(texture->id, 0u) << texture->path.data();
}

// Each list holds at most 1000 records: exactly that many load, one more is left out and said.
TEST_F(WorldListTest, CountsStopAtTheirLimit) {
  const struct {
    const char* file;
    const char* record;  // with a number
    const char* what;
  } kLists[] = {{"texture.txt", "t%d.jpg\r\n", "textures"},
                {"env.txt", "env e%d\r\nend\r\n", "environments"},
                {"worlds.txt", "world w%d\r\nend\r\n", "worlds"}};
  for (const auto& list : kLists) {
    for (const int count : {1000, 1001}) {
      std::string text;
      char record[32];
      for (int i = 0; i < count; ++i) {
        std::snprintf(record, sizeof record, list.record, i);
        text += record;
      }
      Start({{list.file, text}});
      LoadTextureList("texture.txt", false);
      LoadEnvironments(environmentCatalog, "env.txt");
      LoadWorlds(worldCatalog, environmentCatalog, "worlds.txt");
      // Only this list is in the archive: the others are empty.
      EXPECT_EQ(textureManager.size() + environmentCatalog.size() + worldCatalog.size(), 1000u)
          << list.file << " of " << count;
      EXPECT_EQ(ContentProblem(), count == 1000
                                      ? ""
                                      : std::string(list.file) + " lists more than 1000 " +
                                            list.what + "; the rest are left out")
          << list.file << " of " << count;
    }
  }
}

}  // namespace
}  // namespace solvane
