#include "app/mod_content.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "data/archive_file.h"
#include "data/archive_reader.h"

namespace solvane {

std::string ReadModArchive(const std::string& path, std::vector<uint8_t>& bytes) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status)) return "there is no file " + path;
  if (!std::filesystem::is_regular_file(status)) return path + " is not a file";
  const uint64_t size = std::filesystem::file_size(path, error);
  if (error) return "cannot read " + path + ": " + error.message();
  if (size > kMaxModArchiveSize) {
    return path + " is larger than a content archive may be (" +
           std::to_string(kMaxModArchiveSize >> 20) + " MiB)";
  }
  bytes.assign(size, 0);
  std::ifstream in(path, std::ios::binary);
  if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) {
    return "cannot read " + path + ": " + std::strerror(errno);
  }
  std::vector<ArchiveEntryInfo> entries;
  if (!ListArchive(bytes, entries) || entries.empty()) return path + " is not a content archive";
  return {};
}

std::string ChooseModArchive(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string reason = ReadModArchive(path, bytes);
  if (reason.empty()) UseContentArchive(std::move(bytes));
  return reason;
}

}  // namespace solvane
