// Reading entries out of archives: names, damage, round trips checked by unar too, decode tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "data/archive_reader.h"
#include "data/unpack20.h"
#include "tests/support/test_data.h"
#include "tools/archive/archive_packer.h"

namespace solvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes Pack(const std::vector<PackEntry>& entries, PackOptions options = {}) {
  std::string error;
  Bytes archive = PackArchive(entries, options, error);
  EXPECT_FALSE(archive.empty()) << error;
  return archive;
}

// The entry's bytes, or nullopt when the reader refuses it (saying why in `error`).
std::optional<Bytes> Extract(const Bytes& archive, const char* name,
                             ArchiveError* error = nullptr) {
  ArchiveMemory memory{archive.data(), uint32_t(archive.size()), 0};
  uint8_t* block = nullptr;
  uint32_t size = 12345;
  if (!ArchiveGetFile(&block, &size, name, memory, "", error)) {
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(size, 0u);
    return std::nullopt;
  }
  Bytes bytes(block, block + size);
  ArchiveFreeBlock(block);
  return bytes;
}

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

std::vector<PackEntry> ContentLikeEntries() {
  return {{"meshes", {}, true},
          {"textures", {}, true},
          {"env.txt", Text("env envip\r\nfirstpass firstpass.txt\r\nend\r\nENV_END"), false},
          {"meshes\\sphere.dat", testing::RandomBytes(3000, 1), false},
          {"textures\\sun.jpg", testing::RandomBytes(5000, 2), false}};
}

TEST(ArchiveTest, NameFormsFindTheSameEntry) {
  const Bytes archive = Pack(ContentLikeEntries());
  const auto expected = ContentLikeEntries()[4].data;
  for (const char* name : {"textures\\sun.jpg", "TEXTURES\\SUN.JPG", "textures/sun.jpg",
                           "textures_sun.jpg", "Textures/Sun.JPG"}) {
    EXPECT_EQ(Extract(archive, name), expected) << name;
  }
  EXPECT_EQ(Extract(archive, "meshes"), Bytes{}) << "a directory is an empty entry";
  for (const char* missing : {"textures\\moon.jpg", "sun.jpg", "", "textures\\sun.jpg "}) {
    EXPECT_EQ(Extract(archive, missing), std::nullopt) << missing;
  }
}

// Names count up to 259 characters: the 259th tells two names apart, anything after it does not,
// and the data still follows the whole name.
TEST(ArchiveTest, NamesAreComparedUpToTheirLimit) {
  const std::string full = std::string(258, 'a') + "b", longer = std::string(259, 'c') + "x";
  const Bytes archive =
      Pack({{full, Text("full"), false}, {longer, Text("longer"), false}}, {.compress = true});
  EXPECT_EQ(Extract(archive, full.c_str()), Text("full"));
  EXPECT_EQ(Extract(archive, (std::string(258, 'a') + "c").c_str()), std::nullopt);
  EXPECT_EQ(Extract(archive, (std::string(259, 'c') + "y").c_str()), Text("longer"));
}

// Offsets in the first file block of an archive from ContentLikeEntries: the marker (7), the
// main header (13), then the directory block "meshes" at 20.
constexpr size_t kFirstBlock = 20;

