// Content files: opening by name and by resource, reading bytes and lines.
#include "data/archive_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/headless_fixture.h"
#include "tools/archive/archive_packer.h"

namespace solvane {
namespace {

using Bytes = std::vector<uint8_t>;

class ArchiveFileTest : public ::solvane::testing::HeadlessTest {
 protected:
  // Installs a platform whose content archive holds `files`, and resource 117 = "view".
  void Carry(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<PackEntry> entries = {{"meshes", {}, true}};
    for (const auto& [name, text] : files)
      entries.push_back({name, Bytes(text.begin(), text.end())});
    std::string error;
    HeadlessOptions options;
    options.resources[kContentArchiveResource] = PackArchive(entries, {}, error);
    options.resources[117] = Bytes{'v', 'i', 'e', 'w'};
    Install(options);
  }
};

TEST_F(ArchiveFileTest, OpensEntriesByName) {
  Carry({{"textures\\sun.jpg", "JPEG"}, {"env.txt", "env"}});
  ArchiveFile file;
  ASSERT_EQ(file.Open("textures/SUN.jpg"), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data), file.size), "JPEG");
  EXPECT_STREQ(file.name.data(), "textures/SUN.jpg");
  file.Release();
  file.Release();  // twice is harmless
  EXPECT_EQ(file.data, nullptr);
  ASSERT_EQ(file.Open("meshes"), 1);
  EXPECT_EQ(file.size, 0u);
  file.Release();
  EXPECT_EQ(file.Open("moon.jpg"), 0);
  EXPECT_TRUE(file.data == nullptr && file.size == 0u);
  EXPECT_EQ(file.Open(std::string(300, 'a').c_str()), 0);
  EXPECT_EQ(std::string(file.name.data()).size(), 99u);

  HeadlessOptions none;
  none.resources[kContentArchiveResource] = {};
  Install(none);
  EXPECT_EQ(file.Open("env.txt"), 0) << "without an archive nothing opens";
  EXPECT_EQ(file.data, nullptr);
}

TEST_F(ArchiveFileTest, ResourceViewsAreNotCopiedOrFreed) {
  Carry({});
  ArchiveFile file;
  EXPECT_EQ(file.OpenResource(117), 1);
  EXPECT_TRUE(file.fromResource);
  ASSERT_EQ(file.size, 4u);
  const uint8_t* view = file.data;
  EXPECT_EQ(view, platform().Resource("CustomData", 117).data());
  file.Release();
  EXPECT_EQ(file.data, view);
  EXPECT_EQ(file.size, 0u);
  EXPECT_EQ(file.OpenResource(999), 1);
  EXPECT_EQ(file.size, 0u);
}

TEST_F(ArchiveFileTest, ReadStopsAtTheEnd) {
  Carry({{"a.bin", "abcdef"}});
  ArchiveFile file;
  ASSERT_EQ(file.Open("a.bin"), 1);
  char out[8] = {};
  file.Read(out, 6);
  EXPECT_EQ(std::string(out, 6), "abcdef");
  EXPECT_FALSE(file.AtEnd()) << "at the last byte is not past it";
  file.Read(out, 3);
  EXPECT_EQ(std::string(out, 3), std::string(3, '\0'));
  EXPECT_TRUE(file.AtEnd());
}

TEST_F(ArchiveFileTest, Lines) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::pair<std::string, bool>> lines;  // then one more: "" and false
  } cases[] = {
      {"leading spaces go", "  begin sun\r\n", {{"begin sun", true}}},
      {"tabs stay", "\tbegin\r\n", {{"\tbegin", true}}},
      {"every CR goes", "alp\rha 0.8\r\n", {{"alpha 0.8", true}}},
      {"last line without LF", "a\r\nENDWORLD", {{"a", true}, {"ENDWORLD", false}}},
      {"trailing blanks stay", "end \t\r\n", {{"end \t", true}}},
      {"long lines are cut",
       std::string(200, 'x') + "\nnext",
       {{std::string(127, 'x'), true}, {"next", false}}},
      {"empty lines, LF alone", "\r\n\n", {{"", true}, {"", true}}},
  };
  for (const auto& c : cases) {
    Carry({{"s.txt", c.text}});
    ArchiveFile file;
    ASSERT_EQ(file.Open("s.txt"), 1) << c.name;
    char line[ArchiveFile::kLineBufferSize];
    for (const auto& [text, ended] : c.lines) {
      EXPECT_EQ(file.ReadLine(line), ended) << c.name;
      EXPECT_EQ(std::string(line), text) << c.name;
    }
    for (int i = 0; i < 3; ++i) {
      EXPECT_FALSE(file.ReadLine(line)) << c.name;
      EXPECT_STREQ(line, "") << c.name;
    }
  }
}

}  // namespace
}  // namespace solvane
