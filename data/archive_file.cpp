#include "data/archive_file.h"

#include <algorithm>
#include <cstring>

#include "data/archive_reader.h"
#include "platform/platform.h"

namespace solvane {

int ArchiveFile::Open(const char* entryName) {
  const std::span<const uint8_t> archive = Host().Resource("CustomData", kContentArchiveResource);
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
  const int result = ArchiveGetFile(&block, &size, name.data(), memory, "");
  data = block;
  position = 0;
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