TEST(ArchiveTest, DamageGivesNothingAndSaysWhy) {
  using enum ArchiveError;
  const Bytes good = Pack(ContentLikeEntries());
  const size_t sunData = good.size() - 7 - 5000;  // the last entry's data ends before the end block
  const struct {
    const char* what;
    size_t offset;
    int delta;  // added to the byte
    ArchiveError error;
  } cases[] = {
      {"flipped data byte", sunData + 100, 1, BadCrc},
      {"flipped marker", 0, 1, Missing},
      {"header size 6", kFirstBlock + 5, 6 - 38, Damaged},  // "meshes": 32 + 6 = 38
      {"header size 0", kFirstBlock + 5, -38, Damaged},
      {"unpack version 12", kFirstBlock + 24, -8, Unsupported},
      {"unpack version 21", kFirstBlock + 24, 1, Unsupported},
      {"unpacked size past the packed", sunData - 32 - 16 + 11, 1, ImpossibleSize},
  };
  for (const auto& c : cases) {
    Bytes bad = good;
    bad[c.offset] = uint8_t(bad[c.offset] + c.delta);
    const char* name = std::strstr(c.what, "version") ? "meshes" : "textures\\sun.jpg";
    ArchiveError error = None;
    EXPECT_EQ(Extract(bad, name, &error), std::nullopt) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
  }
  const struct {
    const char* what;
    Bytes archive;
    ArchiveError error;
  } cuts[] = {{"empty", {}, Missing},
              {"cut in the entry's data", Bytes(good.begin(), good.end() - 7 - 100), BrokenStream}};
  for (const auto& c : cuts) {
    ArchiveError error = None;
    EXPECT_EQ(Extract(c.archive, "textures\\sun.jpg", &error), std::nullopt) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
  }
}

TEST(ArchiveTest, AlternativeMarkerAndOtherBlocks) {
  Bytes archive = Pack(ContentLikeEntries());
  std::memcpy(archive.data(), "Brovel!", 7);
  EXPECT_EQ(Extract(archive, "env.txt"), ContentLikeEntries()[2].data);

  // A comment block with data is skipped by its size; a sub-block ends the search.
  Bytes withComment = archive;
  const uint8_t comment[] = {0, 0, 0x75, 0x00, 0x80, 7 + 4, 0, 3, 0, 0, 0, 'a', 'b', 'c'};
  withComment.insert(withComment.begin() + kFirstBlock, std::begin(comment), std::end(comment));
  EXPECT_EQ(Extract(withComment, "env.txt"), ContentLikeEntries()[2].data);

  Bytes withSubBlock = withComment;
  withSubBlock[kFirstBlock + 2] = 0x77;
  EXPECT_EQ(Extract(withSubBlock, "env.txt"), std::nullopt);
}

// Round trips of every kind of entry, against an independent reader (unar) too: both it and
// ours must give back exactly the packed bytes.
struct OracleCase {
  const char* name;
  std::vector<PackEntry> entries;
  PackOptions options;
};

