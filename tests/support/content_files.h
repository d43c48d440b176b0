// Content archives of our own, and small files to put in them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tools/archive/archive_packer.h"

namespace solvane::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes TextBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// A content archive holding exactly `files` (name, bytes).
inline Bytes PackContent(const std::vector<std::pair<std::string, Bytes>>& files) {
  std::vector<PackEntry> entries;
  for (const auto& [name, data] : files) entries.push_back({name, data});
  std::string error;
  return PackArchive(entries, {}, error);
}

inline void PutWord(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
inline void PutReal(Bytes& b, float f) {
  uint32_t v;
  std::memcpy(&v, &f, 4);
  PutWord(b, v);
}

// A mesh file of one triangle: vertices (1,0,0) (0,1,0) (0,0,1), texture coordinates 0..2,
// normals equal to the positions. A non-zero `badIndex` replaces the third vertex index.
inline Bytes TriangleMesh(uint32_t badIndex = 0) {
  Bytes b;
  for (uint32_t v : {3u, 1u, 3u}) PutWord(b, v);
  for (float f : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f}) PutReal(b, f);
  for (uint32_t i : {0u, 1u, badIndex ? badIndex : 2u}) PutWord(b, i);
  for (uint32_t i : {0u, 1u, 2u}) PutWord(b, i);
  for (float f : {0.f, 0.f, 1.f, 0.f, 1.f, 1.f}) PutReal(b, f);
  for (float f : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f}) PutReal(b, f);
  return b;
}

}  // namespace solvane::testing
