// Feeds the archive harness damaged copies of the packer's archives: flipped bits, changed
// bytes, cuts and splices, in a fixed pseudo-random order.
//   fuzz_smoke_archive [DIR]   with DIR: writes the seed archives there and exits
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "tests/fuzz/archive_seeds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  const auto seeds = solvane::testing::ArchiveSeeds();
  if (argc == 2) {
    for (size_t i = 0; i < seeds.size(); ++i) {
      std::ofstream(std::string(argv[1]) + "/seed" + std::to_string(i) + ".rar", std::ios::binary)
          .write(reinterpret_cast<const char*>(seeds[i].data()), std::streamsize(seeds[i].size()));
    }
    return 0;
  }
  std::mt19937 random(20261206);
  constexpr int kRuns = 3000;
  for (int run = 0; run < kRuns; ++run) {
    std::vector<uint8_t> input = seeds[random() % seeds.size()];
    if (input.size() > 200'000) input.resize(200'000 + random() % 1000);
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits && !input.empty(); ++e) {
      const size_t at = random() % input.size();
      switch (random() % 4) {
        case 0:
          input[at] ^= uint8_t(1u << (random() % 8));
          break;
        case 1:
          input[at] = uint8_t(random());
          break;
        case 2:
          input.resize(at);
          break;
        default:
          input.insert(input.begin() + std::ptrdiff_t(at), uint8_t(random()));
          break;
      }
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  for (const auto& seed : seeds) LLVMFuzzerTestOneInput(seed.data(), seed.size());
  std::printf("%d damaged archives, no failure\n", kRuns);
  return 0;
}