std::vector<OracleCase> OracleCases() {
  using testing::AudioLike;
  using testing::FarRepeats;
  using testing::RandomBytes;
  using testing::TextLike;
  const PackOptions lz{.compress = true};
  std::vector<OracleCase> cases = {
      {"stored", {{"meshes", {}, true}, {"meshes\\a.dat", RandomBytes(999, 1)}}, {}},
      {"text", {{"t.txt", TextLike(300'000, 2)}}, lz},
      {"binary", {{"b.bin", FarRepeats(200'000, 3)}}, lz},
      {"random", {{"r.bin", RandomBytes(100'000, 4)}}, lz},
      {"long runs", {{"z.bin", Bytes(500'000, 0)}, {"x.bin", Bytes(70'000, 'x')}}, lz},
      {"far matches past the window", {{"f.bin", FarRepeats(2'500'000, 5)}}, lz},
      {"small files", {{"e.txt", {}}, {"o.txt", {'1'}}, {"p.txt", {'a', 'b', 'a', 'b', 'a'}}}, lz},
      {"solid set",
       {{"one.txt", TextLike(90'000, 6)},
        {"two.bin", RandomBytes(30'000, 7)},
        {"three.txt", TextLike(120'000, 6)},
        {"four.bin", FarRepeats(400'000, 8)}},
       {.compress = true, .solid = true}},
  };
  for (int channels = 1; channels <= 4; ++channels) {
    cases.push_back({"multimedia",
                     {{"s.raw", AudioLike(120'000, channels, uint32_t(9 + channels))}},
                     {.compress = true, .multimediaChannels = channels}});
  }
  // The second channel moves 2.5 times as far as the first just did and is noise to itself:
  // the weight of the other channel's delta is driven to its bound, and stays there.
  for (const float gain : {2.5f, -2.5f}) {
    std::mt19937 random(22);
    Bytes pair;
    for (int walk = 0; pair.size() < 60'000;) {
      walk = std::clamp(walk + int(random() % 17) - 8, -40, 40);
      pair.push_back(uint8_t(128 + walk));
      pair.push_back(uint8_t(128 + int(gain * float(walk))));
    }
    cases.push_back({gain > 0 ? "multimedia at the upper weight" : "multimedia at the lower weight",
                     {{"f.raw", pair}},
                     {.compress = true, .multimediaChannels = 2}});
  }
  cases.push_back({"solid multimedia",
                   {{"l.raw", AudioLike(50'000, 2, 20)}, {"r.raw", AudioLike(50'000, 2, 21)}},
                   {.compress = true, .multimediaChannels = 2, .solid = true}});
  return cases;
}

class OracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(std::system("command -v unar >/dev/null 2>&1"), 0) << "scripts/install-deps.sh";
    dir_ = fs::temp_directory_path() / ("solvane-oracle-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  static int Unar(const fs::path& archive, const fs::path& out) {
    return std::system(
        ("unar -q -f -D -o '" + out.string() + "' '" + archive.string() + "'").c_str());
  }
  fs::path dir_;
};

TEST_F(OracleTest, EveryPackedArchiveUnpacksExactly) {
  int number = 0;
  for (const OracleCase& c : OracleCases()) {
    const Bytes archive = Pack(c.entries, c.options);
    const fs::path file = dir_ / ("case" + std::to_string(number) + ".rar");
    const fs::path out = dir_ / ("out" + std::to_string(number++));
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size()));
    ASSERT_EQ(Unar(file, out), 0) << c.name << " channels " << c.options.multimediaChannels;
    for (const PackEntry& entry : c.entries) {
      std::string path = entry.name;
      std::replace(path.begin(), path.end(), '\\', '/');
      EXPECT_EQ(entry.directory ? entry.data : testing::ReadFile((out / path).string()), entry.data)
          << c.name << " " << entry.name << " (unar)";
      EXPECT_EQ(fs::is_directory(out / path), entry.directory) << c.name << " " << entry.name;
      EXPECT_EQ(Extract(archive, entry.name.c_str()), entry.data) << c.name << " " << entry.name;
    }
  }
}

// A prefix of the quick table holds a symbol exactly when every 16-bit value under it decodes
// alike by the full search (so no short code falls to the slow path), and then that symbol.
TEST(DecodeTableTest, QuickLookupAgreesWithTheFullSearch) {
  constexpr uint32_t kQuickBits = Unpacker::DecodeTable::kQuickBits;
  std::mt19937 random(12);
  for (int trial = 0; trial < 60; ++trial) {
    // Complete, incomplete and over-subscribed codes alike.
    uint8_t lengths[298];
    const uint32_t count = trial % 2 ? 298 : 19;
    for (uint32_t i = 0; i < count; ++i) lengths[i] = uint8_t(random() % (trial % 3 ? 16 : 9));
    Unpacker::DecodeTable table;
    BuildDecodeTable(lengths, count, table);
    for (uint32_t prefix = 0; prefix < (1u << kQuickBits); ++prefix) {
      uint32_t firstLength = 0, firstSymbol = 0;
      bool settled = true;
      for (uint32_t low = 0; low < (1u << (16 - kQuickBits)); ++low) {
        uint32_t length;
        const uint32_t symbol =
            SearchDecodeTable(table, (prefix << (16 - kQuickBits)) | low, length);
        if (low == 0) firstLength = length, firstSymbol = symbol;
        settled = settled && length == firstLength && symbol == firstSymbol;
      }
      settled = settled && firstLength <= kQuickBits;
      const uint32_t expected = settled ? (firstLength << 24) | firstSymbol : 0;
      ASSERT_EQ(table.quick[prefix], expected) << "trial " << trial << " prefix " << prefix;
    }
  }
}

}  // namespace
}  // namespace solvane
