// Reading one entry, by name, out of a RAR 2.0 archive held in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace solvane {

// The archive bytes and the reader's position in them.
struct ArchiveMemory {
  const uint8_t* base = nullptr;
  uint32_t size = 0;
  uint32_t offset = 0;
};

// Why an entry could not be extracted.
enum class ArchiveError {
  None,
  Missing,         // no archive, or no entry of that name in it
  Damaged,         // the chain of blocks breaks before the entry
  Unsupported,     // packed by a version or in a form this reader does not unpack
  ImpossibleSize,  // the header claims a size the entry cannot have
  BrokenStream,    // the packed data does not decode to the size the header gives
  BadCrc,          // decoded, but not to the bytes that were packed
  NoMemory,
};
// What went wrong, as the end of a sentence about the entry ("... fails its CRC check").
const char* ArchiveErrorText(ArchiveError error);

// Extracts the entry named `name` (letters in either case, "\", "/" and "_" alike) into a new
// block of exactly `*size` bytes, which the caller frees with `ArchiveFreeBlock`. Returns 1 when
// the entry was found, decoded completely and matched its CRC; otherwise 0 with `*output` null
// and `*size` 0, and the reason in `*error` when one is given. Encrypted entries are not
// deciphered: with any password they fail their CRC.
int ArchiveGetFile(uint8_t** output, uint32_t* size, const char* name, ArchiveMemory& memory,
                   const char* password, ArchiveError* error = nullptr);
void ArchiveFreeBlock(uint8_t* block);

// The largest entry the reader produces; larger claims are taken as damage.
inline constexpr uint32_t kMaxEntrySize = 0x40000000;

// One entry as its header describes it, for listings.
struct ArchiveEntryInfo {
  std::string name;
  uint16_t flags = 0;
  uint8_t method = 0;
  uint8_t unpackVersion = 0;
  uint32_t packedSize = 0;
  uint32_t unpackedSize = 0;
  uint32_t crc = 0;
};

// The entries in archive order, as far as the block chain can be followed; false when the
// archive is not one or the chain breaks before its end.
bool ListArchive(std::span<const uint8_t> archive, std::vector<ArchiveEntryInfo>& entries);

}  // namespace solvane
