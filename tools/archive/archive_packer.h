// Writes RAR 2.0 archives: the content archive the build embeds (stored entries), and compressed,
// multimedia and solid archives for tests and tools.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace solvane {

struct PackEntry {
  std::string name;           // stored as given, "\" between directory levels
  std::vector<uint8_t> data;  // empty for directories
  bool directory = false;
};

struct PackOptions {
  bool compress = false;       // false: every entry stored (method 0x30)
  int multimediaChannels = 0;  // 1..4: file data coded as multimedia with that many channels; 0: LZ
  bool solid = false;          // one compressed stream runs through all entries
};

// The whole archive, entries in the order given. For input no archive can hold (a name that does
// not fit a header, an entry of 4 GiB or more, channels outside 0..4, a directory with data) the
// result is empty and `error` says why. The same input always gives the same bytes.
std::vector<uint8_t> PackArchive(std::span<const PackEntry> entries, const PackOptions& options,
                                 std::string& error);

}  // namespace solvane
