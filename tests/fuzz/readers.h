// The readers a fuzzer feeds, by name: each takes any bytes, and whatever they hold must stay
// inside the buffers, end, and leave the reader's promises kept (a broken one aborts).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace solvane::fuzz {

using Bytes = std::vector<uint8_t>;

struct Reader {
  std::string_view name;
  void (*read)(std::span<const uint8_t> input);
  int smokeRuns;  // damaged copies of the seeds in the fixed run
  // Seeds besides those kept in tests/fuzz/corpus/<name>/: files of the carried scene, in
  // scene/content/, and seeds made here (the packer's archives).
  std::vector<std::string_view> carriedSeeds = {};
  std::vector<Bytes> (*madeSeeds)() = nullptr;
};

// The reader of that name, or null.
const Reader* FindReader(std::string_view name);

}  // namespace solvane::fuzz
