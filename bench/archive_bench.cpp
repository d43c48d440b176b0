// Unpacking speed: a 16 MB text-like entry and a 16 MB multimedia entry, against zlib's inflate
// of the same text deflated at level 6, and the cost of opening many small entries.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "data/archive_reader.h"
#include "tests/support/test_data.h"
#include "tools/archive/archive_packer.h"

namespace solvane {
namespace {

constexpr size_t kSize = 16 << 20;

const std::vector<uint8_t>& Text() {
  static const std::vector<uint8_t> text = testing::TextLike(kSize, 1);
  return text;
}

void Unpack(benchmark::State& state, const std::vector<uint8_t>& archive) {
  for (auto _ : state) {
    ArchiveMemory memory{archive.data(), uint32_t(archive.size()), 0};
    uint8_t* block = nullptr;
    uint32_t size = 0;
    if (!ArchiveGetFile(&block, &size, "a.bin", memory, "")) state.SkipWithError("unpack failed");
    benchmark::DoNotOptimize(block);
    ArchiveFreeBlock(block);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
  state.counters["ratio"] = double(archive.size()) / double(kSize);
}

void BM_UnpackText(benchmark::State& state) {
  std::string error;
  static const std::vector<uint8_t> archive =
      PackArchive(std::vector<PackEntry>{{"a.bin", Text()}}, {.compress = true}, error);
  Unpack(state, archive);
}
BENCHMARK(BM_UnpackText)->Unit(benchmark::kMillisecond);

void BM_UnpackMultimedia(benchmark::State& state) {
  std::string error;
  static const std::vector<uint8_t> archive =
      PackArchive(std::vector<PackEntry>{{"a.bin", testing::AudioLike(kSize, 2, 2)}},
                  {.compress = true, .multimediaChannels = 2}, error);
  Unpack(state, archive);
}
BENCHMARK(BM_UnpackMultimedia)->Unit(benchmark::kMillisecond);

// Many small compressed entries, each opened on its own as the content readers do: what an entry
// costs beyond its bytes (the unpacker's window and tables).
void BM_OpenSmallEntries(benchmark::State& state) {
  constexpr int kEntries = 64;
  std::string error;
  static const std::vector<uint8_t> archive = [&] {
    std::vector<PackEntry> entries;
    for (int i = 0; i < kEntries; ++i) {
      entries.push_back({"f" + std::to_string(i) + ".txt", testing::TextLike(4096, uint32_t(i))});
    }
    return PackArchive(entries, {.compress = true}, error);
  }();
  for (auto _ : state) {
    for (int i = 0; i < kEntries; ++i) {
      ArchiveMemory memory{archive.data(), uint32_t(archive.size()), 0};
      uint8_t* block = nullptr;
      uint32_t size = 0;
      const std::string name = "f" + std::to_string(i) + ".txt";
      if (!ArchiveGetFile(&block, &size, name.c_str(), memory, "")) {
        state.SkipWithError("unpack failed");
      }
      benchmark::DoNotOptimize(block);
      ArchiveFreeBlock(block);
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kEntries);
}
BENCHMARK(BM_OpenSmallEntries)->Unit(benchmark::kMicrosecond);

void BM_InflateText(benchmark::State& state) {
  static const std::vector<uint8_t> deflated = [] {
    uLongf size = compressBound(kSize);
    std::vector<uint8_t> out(size);
    compress2(out.data(), &size, Text().data(), kSize, 6);
    out.resize(size);
    return out;
  }();
  std::vector<uint8_t> inflated(kSize);
  for (auto _ : state) {
    uLongf size = kSize;
    if (uncompress(inflated.data(), &size, deflated.data(), deflated.size()) != Z_OK) {
      state.SkipWithError("inflate failed");
    }
    benchmark::DoNotOptimize(inflated.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
  state.counters["ratio"] = double(deflated.size()) / double(kSize);
}
BENCHMARK(BM_InflateText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace solvane

BENCHMARK_MAIN();
