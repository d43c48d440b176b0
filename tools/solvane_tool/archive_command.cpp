// solvane-tool archive: list, extract and pack content archives.
#include "tools/solvane_tool/archive_command.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/archive_file.h"
#include "data/archive_reader.h"
#include "platform/linked/linked_resources.h"
#include "tools/archive/archive_packer.h"
#include "tools/solvane_tool/tool_options.h"

namespace solvane {
namespace {

constexpr int kFailure = 1;

constexpr std::uintmax_t kMaxInputSize = std::uintmax_t{1} << 31;

int Usage() {
  std::fputs(
      "usage: solvane-tool archive list [FILE]\n"
      "       solvane-tool archive extract NAME [--from FILE] [-o OUT]\n"
      "       solvane-tool archive pack OUT FILE... [--compress] [--multimedia CHANNELS]\n"
      "                                 [--solid] [--as NAME]\n"
      "Without FILE the archive built into the program is read. --as names the FILE before it\n"
      "inside the archive; a directory given as FILE becomes a directory entry.\n",
      stderr);
  return kUsageError;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kMaxInputSize) {
    std::fprintf(stderr, "solvane-tool: cannot read %s%s\n", path.c_str(),
                 error ? "" : ": too large");
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(size);
  std::ifstream in(path, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) {
    std::fprintf(stderr, "solvane-tool: cannot read %s\n", path.c_str());
    return std::nullopt;
  }
  return bytes;
}

// The archive to work on: a file, or the one linked into the program.
std::optional<std::vector<uint8_t>> LoadArchive(const char* path) {
  if (path != nullptr) return ReadWholeFile(path);
  const std::span<const uint8_t> linked = FindLinkedResource("CustomData", kContentArchiveResource);
  if (linked.empty()) {
    std::fputs("solvane-tool: this build carries no content archive\n", stderr);
    return std::nullopt;
  }
  return std::vector<uint8_t>(linked.begin(), linked.end());
}

int List(int argc, char** argv) {
  if (argc > 1) return Usage();
  const auto archive = LoadArchive(argc == 1 ? argv[0] : nullptr);
  if (!archive) return kFailure;
  std::vector<ArchiveEntryInfo> entries;
  const bool whole = ListArchive(*archive, entries);
  for (const ArchiveEntryInfo& entry : entries) {
    std::printf("%-32s 0x%02X %10u %10u %08X\n", entry.name.c_str(), entry.method, entry.packedSize,
                entry.unpackedSize, entry.crc);
  }
  if (!whole) {
    std::fputs("solvane-tool: the archive is damaged; the listing stops there\n", stderr);
    return kFailure;
  }
  return 0;
}

int Extract(int argc, char** argv) {
  const char* name = nullptr;
  const char* from = nullptr;
  const char* out = nullptr;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--from") == 0 && i + 1 < argc) {
      from = argv[++i];
    } else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else if (name == nullptr && argv[i][0] != '-') {
      name = argv[i];
    } else {
      return Usage();
    }
  }
  if (name == nullptr) return Usage();
  const auto archive = LoadArchive(from);
  if (!archive) return kFailure;
  if (archive->size() > UINT32_MAX) return kFailure;

  ArchiveMemory memory{archive->data(), uint32_t(archive->size()), 0};
  uint8_t* block = nullptr;
  uint32_t size = 0;
  if (!ArchiveGetFile(&block, &size, name, memory, "")) {
    std::fprintf(stderr, "solvane-tool: no intact entry named %s\n", name);
    return kFailure;
  }
  bool written = true;
  if (out == nullptr) {
    written = std::fwrite(block, 1, size, stdout) == size && std::fflush(stdout) == 0;
  } else {
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(block), size);
    file.close();
    written = bool(file);
    if (!written) std::filesystem::remove(out);
  }
  ArchiveFreeBlock(block);
  if (!written) {
    std::fprintf(stderr, "solvane-tool: cannot write %s\n", out ? out : "the output");
    return kFailure;
  }
  return 0;
}

// Archive names use "\" between directory levels.
std::string ArchiveName(std::string_view path) {
  std::string name(path);
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

int Pack(int argc, char** argv) {
  if (argc < 1) return Usage();
  const std::string out = argv[0];
  std::vector<PackEntry> entries;
  PackOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--compress") {
      options.compress = true;
    } else if (arg == "--solid") {
      options.solid = true;
    } else if (arg == "--multimedia" && i + 1 < argc) {
      const std::string_view value = argv[++i];
      if (value.size() != 1 || value[0] < '1' || value[0] > '4') {
        std::fputs("solvane-tool: --multimedia wants 1 to 4 channels\n", stderr);
        return kUsageError;
      }
      options.compress = true;
      options.multimediaChannels = value[0] - '0';
    } else if (arg == "--as" && i + 1 < argc) {
      if (entries.empty()) return Usage();
      entries.back().name = ArchiveName(argv[++i]);
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else {
      PackEntry entry;
      entry.name = ArchiveName(arg);
      std::error_code error;
      if (std::filesystem::is_directory(std::string(arg), error)) {
        entry.directory = true;
      } else {
        auto bytes = ReadWholeFile(std::string(arg));
        if (!bytes) return kFailure;
        entry.data = std::move(*bytes);
      }
      entries.push_back(std::move(entry));
    }
  }
  if (entries.empty()) return Usage();

  std::string error;
  const std::vector<uint8_t> archive = PackArchive(entries, options, error);
  if (archive.empty()) {
    std::fprintf(stderr, "solvane-tool: %s\n", error.c_str());
    return kFailure;
  }
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size()));
  file.close();
  if (!file) {
    std::filesystem::remove(out);
    std::fprintf(stderr, "solvane-tool: cannot write %s\n", out.c_str());
    return kFailure;
  }
  return 0;
}

}  // namespace

int ArchiveCommand(int argc, char** argv) {
  if (argc < 1) return Usage();
  const std::string_view verb = argv[0];
  if (verb == "list") return List(argc - 1, argv + 1);
  if (verb == "extract") return Extract(argc - 1, argv + 1);
  if (verb == "pack") return Pack(argc - 1, argv + 1);
  return Usage();
}

}  // namespace solvane
