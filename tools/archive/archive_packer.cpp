#include "tools/archive/archive_packer.h"

#include <iterator>
#include <optional>

#include "data/crc32.h"
#include "data/rar20_format.h"
#include "tools/archive/rar20_encoder.h"

namespace solvane {

namespace {

// Format notes (RAR 2.0 container):
// - The marker "Rar!" 1A 07 00, a 13-byte main header, one block per entry, and a 7-byte end
//   block. Multi-byte fields are little-endian.
// - Every block starts with HeaderCrc (the low 16 bits of the CRC-32 of the rest of the header),
//   HeaderType, Flags and HeaderSize.
// - A file block is 32 bytes plus the name; its data area (PackedSize bytes) follows the name.
//   Flags 0x8000 announces the data area; bits 5..7 hold the dictionary size, where 7 (0x00E0)
//   marks a directory; 0x0010 makes the entry continue the previous entry's packed stream.

using rar20::kMarker;
constexpr uint8_t kMainHeaderType = 0x73;
constexpr uint8_t kFileHeaderType = rar20::kFileBlock;
constexpr uint8_t kEndHeaderType = 0x7B;
constexpr uint16_t kMainSolid = rar20::kSolidArchive;
constexpr uint16_t kFileHasData = rar20::kHasData;
constexpr uint16_t kFileContinuesStream = rar20::kContinuesStream;
constexpr uint16_t kFileDictionary256K = 0x0040;  // what stored entries declare
constexpr uint16_t kFileDictionary1M = 0x0080;    // the window compressed entries may use
constexpr uint16_t kFileDirectory = 0x00E0;
constexpr uint16_t kEndFlags = 0x4000;
constexpr size_t kMainHeaderSize = rar20::kMainHeaderSize;
constexpr size_t kFileHeaderSize = rar20::kFileHeaderSize;
constexpr size_t kEndHeaderSize = 7;
constexpr size_t kMaxNameSize = 0xFFFF - kFileHeaderSize;  // HeaderSize is 16 bits
constexpr uint8_t kHostWin32 = 2;
constexpr uint8_t kUnpackVersion = 20;
constexpr uint8_t kMethodStored = rar20::kMethodStored;
constexpr uint8_t kMethodNormal = 0x33;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
// MS-DOS date and time of 2026-01-01 00:00:00, the same for every entry so that output depends
// on the input alone.
constexpr uint32_t kFileTime = uint32_t((2026 - 1980) << 9 | 1 << 5 | 1) << 16;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(uint8_t(value));
  out.push_back(uint8_t(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// Fills in the CRC of the header that starts at `start` and runs to the end of `out`.
void SealHeader(std::vector<uint8_t>& out, size_t start) {
  const uint32_t crc = Crc32(std::span(out).subspan(start + 2));
  out[start] = uint8_t(crc);
  out[start + 1] = uint8_t(crc >> 8);
}

std::optional<std::string> CheckInput(std::span<const PackEntry> entries,
                                      const PackOptions& options) {
  if (options.multimediaChannels < 0 || options.multimediaChannels > 4) {
    return "multimedia channels must be 0 to 4, not " + std::to_string(options.multimediaChannels);
  }
  for (const PackEntry& entry : entries) {
    if (entry.name.empty()) return "an entry has no name";
    if (entry.name.size() > kMaxNameSize) {
      return "the name of \"" + entry.name.substr(0, 40) + "...\" is longer than " +
             std::to_string(kMaxNameSize) + " bytes";
    }
    if (entry.data.size() > 0xFFFFFFFFu) return "\"" + entry.name + "\" is 4 GiB or larger";
    if (entry.directory && !entry.data.empty()) {
      return "directory \"" + entry.name + "\" has data";
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<uint8_t> PackArchive(std::span<const PackEntry> entries, const PackOptions& options,
                                 std::string& error) {
  if (std::optional<std::string> problem = CheckInput(entries, options)) {
    error = *problem;
    return {};
  }
  std::vector<uint8_t> out(kMarker.begin(), kMarker.end());
  const size_t mainStart = out.size();
  Put16(out, 0);
  out.push_back(kMainHeaderType);
  Put16(out, options.solid ? kMainSolid : 0);
  Put16(out, kMainHeaderSize);
  Put16(out, 0);
  Put32(out, 0);
  SealHeader(out, mainStart);

  Rar20Encoder encoder(options.multimediaChannels);
  // In a solid archive a packed entry continues the stream (flag 0x0010) only when the entry
  // before it was packed too. Directories and empty files are stored and end the stream, and the
  // next packed entry starts afresh with its own tables: an unpacker that follows the stream
  // from entry to entry cannot be relied on to step over an entry that produces no bytes.
  // Stored archives mark every entry after the first.
  bool previousPacked = false;
  for (size_t i = 0; i < entries.size(); ++i) {
    const PackEntry& entry = entries[i];
    uint16_t flags = kFileHasData | (entry.directory ? kFileDirectory : kFileDictionary256K);
    uint8_t method = kMethodStored;
    std::vector<uint8_t> packed;
    const std::vector<uint8_t>* payload = &entry.data;
    const bool continuing = options.solid && previousPacked;
    previousPacked = false;
    if (options.compress && !entry.directory && !entry.data.empty()) {
      packed = encoder.Encode(entry.data, continuing);
      // Falling back to storing is for separate entries only: stored bytes never reach the
      // unpacker's window, so a solid stream cannot skip an entry.
      if (options.solid || packed.size() < entry.data.size()) {
        if (packed.size() > 0xFFFFFFFFu) {
          error = "\"" + entry.name + "\" does not fit the archive once packed";
          return {};
        }
        flags = kFileHasData | kFileDictionary1M | (continuing ? kFileContinuesStream : 0);
        method = kMethodNormal;
        payload = &packed;
        previousPacked = true;
      }
    } else if (options.solid && !options.compress && i > 0) {
      flags |= kFileContinuesStream;
    }
    const std::vector<uint8_t>& data = *payload;
    const size_t start = out.size();
    Put16(out, 0);
    out.push_back(kFileHeaderType);
    Put16(out, flags);
    Put16(out, uint32_t(kFileHeaderSize + entry.name.size()));
    Put32(out, uint32_t(data.size()));
    Put32(out, uint32_t(entry.data.size()));
    out.push_back(kHostWin32);
    Put32(out, entry.directory ? 0 : Crc32(entry.data));
    Put32(out, kFileTime);
    out.push_back(kUnpackVersion);
    out.push_back(method);
    Put16(out, uint32_t(entry.name.size()));
    Put32(out, entry.directory ? kAttributeDirectory : kAttributeArchive);
    out.insert(out.end(), entry.name.begin(), entry.name.end());
    SealHeader(out, start);
    out.insert(out.end(), data.begin(), data.end());
  }

  const size_t endStart = out.size();
  Put16(out, 0);
  out.push_back(kEndHeaderType);
  Put16(out, kEndFlags);
  Put16(out, kEndHeaderSize);
  SealHeader(out, endStart);
  return out;
}

}  // namespace solvane
