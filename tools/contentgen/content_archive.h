// The content archive the program carries: every scene file, mesh, texture and the music, in
// the order the program's archive has always had them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace solvane::contentgen {

// Packs the carried text files from `textDir` and the generated files from `generatedDir`
// (meshes, music, textures, under their plain file names) as stored entries. Empty with `error`
// set when a file is missing or cannot be read.
std::vector<uint8_t> PackContentArchive(const std::filesystem::path& textDir,
                                        const std::filesystem::path& generatedDir,
                                        std::string& error);

}  // namespace solvane::contentgen
