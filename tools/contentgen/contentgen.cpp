// contentgen: makes the program's artwork at build time, deterministically (fixed seeds, no
// clock, no platform-dependent maths beyond IEEE doubles), so two builds carry the same bytes.
//
// usage: contentgen OUTPUT_DIR
// writes preview.bmp (the preview picture, 155 x 115, 24 bits) and solvane.ico (48, 32 and 16
// pixels, 32 bits with alpha).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Color {
  double r = 0, g = 0, b = 0, a = 0;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Color> pixels;  // top row first
  Image(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h)) {}
  Color& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// A small fixed generator so that the art never depends on a library's random engine.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed) {}
  double Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return double(state_ >> 8) / double(1u << 24);
  }

 private:
  uint32_t state_;
};

// Value noise on a lattice, smoothly interpolated: the star's granulation.
double Noise(double x, double y, uint32_t seed) {
  const auto hash = [seed](int32_t i, int32_t j) {
    uint32_t h = uint32_t(i) * 374761393u + uint32_t(j) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
  };
  const double fx = std::floor(x), fy = std::floor(y);
  const int32_t ix = int32_t(fx), iy = int32_t(fy);
  const double tx = x - fx, ty = y - fy;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  const double top = hash(ix, iy) + (hash(ix + 1, iy) - hash(ix, iy)) * sx;
  const double bottom = hash(ix, iy + 1) + (hash(ix + 1, iy + 1) - hash(ix, iy + 1)) * sx;
  return top + (bottom - top) * sy;
}

// A star of radius `radius` (pixels) centred in the image: a limb-darkened, granulated disc in
// a soft corona. With `sky` the background is black with faint stars; otherwise transparent.
Image DrawStar(int width, int height, double radius, bool sky, uint32_t seed) {
  Image image(width, height);
  const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
  const double scale = 40.0 / radius;  // the granulation keeps its look at every size
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double dx = x - cx, dy = y - cy;
      const double d = std::sqrt(dx * dx + dy * dy) / radius;
      Color c;
      if (d < 1) {
        const double mu = std::sqrt(1 - d * d);  // cosine of the view angle: limb darkening
        const double grain = 0.75 + 0.25 * Noise(x * scale / 3.0, y * scale / 3.0, seed) +
                             0.12 * Noise(x * scale / 1.3, y * scale / 1.3, seed + 1);
        const double light = (0.45 + 0.55 * mu) * grain;
        c = {std::min(1.0, 1.15 * light), std::min(1.0, 0.78 * light), 0.32 * light * mu, 1};
      } else {
        const double glow = std::exp(-(d - 1) * 4.5) * 0.9;
        c = {glow, 0.55 * glow, 0.18 * glow, std::min(1.0, glow * 1.4)};
      }
      // Edge anti-aliasing: blend the disc into the glow over about one pixel.
      const double edge = std::clamp((1 - d) * radius + 0.5, 0.0, 1.0);
      if (edge > 0 && edge < 1) {
        const double glow = 0.9;
        c = {c.r * edge + glow * (1 - edge), c.g * edge + 0.55 * glow * (1 - edge),
             c.b * edge + 0.18 * glow * (1 - edge), 1};
      }
      image.at(x, y) = c;
    }
  }
  if (sky) {
    Random random(seed * 7919u + 17u);
    for (int i = 0; i < width * height / 90; ++i) {
      const int x = int(random.Next() * width), y = int(random.Next() * height);
      const double brightness = 0.25 + 0.75 * random.Next() * random.Next();
      Color& c = image.at(x, y);
      if (c.r < 0.05) c = {brightness, brightness, brightness * (0.9 + 0.2 * random.Next()), 1};
    }
    for (Color& c : image.pixels) c.a = 1;
  }
  return image;
}

uint8_t Byte(double v) {
  return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// BITMAPINFOHEADER: 40 bytes; `height` is doubled for icon images (colour plus mask).
void PutInfoHeader(std::vector<uint8_t>& out, const Image& image, int bits, bool icon,
                   uint32_t dataSize) {
  Put32(out, 40);
  Put32(out, uint32_t(image.width));
  Put32(out, uint32_t(image.height * (icon ? 2 : 1)));
  Put16(out, 1);
  Put16(out, uint16_t(bits));
  Put32(out, 0);  // uncompressed
  Put32(out, dataSize);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
}

// Format notes: rows are stored bottom row first, each padded to a multiple of 4 bytes, pixels
// in blue, green, red order.
std::vector<uint8_t> Bmp24(Image& image) {
  const uint32_t rowSize = (uint32_t(image.width) * 3 + 3) & ~3u;
  const uint32_t dataSize = rowSize * uint32_t(image.height);
  std::vector<uint8_t> out = {'B', 'M'};
  Put32(out, 14 + 40 + dataSize);
  Put32(out, 0);
  Put32(out, 14 + 40);
  PutInfoHeader(out, image, 24, false, dataSize);
  for (int y = image.height - 1; y >= 0; --y) {
    size_t start = out.size();
    for (int x = 0; x < image.width; ++x) {
      const Color& c = image.at(x, y);
      out.insert(out.end(), {Byte(c.b), Byte(c.g), Byte(c.r)});
    }
    out.resize(start + rowSize, 0);
  }
  return out;
}

// Format notes: an icon directory (6 bytes), one 16-byte entry per image, then each image as a
// headerless bitmap: 32-bit BGRA rows bottom first, then a 1-bit AND mask (rows padded to 4
// bytes) that stays clear because the alpha channel decides.
std::vector<uint8_t> Ico(std::vector<Image>& images) {
  std::vector<std::vector<uint8_t>> bodies;
  for (Image& image : images) {
    const uint32_t maskRow = ((uint32_t(image.width) + 31) / 32) * 4;
    const uint32_t dataSize =
        uint32_t(image.width * image.height * 4) + maskRow * uint32_t(image.height);
    std::vector<uint8_t> body;
    PutInfoHeader(body, image, 32, true, dataSize);
    for (int y = image.height - 1; y >= 0; --y) {
      for (int x = 0; x < image.width; ++x) {
        const Color& c = image.at(x, y);
        body.insert(body.end(), {Byte(c.b), Byte(c.g), Byte(c.r), Byte(c.a)});
      }
    }
    body.resize(body.size() + maskRow * uint32_t(image.height), 0);
    bodies.push_back(std::move(body));
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, uint16_t(images.size()));
  uint32_t offset = 6 + 16 * uint32_t(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(uint8_t(images[i].width));
    out.push_back(uint8_t(images[i].height));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, uint32_t(bodies[i].size()));
    Put32(out, offset);
    offset += uint32_t(bodies[i].size());
  }
  for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

bool Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "contentgen: cannot write %s\n", path.string().c_str());
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: contentgen OUTPUT_DIR\n", stderr);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(dir, error);

  Image preview = DrawStar(155, 115, 38, true, 112);
  std::vector<Image> icons = {DrawStar(48, 48, 15, false, 111), DrawStar(32, 32, 10, false, 111),
                              DrawStar(16, 16, 5, false, 111)};
  const bool ok =
      Write(dir / "preview.bmp", Bmp24(preview)) && Write(dir / "solvane.ico", Ico(icons));
  return ok ? 0 : 1;
}
