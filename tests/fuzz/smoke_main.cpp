// The fixed fuzz run of one reader: its seeds, then damaged copies of them in a fixed
// pseudo-random order: flipped bits, changed bytes, cuts, insertions, and the words, numbers and
// marks that scripts, settings, command lines and headers go wrong with.
//   fuzz_smoke TARGET        the fixed run
//   fuzz_smoke TARGET DIR    writes the target's seeds into DIR (an open-ended run starts there)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

#include "tests/fuzz/readers.h"
#include "tests/support/test_data.h"

namespace {

using solvane::fuzz::Bytes;
using solvane::fuzz::Reader;

std::vector<Bytes> Seeds(const Reader& reader) {
  const std::filesystem::path root = SOLVANE_SOURCE_DIR;
  const std::filesystem::path corpus = root / "tests/fuzz/corpus" / reader.name;
  std::error_code none;  // a reader whose seeds all live elsewhere
  std::set<std::filesystem::path> paths(std::filesystem::directory_iterator(corpus, none), {});
  for (std::string_view name : reader.carriedSeeds) paths.insert(root / "scene/content" / name);
  std::vector<Bytes> seeds;
  for (const auto& path : paths) seeds.push_back(solvane::testing::ReadFile(path.string()));
  if (reader.madeSeeds) {
    for (Bytes& seed : reader.madeSeeds()) seeds.push_back(std::move(seed));
  }
  return seeds;
}

void Damage(Bytes& input, std::mt19937& random) {
  static const std::string kTokens[] = {"nan",        "-nan",    "inf",       "-inf",
                                        "1e39",       "-1e39",   "3.4e38",    "1e308",
                                        "dens ",      "line",    "999999999", "-2147483649",
                                        "4294967296", "V(1e38 ", "\nend\n",   "begin",
                                        "\n%%\n",     "ps\n",    "0",         "\xff\xff\xff\x7f",
                                        "\xff\xff",   "=",       ";",         "#",
                                        "\"",         " /",      "-",         "c:",
                                        "\r\n",       "\t",      "true",      "+"};
  const int edits = 1 + int(random() % 4);
  for (int e = 0; e < edits; ++e) {
    const size_t at = input.empty() ? 0 : random() % input.size();
    const auto there = input.begin() + std::ptrdiff_t(at);
    switch (random() % 5) {
      case 0:
        if (!input.empty()) input[at] ^= uint8_t(1u << (random() % 8));
        break;
      case 1:
        if (!input.empty()) input[at] = uint8_t(random());
        break;
      case 2:
        input.resize(at);
        break;
      case 3:
        input.insert(there, uint8_t(random()));
        break;
      default: {
        const std::string& token = kTokens[random() % std::size(kTokens)];
        input.insert(there, token.begin(), token.end());
        break;
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Reader* reader = argc >= 2 ? solvane::fuzz::FindReader(argv[1]) : nullptr;
  if (reader == nullptr || argc > 3) {
    std::fputs("usage: fuzz_smoke TARGET [DIR]\n", stderr);
    return 2;
  }
  const std::vector<Bytes> seeds = Seeds(*reader);
  if (seeds.empty() || std::ranges::any_of(seeds, &Bytes::empty)) {
    std::fprintf(stderr, "fuzz_smoke: %s has no seeds, or a missing one\n", argv[1]);
    return 1;
  }
  if (argc == 3) {
    bool written = true;
    for (size_t i = 0; i < seeds.size(); ++i) {
      std::ofstream file(std::filesystem::path(argv[2]) / ("seed" + std::to_string(i)));
      written &= bool(file.write(reinterpret_cast<const char*>(seeds[i].data()),
                                 std::streamsize(seeds[i].size())));
    }
    return written ? 0 : 1;
  }
  for (const Bytes& seed : seeds) reader->read(seed);
  std::mt19937 random(20261206);
  for (int run = 0; run < reader->smokeRuns; ++run) {
    Bytes input = seeds[random() % seeds.size()];
    Damage(input, random);
    reader->read(Bytes(input));  // a copy of its own size: a read past the end is caught
  }
  std::printf("%s: %zu seeds and %d damaged copies, no failure\n", argv[1], seeds.size(),
              reader->smokeRuns);
  return 0;
}
