// What the program carries: the content archive's entries, the scene files' bytes, the meshes,
// the pictures and the music, as the program finds them in its own resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "data/archive_file.h"
#include "data/archive_reader.h"
#include "platform/linked/linked_resources.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Entry(const char* name) {
  ArchiveFile file;
  if (!file.Open(name)) return {};
  return Bytes(file.data, file.data + file.size);
}

uint32_t Get32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}

class ContentTest : public ::solvane::testing::HeadlessTest {};

TEST_F(ContentTest, ArchiveHoldsTheEntriesInOrder) {
  std::vector<ArchiveEntryInfo> entries;
  ASSERT_TRUE(ListArchive(FindLinkedResource("CustomData", kContentArchiveResource), entries));
  const std::vector<std::string> expected = {"meshes",
                                             "textures",
                                             "env.txt",
                                             "firstpass.txt",
                                             "firstpass2.txt",
                                             "out.txt",
                                             "postpass.txt",
                                             "SETTINGS.txt",
                                             "texture.txt",
                                             "world.txt",
                                             "worlds.txt",
                                             "meshes\\env.dat",
                                             "meshes\\sphere.dat",
                                             "meshes\\sph_low.dat",
                                             "music.ogg",
                                             "textures\\500.jpg",
                                             "textures\\bs.jpg",
                                             "textures\\c.jpg",
                                             "textures\\refl.jpg",
                                             "textures\\roreol.jpg",
                                             "textures\\sign.jpg",
                                             "textures\\soreol.jpg",
                                             "textures\\stars.jpg",
                                             "textures\\stars2.jpg",
                                             "textures\\sun.jpg"};
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].name, expected[i]);
    EXPECT_EQ(entries[i].method, 0x30) << expected[i];
    EXPECT_EQ(entries[i].flags, i < 2 ? 0x80E0 : 0x8040) << expected[i];
  }
}

TEST_F(ContentTest, SceneFilesHaveTheirSizesAndLineEnds) {
  const struct {
    const char* name;
    size_t size;
    const char* last;
  } files[] = {{"env.txt", 73, "ENV_END"},           {"firstpass.txt", 1284, "ENDWORLD"},
               {"firstpass2.txt", 1031, "ENDWORLD"}, {"out.txt", 2, "\r\n"},
               {"postpass.txt", 10, "ENDWORLD"},     {"SETTINGS.txt", 156, nullptr},
               {"texture.txt", 100, "END_TEXT"},     {"world.txt", 2543, "ENDWORLD"},
               {"worlds.txt", 84, "WORLD_END"}};
  for (const auto& f : files) {
    const Bytes bytes = Entry(f.name);
    ASSERT_EQ(bytes.size(), f.size) << f.name;
    const std::string text(bytes.begin(), bytes.end());
    if (f.last != nullptr) {
      EXPECT_TRUE(text.ends_with(f.last)) << f.name;
    }
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') {
        ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << f.name << " at " << i;
      }
    }
  }
  const std::string worlds(reinterpret_cast<const char*>(Entry("worlds.txt").data()), 84);
  EXPECT_NE(worlds.find("objects  world.txt\r\n"), std::string::npos);
  EXPECT_NE(worlds.find("scenedir scenes\\space\\\r\n"), std::string::npos);
}

TEST_F(ContentTest, TextureListNamesNineTextures) {
  ArchiveFile file;
  ASSERT_EQ(file.Open("texture.txt"), 1);
  char line[ArchiveFile::kLineBufferSize];
  std::vector<std::string> names;
  for (int guard = 0; guard < 100; ++guard) {
    file.ReadLine(line);
    if (std::strncmp(line, "END_TEXT", 8) == 0) break;
    if (line[0] != '\0') names.push_back(line);
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"c.jpg", "500.jpg", "stars2.jpg", "stars.jpg", "roreol.jpg",
                                      "refl.jpg", "soreol.jpg", "sun.jpg", "bs.jpg"}));
}

