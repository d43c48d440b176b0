#include "data/archive_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "data/crc32.h"
#include "data/rar20_format.h"
#include "data/unpack20.h"

namespace solvane {

namespace {

// Format notes: an archive opens with a 7-byte marker ("Rar!" 1A 07 00, or the alternative
// "Brovel!") and a main header of at least 13 bytes whose Flags bit 0x0008 marks a solid
// archive. Blocks follow back to back; every block starts with the 7-byte common part (CRC,
// type, flags, size), and the reader reads 32 bytes of each with the file-header layout:
//   0 HeaderCrc(2) 2 Type(1) 3 Flags(2) 5 HeaderSize(2) 7 PackedSize(4) 11 UnpackedSize(4)
//   15 Host(1) 16 FileCrc(4) 20 FileTime(4) 24 UnpackVersion(1) 25 Method(1) 26 NameSize(2)
//   28 Attributes(4) 32 Name(NameSize), then the data area.
// A block with Flags 0x8000 carries PackedSize bytes of data after its header. All numbers are
// little-endian.
using rar20::kFileBlock;
using rar20::kHasData;
using rar20::kMainHeaderSize;
using rar20::kMarker;
using rar20::kSolidArchive;
constexpr uint8_t kAlternativeMarker[7] = {'B', 'r', 'o', 'v', 'e', 'l', '!'};
constexpr uint32_t kBlockHeaderSize = rar20::kFileHeaderSize;
constexpr uint8_t kSubBlock = 0x77;
constexpr uint8_t kStored = rar20::kMethodStored;
constexpr size_t kNameLimit = 259;
// The most one packed byte can expand to: a one-bit code repeating a match of 260 bytes.
constexpr uint64_t kMaxExpansion = 8 * 260;

uint16_t Get16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// The only way the reader touches the archive: all of `count` bytes or nothing.
uint32_t BoundedRead(ArchiveMemory& memory, uint8_t* destination, uint32_t count) {
  if (count == 0 || memory.base == nullptr || uint64_t(memory.offset) + count > memory.size) {
    return 0;
  }
  std::memcpy(destination, memory.base + memory.offset, count);
  memory.offset += count;
  return count;
}

struct BlockHeader {
  uint8_t type = 0;
  uint16_t flags = 0;
  uint16_t headerSize = 0;
  uint32_t packedSize = 0;
  uint32_t unpackedSize = 0;
  uint32_t fileCrc = 0;
  uint8_t unpackVersion = 0;
  uint8_t method = 0;
  uint16_t nameSize = 0;
  std::string name;    // at most 259 bytes
  uint32_t start = 0;  // of the block
  uint32_t dataStart = 0;
  uint32_t next = 0;  // the following block
};

// Reads the block at the memory's offset. False at the end of the chain or when it is broken.
bool ReadBlock(ArchiveMemory& memory, BlockHeader& block) {
  block.start = memory.offset;
  uint8_t raw[kBlockHeaderSize];
  if (BoundedRead(memory, raw, kBlockHeaderSize) != kBlockHeaderSize) return false;
  block.type = raw[2];
  block.flags = Get16(raw + 3);
  block.headerSize = Get16(raw + 5);
  block.packedSize = Get32(raw + 7);
  block.unpackedSize = Get32(raw + 11);
  block.fileCrc = Get32(raw + 16);
  block.unpackVersion = raw[24];
  block.method = raw[25];
  block.nameSize = Get16(raw + 26);
  if (block.headerSize < 7) return false;
  const int64_t next = int64_t(block.start) + block.headerSize +
                       ((block.flags & kHasData) ? int64_t(block.packedSize) : 0);
  if (next <= block.start || next > std::numeric_limits<int32_t>::max()) return false;
  block.next = uint32_t(next);
  block.name.clear();
  if (block.type == kFileBlock) {
    const uint32_t stored = uint32_t(std::min<size_t>(block.nameSize, kNameLimit));
    block.name.resize(stored);
    if (stored != 0 &&
        BoundedRead(memory, reinterpret_cast<uint8_t*>(block.name.data()), stored) != stored) {
      return false;
    }
    // The data follows the whole name, however much of it was kept.
    block.dataStart = block.start + kBlockHeaderSize + block.nameSize;
  }
  return true;
}

// Names compare with letters upper-cased and "\", "/" and "_" taken as one character.
std::string FoldName(std::string_view name) {
  std::string folded(name.substr(0, std::min(name.size(), kNameLimit)));
  for (char& c : folded) {
    if (c == '\\' || c == '/') c = '_';
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return folded;
}

bool ReadMarkerAndMainHeader(ArchiveMemory& memory, uint16_t& mainFlags) {
  memory.offset = 0;
  uint8_t marker[7];
  if (BoundedRead(memory, marker, 7) != 7) return false;
  if (std::memcmp(marker, kMarker.data(), 7) != 0 &&
      std::memcmp(marker, kAlternativeMarker, 7) != 0) {
    return false;
  }
  uint8_t header[kMainHeaderSize];
  if (BoundedRead(memory, header, kMainHeaderSize) != kMainHeaderSize) return false;
  mainFlags = Get16(header + 3);
  const uint16_t headerSize = Get16(header + 5);
  if (headerSize < kMainHeaderSize) return false;
  memory.offset = 7 + headerSize;
  return true;
}

// The packed bytes of the entry being decoded.
class EntrySource final : public PackedSource {
 public:
  EntrySource(ArchiveMemory& memory, uint32_t packedSize)
      : memory_(memory), remaining_(packedSize) {}
  uint32_t ReadPacked(uint8_t* destination, uint32_t count) override {
    const uint32_t read = BoundedRead(memory_, destination, std::min(count, remaining_));
    remaining_ -= read;
    return read;
  }

 private:
  ArchiveMemory& memory_;
  uint32_t remaining_;
};

struct Search {
  ArchiveMemory& memory;
  std::string wanted;
  uint8_t* output = nullptr;
  uint32_t outputSize = 0;
  std::unique_ptr<Unpacker> unpacker;
};

// Decodes the entry at the offset into `block` (null: only for the window's sake).
ArchiveError ProcessEntry(Search& search, const BlockHeader& entry, uint8_t* block) {
  if (entry.unpackVersion < 13 || entry.unpackVersion > 20) return ArchiveError::Unsupported;
  search.memory.offset = entry.dataStart;
  EntrySource source(search.memory, entry.packedSize);
  if (entry.method == kStored) {
    // Stored bytes of an earlier entry in a solid archive are simply skipped.
    if (block == nullptr) return ArchiveError::None;
    const uint32_t count = std::min(entry.unpackedSize, entry.packedSize);
    search.outputSize = source.ReadPacked(block, count);
    return ArchiveError::None;
  }
  if (search.unpacker == nullptr) {
    search.unpacker = std::unique_ptr<Unpacker>(new (std::nothrow) Unpacker());
    if (search.unpacker == nullptr || !search.unpacker->Ready()) return ArchiveError::NoMemory;
  }
  UnpackOutput output{block, entry.unpackedSize, 0};
  const bool decoded =
      search.unpacker->UnpackEntry(source, entry.flags, entry.unpackedSize, output);
  search.outputSize = output.size;
  return decoded ? ArchiveError::None : ArchiveError::BrokenStream;
}

ArchiveError RunSearch(Search& search) {
  uint16_t mainFlags = 0;
  if (!ReadMarkerAndMainHeader(search.memory, mainFlags)) return ArchiveError::Missing;
  const bool solid = (mainFlags & kSolidArchive) != 0;

  BlockHeader entry;
  while (ReadBlock(search.memory, entry)) {
    if (entry.type == kSubBlock) return ArchiveError::Unsupported;
    if (entry.type != kFileBlock) {
      search.memory.offset = entry.next;
      continue;
    }
    const bool matched = FoldName(entry.name) == search.wanted;
    if (matched) {
      // Sizes a valid entry cannot have are damage, not a reason to allocate.
      if (entry.unpackedSize > kMaxEntrySize ||
          (entry.method == kStored ? entry.unpackedSize > entry.packedSize
                                   : entry.unpackedSize > entry.packedSize * kMaxExpansion + 16)) {
        return ArchiveError::ImpossibleSize;
      }
      // One spare byte, so that an empty entry still gets a block of its own.
      search.output = static_cast<uint8_t*>(std::malloc(size_t(entry.unpackedSize) + 1));
      if (search.output == nullptr) return ArchiveError::NoMemory;
      search.outputSize = 0;
    }
    if (matched || solid) {
      // In a solid archive an earlier entry that does not decode takes every later one with it.
      const ArchiveError error = ProcessEntry(search, entry, matched ? search.output : nullptr);
      if (error != ArchiveError::None) return error;
      if (matched) {
        if (search.outputSize != entry.unpackedSize) return ArchiveError::BrokenStream;
        return Crc32({search.output, search.outputSize}) == entry.fileCrc ? ArchiveError::None
                                                                          : ArchiveError::BadCrc;
      }
    }
    search.memory.offset = entry.next;
  }
  // The last block may be shorter than a file header; a whole header's worth of bytes that is
  // not a block, or a block that reaches past the end, is a break in the chain.
  const uint32_t size = search.memory.size;
  const bool broken = entry.start > size || size - entry.start >= kBlockHeaderSize;
  return broken ? ArchiveError::Damaged : ArchiveError::Missing;
}

}  // namespace

const char* ArchiveErrorText(ArchiveError error) {
  switch (error) {
    case ArchiveError::None:
      return "extracted";
    case ArchiveError::Missing:
      return "not in the archive";
    case ArchiveError::Damaged:
      return "the archive is damaged before the entry";
    case ArchiveError::Unsupported:
      return "the entry is packed in a form this program does not unpack";
    case ArchiveError::ImpossibleSize:
      return "the entry's header claims a size it cannot have";
    case ArchiveError::BrokenStream:
      return "the entry's packed data is broken";
    case ArchiveError::BadCrc:
      return "the entry fails its CRC check";
    case ArchiveError::NoMemory:
      return "no memory to extract the entry";
  }
  return "unknown archive error";
}

int ArchiveGetFile(uint8_t** output, uint32_t* size, const char* name, ArchiveMemory& memory,
                   const char* password, ArchiveError* error) {
  (void)password;  // entries are never deciphered
  *output = nullptr;
  *size = 0;
  Search search{memory, FoldName(name != nullptr ? name : ""), nullptr, 0, nullptr};
  const ArchiveError result = name != nullptr ? RunSearch(search) : ArchiveError::Missing;
  if (error != nullptr) *error = result;
  if (result != ArchiveError::None) {
    std::free(search.output);
    return 0;
  }
  *output = search.output;
  *size = search.outputSize;
  return 1;
}

void ArchiveFreeBlock(uint8_t* block) {
  std::free(block);
}

bool ListArchive(std::span<const uint8_t> archive, std::vector<ArchiveEntryInfo>& entries) {
  entries.clear();
  if (archive.size() > std::numeric_limits<uint32_t>::max()) return false;
  ArchiveMemory memory{archive.data(), uint32_t(archive.size()), 0};
  uint16_t mainFlags = 0;
  if (!ReadMarkerAndMainHeader(memory, mainFlags)) return false;
  BlockHeader block;
  while (memory.offset + kBlockHeaderSize <= memory.size) {
    if (!ReadBlock(memory, block)) return false;
    if (block.type == kFileBlock) {
      entries.push_back({block.name, block.flags, block.method, block.unpackVersion,
                         block.packedSize, block.unpackedSize, block.fileCrc});
    }
    memory.offset = block.next;
  }
  return memory.offset <= memory.size;
}

}  // namespace solvane
