// A mod: a content archive of the user's choosing, played instead of the carried scene. A mod
// comes from strangers and may be missing, damaged or unplayable; the saver then says why in one
// line and plays the carried scene, so that an idle desktop never stays black.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace solvane {

// The largest mod archive a run reads into memory.
inline constexpr uint64_t kMaxModArchiveSize = 256u << 20;

// Reads the mod archive at `path` into `bytes` after the checks every reader of a mod makes:
// a regular file (never a directory, a device or a pipe), no larger than the limit, and an
// archive whose chain of blocks holds together. The reason, one line, when it cannot be read.
std::string ReadModArchive(const std::string& path, std::vector<uint8_t>& bytes);

// Makes the archive at `path` the one content is read from. The reason, one line, when it
// cannot be: then the carried archive stays in use.
std::string ChooseModArchive(const std::string& path);

}  // namespace solvane
