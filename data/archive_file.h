// One content file in memory: an entry extracted from the content archive, or a view of another
// embedded resource. Every reader of content works on one of these.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace solvane {

// Resource "CustomData" 126: the content archive.
inline constexpr int kContentArchiveResource = 126;

// The archive content is read from: the one the program carries, or a mod's that the run chose
// instead (held in memory until the carried one is chosen again with an empty `archive`).
std::span<const uint8_t> ContentArchive();
void UseContentArchive(std::vector<uint8_t> archive);

class ArchiveFile {
 public:
  // Lines are read into buffers of this size: at most 127 characters and the terminator.
  static constexpr size_t kLineBufferSize = 128;
  // The largest scene script or list file read: the carried ones are a few KB, and a mod that
  // unpacks to more is taken as damage rather than parsed for minutes.
  static constexpr uint32_t kMaxTextSize = 4u << 20;

  ArchiveFile() = default;
  virtual ~ArchiveFile() { Release(); }
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  // Extracts the archive entry `name` (at most 99 characters are kept). 1 on success; 0 with
  // `data` null and `size` 0 when the archive is missing, damaged or lacks the entry (`problem`
  // says which, unless the entry is simply not there).
  int Open(const char* name);
  // Open for the readers of text files (and other files with a size limit, named by `kind`): an
  // entry whose header claims more than `maxSize` unpacked bytes is refused before it is
  // unpacked (0, with the reason in `problem`).
  int OpenText(const char* name, uint32_t maxSize = kMaxTextSize, const char* kind = "a text file");
  // A read-only view of resource "CustomData" `id`, not copied. Always 1; a missing resource
  // gives an empty file.
  int OpenResource(uint16_t id);
  // Frees an extracted block (never a resource view) and empties the file.
  void Release();

  // True once a read has stepped past the last byte.
  bool AtEnd() const { return position > size; }
  // Copies `count` bytes from `position` and advances it; bytes past the end read as 0 and
  // leave the file at its end.
  void Read(void* destination, uint32_t count);
  // The next line, without its line feed, carriage returns and leading spaces, cut to 127
  // characters. True when a line feed ended it; false at the end of the data (the buffer still
  // holds what the last line had).
  bool ReadLine(char* line);

  std::array<char, 100> name{};
  // Why the last Open gave nothing although the entry is listed ("<name>: <reason>", one line);
  // empty after a success or when the entry is missing. The caller that asked for the entry
  // decides whether it matters.
  std::string problem;
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  uint32_t position = 0;
  bool fromResource = false;
};

}  // namespace solvane