TEST_F(ContentTest, MeshesFollowTheFormat) {
  const struct {
    const char* name;
    uint32_t vertices, faces;
    bool sphere;
  } meshes[] = {{"meshes\\env.dat", 8, 12, false},
                {"meshes\\sphere.dat", 642, 1280, true},
                {"meshes\\sph_low.dat", 42, 80, true}};
  for (const auto& m : meshes) {
    const Bytes b = Entry(m.name);
    ASSERT_GE(b.size(), 12u) << m.name;
    const uint32_t v = Get32(b, 0), f = Get32(b, 4), t = Get32(b, 8);
    EXPECT_EQ(v, m.vertices) << m.name;
    EXPECT_EQ(f, m.faces) << m.name;
    ASSERT_EQ(b.size(), 12 + 12 * size_t(v) + 60 * size_t(f) + 8 * size_t(t)) << m.name;
    const auto real = [&](size_t at) {
      float value;
      std::memcpy(&value, &b[at], 4);
      return value;
    };
    const size_t faces = 12 + 12 * size_t(v), textures = faces + 12 * size_t(f);
    const size_t normals = textures + 12 * size_t(f) + 8 * size_t(t);
    for (uint32_t i = 0; i < f; ++i) {
      float corner[3][3];
      for (int c = 0; c < 3; ++c) {
        const uint32_t vertex = Get32(b, faces + 12 * i + 4 * size_t(c));
        ASSERT_LT(vertex, v) << m.name;
        ASSERT_LT(Get32(b, textures + 12 * i + 4 * size_t(c)), t) << m.name;
        for (int k = 0; k < 3; ++k) corner[c][k] = real(12 + 12 * size_t(vertex) + 4 * size_t(k));
        if (m.sphere) {  // corner normals equal the positions on a unit sphere
          for (int k = 0; k < 3; ++k) {
            ASSERT_NEAR(real(normals + 36 * i + 12 * size_t(c) + 4 * size_t(k)), corner[c][k],
                        0.0013);
          }
        }
      }
      // Counter-clockwise seen from outside: the face normal points away from the centre.
      float e1[3], e2[3], centre[3];
      for (int k = 0; k < 3; ++k) {
        e1[k] = corner[1][k] - corner[0][k];
        e2[k] = corner[2][k] - corner[0][k];
        centre[k] = corner[0][k] + corner[1][k] + corner[2][k];
      }
      const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                          e1[0] * e2[1] - e1[1] * e2[0]};
      ASSERT_GT(n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2], 0) << m.name << " " << i;
    }
    if (m.sphere) {
      EXPECT_FLOAT_EQ(real(12), 0);
      EXPECT_FLOAT_EQ(real(16), 0);
      EXPECT_FLOAT_EQ(real(20), 1);
    }
  }
}

// Width, height and components of a baseline JPEG, from its start-of-frame marker.
bool JpegFrame(const Bytes& b, int& width, int& height, int& components) {
  for (size_t i = 2; i + 9 < b.size();) {
    if (b[i] != 0xFF) return false;
    const uint8_t marker = b[i + 1];
    const size_t length = size_t(b[i + 2]) << 8 | b[i + 3];
    if (marker == 0xC0) {
      height = b[i + 5] << 8 | b[i + 6];
      width = b[i + 7] << 8 | b[i + 8];
      components = b[i + 9];
      return true;
    }
    i += 2 + length;
  }
  return false;
}

