// Archives of every kind the packer writes, as seeds for fuzzing the reader.
#pragma once

#include <vector>

#include "tests/support/test_data.h"
#include "tools/archive/archive_packer.h"

namespace solvane::testing {

inline std::vector<std::vector<uint8_t>> ArchiveSeeds() {
  const std::vector<PackEntry> files = {{"meshes", {}, true},
                                        {"a.bin", TextLike(3000, 1)},
                                        {"textures\\sun.jpg", RandomBytes(500, 2)}};
  const std::vector<PackEntry> audio = {{"a.bin", AudioLike(4000, 3, 4)}};
  const PackOptions options[] = {{},
                                 {.compress = true},
                                 {.compress = true, .solid = true},
                                 {.compress = true, .multimediaChannels = 3},
                                 {.compress = true, .multimediaChannels = 1, .solid = true}};
  std::vector<std::vector<uint8_t>> seeds;
  for (const PackOptions& option : options) {
    std::string error;
    seeds.push_back(PackArchive(option.multimediaChannels ? audio : files, option, error));
  }
  return seeds;
}

}  // namespace solvane::testing
