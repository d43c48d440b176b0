// A whole mod: the input is split at lines "%%" into the carried scene's text files (texture
// list, environment list, world list and scripts, in kSceneTexts' order); packed with the
// carried images, meshes and music into a content archive by the project's packer, it goes
// through the full-screen start-up, two frames and the shutdown on the headless front end, as
// solvane-tool render and scene dump run it.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "data/archive_reader.h"
#include "tests/fuzz/fuzz_content.h"

namespace {

using namespace solvane;

constexpr const char* kSceneTexts[] = {"texture.txt",    "env.txt",      "worlds.txt",
                                       "world.txt",      "firstpass.txt", "firstpass2.txt",
                                       "postpass.txt",   "out.txt"};

bool IsSceneText(const std::string& name) {
  for (const char* text : kSceneTexts) {
    if (name == text) return true;
  }
  return false;
}

// Every entry of the carried archive but the scene's text files, read once.
const fuzz::Files& CarriedBinaries() {
  static const fuzz::Files files = [] {
    HeadlessPlatform platform;
    const std::span<const uint8_t> archive = platform.Resource("CustomData", kContentArchiveResource);
    std::vector<ArchiveEntryInfo> entries;
    ListArchive(archive, entries);
    fuzz::Files kept;
    for (const ArchiveEntryInfo& entry : entries) {
      if (IsSceneText(entry.name) || (entry.flags & 0xE0) == 0xE0) continue;
      ArchiveMemory memory{archive.data(), uint32_t(archive.size()), 0};
      uint8_t* block = nullptr;
      uint32_t size = 0;
      if (ArchiveGetFile(&block, &size, entry.name.c_str(), memory, "") == 1) {
        kept.emplace_back(entry.name, fuzz::Bytes(block, block + size));
      }
      ArchiveFreeBlock(block);
    }
    return kept;
  }();
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  fuzz::Files files = CarriedBinaries();
  const std::vector<fuzz::Bytes> texts =
      fuzz::SplitInput(data, size, "%%", std::size(kSceneTexts));
  for (size_t i = 0; i < texts.size(); ++i) files.emplace_back(kSceneTexts[i], texts[i]);

  ResetProcessState();
  HeadlessOptions options;
  options.desktop = {64, 48, 32};
  options.displayModes = {{64, 48, 32}};
  options.maxFrames = 2;
  options.resources[kContentArchiveResource] = testing::PackContent(files);
  HeadlessPlatform platform(std::move(options));
  platform.Store().Set("EnableMusic", 0);
  SetHost(&platform);
  RunApplication(1);
  ResetProcessState();
  SetHost(nullptr);
  return 0;
}
