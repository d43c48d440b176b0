// The archive reader on arbitrary bytes: every entry the archive lists is asked for, plus a few
// names; whatever happens must stay inside the buffers and end.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "data/archive_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 22) return 0;
  std::vector<solvane::ArchiveEntryInfo> entries;
  solvane::ListArchive({data, size}, entries);
  std::vector<std::string> names = {"a.bin", "meshes", "textures\\sun.jpg"};
  for (size_t i = 0; i < entries.size() && i < 8; ++i) names.push_back(entries[i].name);
  for (const std::string& name : names) {
    solvane::ArchiveMemory memory{data, uint32_t(size), 0};
    uint8_t* block = nullptr;
    uint32_t produced = 0;
    const int result = solvane::ArchiveGetFile(&block, &produced, name.c_str(), memory, "");
    if (result == 0 && (block != nullptr || produced != 0)) std::abort();
    if (result == 1 && block == nullptr) std::abort();
    solvane::ArchiveFreeBlock(block);
  }
  return 0;
}
