#include "tools/contentgen/artwork.h"

#include <string>
#include <vector>

#include "tools/contentgen/art.h"
#include "tools/contentgen/writers.h"

namespace solvane::contentgen {

namespace {

enum class Format { kBmp, kJpeg, kTga };

struct Output {
  std::string name;
  Format format;
  Image image;
};

constexpr int kJpegQuality = 90;

// The sizes a desktop's icon theme looks for (hicolor); the installer puts
// icons/solvane-N.png into share/icons/hicolor/NxN/apps/solvane.png.
constexpr int kThemeIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace

bool WriteArtwork(const std::filesystem::path& dir) {
  Image sun = SunSurface();
  std::vector<Output> outputs;
  outputs.push_back({"preview.bmp", Format::kBmp, Preview(sun)});
  outputs.push_back({"dialog.bmp", Format::kBmp, DialogPicture(sun)});
  outputs.push_back({"sun.jpg", Format::kJpeg, std::move(sun)});
  outputs.push_back({"refl.jpg", Format::kJpeg, Flash()});
  outputs.push_back({"roreol.jpg", Format::kJpeg, Corona(false)});
  outputs.push_back({"soreol.jpg", Format::kJpeg, Corona(true)});
  outputs.push_back({"500.jpg", Format::kJpeg, SkySphere()});
  outputs.push_back({"stars.jpg", Format::kJpeg, StarField(false)});
  outputs.push_back({"stars2.jpg", Format::kJpeg, StarField(true)});
  outputs.push_back({"bs.jpg", Format::kJpeg, Sprite()});
  outputs.push_back({"c.jpg", Format::kJpeg, GlyphAtlas()});
  outputs.push_back({"sign.jpg", Format::kJpeg, Sign()});
  outputs.push_back({"load.jpg", Format::kJpeg, LoadScene()});
  outputs.push_back({"4loader_rd.tga", Format::kTga, ProductName()});
  // The loading screen's other three corners carry nothing.
  for (const char* corner : {"4loader_ld.tga", "4loader_lu.tga", "4loader_ru.tga"}) {
    outputs.push_back({corner, Format::kTga, Transparent(1, 1)});
  }
  outputs.push_back({"res123.tga", Format::kTga, Transparent(2, 2)});
  outputs.push_back({"res124.tga", Format::kTga, Transparent(1, 1)});
  const std::vector<Image> icons = {Icon(48), Icon(32), Icon(16)};

  bool ok = WriteFile(dir / "solvane.ico", EncodeIco(icons));
  std::error_code error;
  std::filesystem::create_directories(dir / "icons", error);
  for (const int size : kThemeIconSizes) {
    const std::string name = "solvane-" + std::to_string(size) + ".png";
    ok = WriteFile(dir / "icons" / name, EncodePngRgba(Icon(size))) && ok;
  }
  std::vector<const Image*> sheet = {&icons[0]};
  for (const Output& output : outputs) {
    Bytes bytes;
    switch (output.format) {
      case Format::kBmp:
        bytes = EncodeBmp24(output.image);
        break;
      case Format::kJpeg:
        bytes = EncodeJpeg(output.image, kJpegQuality);
        break;
      case Format::kTga:
        bytes = EncodeTga32(output.image);
        break;
    }
    ok = WriteFile(dir / output.name, bytes) && ok;
    sheet.push_back(&output.image);
  }
  return WriteFile(dir / "contact_sheet.png", EncodePng(ContactSheet(sheet))) && ok;
}

}  // namespace solvane::contentgen