TEST_F(ContentTest, PicturesHaveTheirSizes) {
  const struct {
    const char* name;
    int width, height;
  } jpegs[] = {{"textures\\sun.jpg", 512, 256},    {"textures\\roreol.jpg", 512, 512},
               {"textures\\soreol.jpg", 512, 512}, {"textures\\refl.jpg", 512, 256},
               {"textures\\500.jpg", 512, 512},    {"textures\\stars.jpg", 512, 512},
               {"textures\\stars2.jpg", 512, 512}, {"textures\\bs.jpg", 64, 64},
               {"textures\\c.jpg", 256, 256},      {"textures\\sign.jpg", 128, 128}};
  for (const auto& j : jpegs) {
    int width = 0, height = 0, components = 0;
    ASSERT_TRUE(JpegFrame(Entry(j.name), width, height, components)) << j.name << " is baseline";
    EXPECT_EQ(width, j.width) << j.name;
    EXPECT_EQ(height, j.height) << j.name;
    EXPECT_EQ(components, 3) << j.name;
  }
  const auto load = FindLinkedResource("CustomData", 117);
  int width = 0, height = 0, components = 0;
  ASSERT_TRUE(JpegFrame(Bytes(load.begin(), load.end()), width, height, components));
  EXPECT_EQ(width, 256);
  EXPECT_EQ(height, 256);

  const struct {
    int id, width, height;
  } tgas[] = {{119, 256, 128}, {120, 1, 1}, {121, 1, 1}, {122, 1, 1}, {123, 2, 2}, {124, 1, 1}};
  for (const auto& t : tgas) {
    const auto r = FindLinkedResource("CustomData", t.id);
    ASSERT_GE(r.size(), 18u) << t.id;
    EXPECT_EQ(r[2], 2) << t.id << ": uncompressed true colour";
    EXPECT_EQ(r[12] | r[13] << 8, t.width) << t.id;
    EXPECT_EQ(r[14] | r[15] << 8, t.height) << t.id;
    EXPECT_EQ(r[16], 32) << t.id;
    EXPECT_EQ(r[17], 0x08) << t.id << ": 8 alpha bits, bottom-left origin";
    EXPECT_EQ(r.size(), 18u + size_t(t.width) * size_t(t.height) * 4) << t.id;
  }
}

TEST_F(ContentTest, MusicIsAMinuteOfStereoVorbis) {
  const Bytes ogg = Entry("music.ogg");
  ASSERT_GT(ogg.size(), 58u);
  ASSERT_EQ(std::string(ogg.begin(), ogg.begin() + 4), "OggS");
  // The identification header: packet type 1, "vorbis", version, channels, rate.
  const size_t id = 28;
  ASSERT_EQ(std::string(ogg.begin() + id, ogg.begin() + id + 7), "\x01vorbis");
  EXPECT_EQ(ogg[id + 11], 2);
  EXPECT_EQ(Get32(ogg, id + 12), 44100u);
  // The last page's granule position is the number of samples per channel.
  size_t last = ogg.size() - 4;
  while (last > 0 && std::memcmp(&ogg[last], "OggS", 4) != 0) --last;
  uint64_t granule = 0;
  for (int i = 7; i >= 0; --i) granule = granule << 8 | ogg[last + 6 + size_t(i)];
  const double seconds = double(granule) / 44100;
  EXPECT_GE(seconds, 60);
  EXPECT_LE(seconds, 80);
}

TEST_F(ContentTest, StringTableHoldsEveryDialogText) {
  const auto table = FindLinkedResource("CustomData", 127);
  const std::string text(table.begin(), table.end());
  std::vector<std::string> lines;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find("\r\n", start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  const auto textOf = [&](const std::string& key) -> std::string {
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
      if (lines[i] == key) return lines[i + 1];
    }
    return "(missing)";
  };
  EXPECT_EQ(textOf("#screensaver_configuration#"), "Solvane Screensaver Configuration");
  EXPECT_EQ(textOf("#visit...#"), "Visit...");
  EXPECT_EQ(textOf("#24h_style#"), "24 hrs.");
  for (const char* key : {"#video_mode_selection#",
                          "#use_desktop_settings#",
                          "#vsync#",
                          "#sound_control#",
                          "#master_volume:#",
                          "#enable_music#",
                          "#gamma_control#",
                          "#brightness#",
                          "#use_by_default#",
                          "#products#",
                          "#visit_our_official_web-site#",
                          "#options#",
                          "#Show_FPS#",
                          "#Show_time#",
                          "#12h_style#",
                          "#Exit_on_mouse_move#",
                          "#camera_options#",
                          "#camera_speed#",
                          "#About#",
                          "#restore_defaults#",
                          "#OK#",
                          "#Cancel#",
                          "#enable_sfx#",
                          "#Fullscreen_antialiasing#",
                          "#none#",
                          "#samples#",
                          "#wide_screen#"}) {
    EXPECT_NE(textOf(key), "(missing)") << key;
  }
  const std::string about = textOf("#about_window_text#");
  EXPECT_EQ(std::count(about.begin(), about.end(), '%'), 5) << "six lines";
  // Headings in the code page's Cyrillic letters, bytes 0xC0 and up.
  EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return uint8_t(c) >= 0xC0; }));
}

}  // namespace
}  // namespace solvane
