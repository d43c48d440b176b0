// Feeds a harness its seed corpus, then damaged copies of the seeds in a fixed pseudo-random
// order: flipped bits, changed bytes, cuts, insertions, and the words and numbers that scripts
// and headers go wrong with.
//   fuzz_smoke_TARGET SEEDS... RUNS     SEEDS: directories of seeds, or seed files
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/test_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: fuzz_smoke_TARGET SEEDS... RUNS\n", stderr);
    return 2;
  }
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i + 1 < argc; ++i) {
    if (!std::filesystem::exists(argv[i])) continue;  // a target whose seeds all live elsewhere
    if (!std::filesystem::is_directory(argv[i])) {
      paths.emplace_back(argv[i]);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      if (entry.is_regular_file()) paths.push_back(entry.path());
    }
  }
  std::sort(paths.begin(), paths.end());
  std::vector<std::vector<uint8_t>> seeds;
  for (const auto& path : paths) seeds.push_back(solvane::testing::ReadFile(path.string()));
  if (seeds.empty()) {
    std::fputs("no seeds\n", stderr);
    return 1;
  }
  for (const auto& seed : seeds) LLVMFuzzerTestOneInput(seed.data(), seed.size());

  static const char* const kTokens[] = {"nan",
                                        "-nan",
                                        "inf",
                                        "-inf",
                                        "1e39",
                                        "-1e39",
                                        "3.4e38",
                                        "1e308",
                                        "dens ",
                                        "line",
                                        "999999999",
                                        "-2147483649",
                                        "V(1e38 ",
                                        "\nend\n",
                                        "begin",
                                        "\n%%\n",
                                        "ps\n",
                                        "0",
                                        "\xff\xff\xff\x7f",
                                        "\xff\xff"};
  std::mt19937 random(20261206);
  const int runs = std::atoi(argv[argc - 1]);
  for (int run = 0; run < runs; ++run) {
    std::vector<uint8_t> input = seeds[random() % seeds.size()];
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = input.empty() ? 0 : random() % input.size();
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
          input.insert(input.begin() + std::ptrdiff_t(at), uint8_t(random()));
          break;
        default: {
          const std::string token = kTokens[random() % std::size(kTokens)];
          input.insert(input.begin() + std::ptrdiff_t(at), token.begin(), token.end());
          break;
        }
      }
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%zu seeds and %d damaged copies, no failure\n", seeds.size(), runs);
  return 0;
}
