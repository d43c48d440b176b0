#include "scene/script_reader.h"

#include <cstdio>
#include <cstring>

namespace solvane {

bool MatchesKeyword(const char* line, const char* keyword) {
  return std::strncmp(line, keyword, std::strlen(keyword)) == 0;
}

bool NextLine(ArchiveFile& file, char* line) {
  if (file.position >= file.size) {
    line[0] = '\0';
    return false;
  }
  file.ReadLine(line);
  return true;
}

std::string WordAfter(const char* line, const char* keyword, size_t limit) {
  char word[ArchiveFile::kLineBufferSize] = {};
  const std::string format = std::string(keyword) + " %127s";
  if (std::sscanf(line, format.c_str(), word) != 1) return {};
  return std::string(word).substr(0, limit);
}

}  // namespace solvane
