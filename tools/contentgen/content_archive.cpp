#include "tools/contentgen/content_archive.h"

#include <fstream>
#include <iterator>

#include "tools/archive/archive_packer.h"

namespace solvane::contentgen {

namespace {

struct CarriedFile {
  const char* name;    // inside the archive
  bool generated;      // made by the build rather than written by hand
  const char* source;  // file name in its directory
};

constexpr CarriedFile kCarried[] = {
    {"env.txt", false, "env.txt"},
    {"firstpass.txt", false, "firstpass.txt"},
    {"firstpass2.txt", false, "firstpass2.txt"},
    {"out.txt", false, "out.txt"},
    {"postpass.txt", false, "postpass.txt"},
    {"SETTINGS.txt", false, "SETTINGS.txt"},
    {"texture.txt", false, "texture.txt"},
    {"world.txt", false, "world.txt"},
    {"worlds.txt", false, "worlds.txt"},
    {"meshes\\env.dat", true, "env.dat"},
    {"meshes\\sphere.dat", true, "sphere.dat"},
    {"meshes\\sph_low.dat", true, "sph_low.dat"},
    {"music.ogg", true, "music.ogg"},
    {"textures\\500.jpg", true, "500.jpg"},
    {"textures\\bs.jpg", true, "bs.jpg"},
    {"textures\\c.jpg", true, "c.jpg"},
    {"textures\\refl.jpg", true, "refl.jpg"},
    {"textures\\roreol.jpg", true, "roreol.jpg"},
    {"textures\\sign.jpg", true, "sign.jpg"},
    {"textures\\soreol.jpg", true, "soreol.jpg"},
    {"textures\\stars.jpg", true, "stars.jpg"},
    {"textures\\stars2.jpg", true, "stars2.jpg"},
    {"textures\\sun.jpg", true, "sun.jpg"},
};

}  // namespace

std::vector<uint8_t> PackContentArchive(const std::filesystem::path& textDir,
                                        const std::filesystem::path& generatedDir,
                                        std::string& error) {
  std::vector<PackEntry> entries = {{"meshes", {}, true}, {"textures", {}, true}};
  for (const CarriedFile& file : kCarried) {
    const std::filesystem::path path = (file.generated ? generatedDir : textDir) / file.source;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      error = "cannot read " + path.string();
      return {};
    }
    entries.push_back({file.name, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})});
  }
  return PackArchive(entries, {}, error);
}

}  // namespace solvane::contentgen
