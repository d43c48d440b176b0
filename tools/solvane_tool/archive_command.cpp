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
#include "platform/posix/settings_file.h"
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
      "inside the archive; a directory given as FILE becomes a directory entry. Names are stored\n"
      "relative, as given: leading separators and a drive letter are dropped, and a name with a\n"
      "\"..\" part is refused (give it another with --as). OUT is replaced only once the whole\n"
      "file is written; an OUT that is not a regular file is refused.\n",
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

// The whole output or nothing: OUT is replaced only once the new file is complete, and what is
// not a regular file is left alone.
bool WriteOutputFile(const char* out, std::span<const uint8_t> bytes) {
  std::string problem;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (ReplaceFileContents(out, text, 0666, problem)) return true;
  std::fprintf(stderr, "solvane-tool: cannot write '%s': %s\n", out, problem.c_str());
  return false;
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
  ArchiveError error = ArchiveError::None;
  if (!ArchiveGetFile(&block, &size, name, memory, "", &error)) {
    std::fprintf(stderr, "solvane-tool: %s: %s\n", name, ArchiveErrorText(error));
    return kFailure;
  }
  bool written = true;
  if (out == nullptr) {
    written = std::fwrite(block, 1, size, stdout) == size && std::fflush(stdout) == 0;
    if (!written) std::fputs("solvane-tool: cannot write the output\n", stderr);
  } else {
    written = WriteOutputFile(out, std::span<const uint8_t>(block, size));
  }
  ArchiveFreeBlock(block);
  return written ? 0 : kFailure;
}

// Archive names use "\" between directory levels and are relative, as archivers store them: a
// drive letter, leading separators, empty and "." levels are dropped. A ".." level is refused
// (nullopt): extracted as stored, it would climb out of the directory it is extracted into.
std::optional<std::string> ArchiveName(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    path.remove_prefix(2);
  }
  std::string name;
  while (!path.empty()) {
    const size_t end = path.find_first_of("/\\");
    const std::string_view level = path.substr(0, end);
    if (level == "..") return std::nullopt;
    if (!level.empty() && level != ".") {
      if (!name.empty()) name += '\\';
      name += level;
    }
    if (end == std::string_view::npos) break;
    path.remove_prefix(end + 1);
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
      entries.back().name = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else {
      PackEntry entry;
      entry.name = arg;
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
  for (PackEntry& entry : entries) {
    const std::optional<std::string> name = ArchiveName(entry.name);
    if (!name || name->empty()) {
      std::fprintf(stderr, "solvane-tool: %s: %s; name it with --as\n", entry.name.c_str(),
                   name ? "no name is left to store" : "a name with \"..\" is not stored");
      return kFailure;
    }
    entry.name = *name;
  }

  std::string error;
  const std::vector<uint8_t> archive = PackArchive(entries, options, error);
  if (archive.empty()) {
    std::fprintf(stderr, "solvane-tool: %s\n", error.c_str());
    return kFailure;
  }
  return WriteOutputFile(out.c_str(), archive) ? 0 : kFailure;
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
