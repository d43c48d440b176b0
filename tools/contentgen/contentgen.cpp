// contentgen: makes everything the program carries at build time, deterministically (fixed
// seeds, no clock, only integer and IEEE double arithmetic), so two builds carry the same bytes.
//
// usage: contentgen OUTPUT_DIR [TEXT_DIR]
// writes the preview picture (preview.bmp), the icon (solvane.ico and icons/solvane-N.png), the
// dialog picture, the scene's JPEG textures, the loading screen's TGA images, contact_sheet.png,
// the mesh files and music.ogg; with TEXT_DIR (the carried text files) also content.rar, the
// content archive.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/contentgen/artwork.h"
#include "tools/contentgen/content_archive.h"
#include "tools/contentgen/meshes.h"
#include "tools/contentgen/music.h"
#include "tools/contentgen/writers.h"

namespace {

constexpr double kMusicSeconds = 72.0;
constexpr float kMusicQuality = 0.45f;  // about 1.2 MB for the loop

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fputs("usage: contentgen OUTPUT_DIR [TEXT_DIR]\n", stderr);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (!std::filesystem::is_directory(dir, error)) {
    std::fprintf(stderr, "contentgen: cannot create %s\n", dir.string().c_str());
    return 1;
  }
  using namespace solvane::contentgen;
  if (!WriteArtwork(dir)) return 1;
  if (!WriteFile(dir / "env.dat", MeshFile(UnitCube())) ||
      !WriteFile(dir / "sphere.dat", MeshFile(IcoSphere(3))) ||
      !WriteFile(dir / "sph_low.dat", MeshFile(IcoSphere(1)))) {
    return 1;
  }
  std::string problem;
  const std::vector<uint8_t> music =
      EncodeVorbis(SynthesizeMusic(kMusicSeconds), kMusicQuality, problem);
  if (music.empty() || !WriteFile(dir / "music.ogg", music)) {
    if (!problem.empty()) std::fprintf(stderr, "contentgen: %s\n", problem.c_str());
    return 1;
  }
  if (argc == 3) {
    const std::vector<uint8_t> archive = PackContentArchive(argv[2], dir, problem);
    if (archive.empty()) {
      std::fprintf(stderr, "contentgen: %s\n", problem.c_str());
      return 1;
    }
    if (!WriteFile(dir / "content.rar", archive)) return 1;
  }
  return 0;
}
