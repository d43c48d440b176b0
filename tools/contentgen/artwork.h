// Writes every generated picture into a directory: the preview picture, the icon (solvane.ico,
// and icons/solvane-N.png in the icon theme's sizes), the dialog picture, the scene's JPEG
// textures, the loading screen's TGA images, and contact_sheet.png (all pictures on one page, for
// review by eye).
#pragma once

#include <filesystem>

namespace solvane::contentgen {

// False when a file could not be encoded or written; each failure is reported on stderr.
bool WriteArtwork(const std::filesystem::path& dir);

}  // namespace solvane::contentgen
