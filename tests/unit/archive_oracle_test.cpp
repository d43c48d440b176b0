// The packer's archives against an independent RAR reader (unar): both it and our reader must
// give back exactly the packed bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "data/archive_reader.h"
#include "tests/support/test_data.h"
#include "tools/archive/archive_packer.h"

namespace solvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct OracleCase {
  const char* name;
  std::vector<PackEntry> entries;
  PackOptions options;
};

std::vector<OracleCase> Cases() {
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
  cases.push_back({"solid multimedia",
                   {{"l.raw", AudioLike(50'000, 2, 20)}, {"r.raw", AudioLike(50'000, 2, 21)}},
                   {.compress = true, .multimediaChannels = 2, .solid = true}});
  return cases;
}

class OracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v unar >/dev/null 2>&1") != 0) {
      FAIL() << "unar is missing: scripts/install-deps.sh installs it";
    }
    dir_ = fs::temp_directory_path() / ("solvane-oracle-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(OracleTest, EveryPackedArchiveUnpacksExactly) {
  int caseNumber = 0;
  for (const OracleCase& c : Cases()) {
    std::string error;
    const Bytes archive = PackArchive(c.entries, c.options, error);
    ASSERT_FALSE(archive.empty()) << c.name << ": " << error;

    const fs::path file = dir_ / ("case" + std::to_string(caseNumber) + ".rar");
    const fs::path out = dir_ / ("out" + std::to_string(caseNumber++));
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size()));
    const std::string command = "unar -q -f -D -o '" + out.string() + "' '" + file.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0)
        << c.name << " channels " << c.options.multimediaChannels;

    for (const PackEntry& entry : c.entries) {
      if (entry.directory) {
        EXPECT_TRUE(fs::is_directory(out / entry.name)) << c.name << " " << entry.name;
        continue;
      }
      std::string path = entry.name;
      for (char& ch : path) ch = ch == '\\' ? '/' : ch;
      EXPECT_EQ(testing::ReadFile((out / path).string()), entry.data)
          << c.name << " " << entry.name << " (unar)";

      ArchiveMemory memory{archive.data(), uint32_t(archive.size()), 0};
      uint8_t* block = nullptr;
      uint32_t size = 0;
      ASSERT_EQ(ArchiveGetFile(&block, &size, entry.name.c_str(), memory, ""), 1)
          << c.name << " " << entry.name;
      EXPECT_EQ(Bytes(block, block + size), entry.data) << c.name << " " << entry.name;
      ArchiveFreeBlock(block);
    }
  }
}

TEST_F(OracleTest, ArchivesMadeElsewhereAgree) {
  const std::string recorded = testing::SharedTestData("rar20-small.rar");
  if (!fs::exists(recorded)) GTEST_SKIP() << "no shared test data beside the repository";
  const std::string command = "unar -q -f -D -o '" + dir_.string() + "' '" + recorded + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const Bytes expected = testing::ReadFile((dir_ / "file.txt").string());
  ASSERT_EQ(expected.size(), 4u);
  const Bytes archive = testing::ReadFile(recorded);
  ArchiveMemory memory{archive.data(), uint32_t(archive.size()), 0};
  uint8_t* block = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(ArchiveGetFile(&block, &size, "file.txt", memory, ""), 1);
  EXPECT_EQ(Bytes(block, block + size), expected);
  ArchiveFreeBlock(block);
}

}  // namespace
}  // namespace solvane
