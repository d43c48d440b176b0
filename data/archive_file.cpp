#include "data/archive_file.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "data/archive_reader.h"
#include "platform/platform.h"

namespace solvane {

namespace {
std::vector<uint8_t> chosenArchive;
}  // namespace

std::span<const uint8_t> ContentArchive() {
  if (!chosenArchive.empty()) return chosenArchive;
  return Host().Resource("CustomData", kContentArchiveResource);
}

void UseContentArchive(std::vector<uint8_t> archive) {
  chosenArchive = std::move(archive);
}

int ArchiveFile::Open(const char* entryName) {
  const std::span<const uint8_t> archive = ContentArchive();
  ArchiveMemory memory;
  if (!archive.empty() && archive.size() <= UINT32_MAX) {
    memory = {archive.data(), uint32_t(archive.size()), 0};
  }
  fromResource = false;
  name.fill('\0');
  if (entryName != nullptr) {
    std::strncpy(name.data(), entryName, name.size() - 1);
  }
  uint8_t* block = nullptr;
  ArchiveError error = ArchiveError::None;
  const int result = ArchiveGetFile(&block, &size, name.data(), memory, "", &error);
  data = block;
  position = 0;
  problem.clear();
  if (error != ArchiveError::None && error != ArchiveError::Missing) {
    problem = std::string(name.data()) + ": " + ArchiveErrorText(error);
  }
  return result;
}

namespace {

// The reader's name match: letters in either case, "\\", "/" and "_" alike.
bool SameEntryName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto fold = [](char c) {
      if (c == '\\' || c == '/') return '_';
      return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace

int ArchiveFile::OpenText(const char* entryName, uint32_t maxSize, const char* kind) {
  // The header's unpacked size decides before anything is unpacked; a chain that breaks after
  // the entry still lists it.
  std::vector<ArchiveEntryInfo> entries;
  ListArchive(ContentArchive(), entries);
  const std::string wanted(entryName != nullptr ? entryName : "");
  for (const ArchiveEntryInfo& entry : entries) {
    if (!SameEntryName(entry.name, wanted.substr(0, name.size() - 1))) continue;
    if (entry.unpackedSize > maxSize) {
      Release();
      fromResource = false;
      problem = wanted + " unpacks to " + std::to_string(entry.unpackedSize) + " bytes; " + kind +
                " may hold at most " + std::to_string(maxSize);
      return 0;
    }
    break;
  }
  const int result = Open(entryName);
  if (size > maxSize) {
    // Only a header that lies about the size reaches here.
    Release();
    problem = wanted + " is larger than " + kind + " may be";
    return 0;
  }
  return result;
}

int ArchiveFile::OpenResource(uint16_t id) {
  fromResource = true;
  const std::span<const uint8_t> resource = Host().Resource("CustomData", id);
  data = resource.empty() ? nullptr : resource.data();
  size = uint32_t(std::min<size_t>(resource.size(), UINT32_MAX));
  return 1;
}

void ArchiveFile::Release() {
  if (data != nullptr && !fromResource) {
    ArchiveFreeBlock(const_cast<uint8_t*>(data));
    data = nullptr;
  }
  position = 0;
  size = 0;
}

void ArchiveFile::Read(void* destination, uint32_t count) {
  if (count == 0) return;
  const uint32_t available = position < size ? size - position : 0;
  const uint32_t copied = std::min(count, available);
  if (copied != 0) std::memcpy(destination, data + position, copied);
  std::memset(static_cast<uint8_t*>(destination) + copied, 0, count - copied);
  position = count > available ? size + 1 : position + count;
}

bool ArchiveFile::ReadLine(char* line) {
  size_t length = 0;
  while (position < size && data[position] == ' ') ++position;
  bool ended = false;
  while (position < size) {
    const char c = char(data[position++]);
    if (c == '\n') {
      ended = true;
      break;
    }
    if (c != '\r' && length < kLineBufferSize - 1) line[length++] = c;
  }
  line[length] = '\0';
  return ended;
}

}  // namespace solvane
