#include "tools/contentgen/art.h"

#include <cmath>
#include <string_view>

#include "tools/contentgen/glyphs.h"
#include "tools/contentgen/noise.h"

namespace solvane::contentgen {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
double Dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Normalize(Vec3 a) {
  return a * (1 / std::sqrt(Dot(a, a)));
}

// The point of the unit sphere under pixel (x, y) of a width x height longitude/latitude map.
// Sampling 3D noise there makes the map seamless and free of polar pinching.
Vec3 SpherePoint(int x, int y, int width, int height) {
  const double lon = 2 * kPi * (x + 0.5) / width;
  const double lat = kPi * (0.5 - (y + 0.5) / height);
  return {std::cos(lat) * std::cos(lon), std::sin(lat), std::cos(lat) * std::sin(lon)};
}

Vec3 FromLonLat(double lonDegrees, double latDegrees) {
  const double lon = lonDegrees * kPi / 180, lat = latDegrees * kPi / 180;
  return {std::cos(lat) * std::cos(lon), std::sin(lat), std::cos(lat) * std::sin(lon)};
}

// A blackbody-like ramp: t = 0 dark red through orange and yellow to t = 1 near white.
Color Blackbody(double t) {
  static const Color kStops[] = {{0.04, 0.0, 0.0, 1},   {0.32, 0.05, 0.0, 1}, {0.66, 0.2, 0.02, 1},
                                 {0.93, 0.45, 0.07, 1}, {1.0, 0.7, 0.25, 1},  {1.0, 0.88, 0.58, 1},
                                 {1.0, 0.97, 0.88, 1}};
  constexpr int kLast = int(sizeof kStops / sizeof kStops[0]) - 1;
  const double s = Clamp01(t) * kLast;
  const int i = std::min(int(s), kLast - 1);
  return Mix(kStops[i], kStops[i + 1], s - i);
}

// Star colours from hot blue-white through white to cool orange.
Color StarTint(double t) {
  static const Color kTints[] = {{0.7, 0.8, 1.0, 1},
                                 {0.88, 0.92, 1.0, 1},
                                 {1.0, 1.0, 1.0, 1},
                                 {1.0, 0.95, 0.82, 1},
                                 {1.0, 0.82, 0.6, 1}};
  const double s = Clamp01(t) * 4;
  const int i = std::min(int(s), 3);
  return Mix(kTints[i], kTints[i + 1], s - i);
}

void AddLight(Color& c, Color light, double amount) {
  c.r += light.r * amount;
  c.g += light.g * amount;
  c.b += light.b * amount;
}

// A star as a small Gaussian splat with an optional faint cross of diffraction spikes.
// `stretch` widens it horizontally (for sphere maps); x wraps when `wrap` is set.
void DrawStar(Image& image, double x, double y, double brightness, double sigma, Color tint,
              bool wrap, double stretch = 1, double spikes = 0) {
  const double sx = sigma * stretch;
  const int reach = int(std::ceil(sigma * 3.5 + spikes * 8));
  const int reachX = int(std::ceil(sx * 3.5 + spikes * 8 * stretch));
  for (int py = int(y) - reach; py <= int(y) + reach; ++py) {
    if (py < 0 || py >= image.height) continue;
    for (int px = int(x) - reachX; px <= int(x) + reachX; ++px) {
      int tx = px;
      if (wrap) {
        tx = ((px % image.width) + image.width) % image.width;
      } else if (px < 0 || px >= image.width) {
        continue;
      }
      const double dx = (px + 0.5 - x) / stretch, dy = py + 0.5 - y;
      double light = std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
      if (spikes > 0) {
        const double fall = std::exp(-std::sqrt(dx * dx + dy * dy) / (spikes * 2.5));
        light += 0.5 * fall * (std::exp(-dx * dx / 0.5) + std::exp(-dy * dy / 0.5));
      }
      AddLight(image.at(tx, py), tint, brightness * light);
    }
  }
}

// Radial window for billboards: 1 inside `inner`, 0 from `outer` on (radii in half-sizes).
double Window(double r, double inner, double outer) {
  return 1 - SmoothStep(inner, outer, r);
}

}  // namespace

Image SunSurface() {
  constexpr int kWidth = 512, kHeight = 256;
  struct Spot {
    Vec3 centre, e1, e2;
    double umbra, penumbra;
  };
  std::vector<Spot> spots;
  std::vector<Vec3> groups;
  Random random(2718);
  for (int g = 0; g < 5; ++g) {
    const double lat = (g % 2 ? 1 : -1) * random.Range(9, 30);
    const double lon = g * 72 + random.Range(-20, 20);
    groups.push_back(FromLonLat(lon, lat));
    const int count = 2 + int(random.Next() * 4);
    for (int s = 0; s < count; ++s) {
      // The leading spot is the largest; its followers trail behind in longitude.
      const double along = s == 0 ? 0 : random.Range(3, 13);
      const Vec3 c = FromLonLat(lon - along, lat + random.Range(-2.5, 2.5));
      const double umbra = (s == 0 ? 0.03 : random.Range(0.007, 0.018)) * random.Range(0.8, 1.2);
      const Vec3 e1 = Normalize(Cross(c, {0, 1, 0}));
      spots.push_back({c, e1, Cross(c, e1), umbra, umbra * random.Range(2.1, 2.6)});
    }
  }

  Image image(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Vec3 p = SpherePoint(x, y, kWidth, kHeight);
      // Domain warping bends the convection cells out of their lattice regularity.
      const Vec3 w = {Fbm3(p.x * 5, p.y * 5, p.z * 5, 3, 11),
                      Fbm3(p.x * 5 + 5.2, p.y * 5, p.z * 5, 3, 12),
                      Fbm3(p.x * 5, p.y * 5 - 3.1, p.z * 5 + 7.7, 3, 13)};
      const Vec3 q = p * 22 + w * 1.1;
      const Cells cells = Worley3(q.x, q.y, q.z, 21);
      // Bright rising cells in thin, soft, darker lanes of sinking gas.
      const double lane = SmoothStep(0.0, 0.4, cells.f2 - cells.f1);
      const double fine = Fbm3(p.x * 90, p.y * 90, p.z * 90, 2, 31);
      const double granule = (0.7 + 0.3 * cells.id) * (1 - 0.3 * cells.f1 * cells.f1);
      // A darker base than the hottest granules: the corona's glow over the middle of the disc
      // lifts it, and the limb, where that glow fades, stays darker.
      double t = 0.47 + 0.23 * granule * std::sqrt(lane) + 0.025 * fine;
      // Supergranulation and large-scale mottling.
      t += 0.11 * Fbm3(p.x * 2.5, p.y * 2.5, p.z * 2.5, 5, 41);
      t += 0.03 * Fbm3(p.x * 7, p.y * 7, p.z * 7, 3, 42);

      double activity = 0.15;
      for (const Vec3& g : groups) {
        const Vec3 d = p - g;
        activity += std::exp(-Dot(d, d) / 0.035);
      }
      const double network = Ridged3(p.x * 9 + w.x, p.y * 9 + w.y, p.z * 9 + w.z, 4, 51);
      t += 0.16 * SmoothStep(0.45, 0.8, network) * std::min(1.0, activity);

      for (const Spot& s : spots) {
        const Vec3 d = p - s.centre;
        const double r = std::sqrt(Dot(d, d));
        if (r > s.penumbra * 1.4) continue;
        const double ragged = r * (1 + 0.22 * Fbm3(p.x * 70, p.y * 70, p.z * 70, 3, 61));
        const double angle = std::atan2(Dot(d, s.e2), Dot(d, s.e1));
        const double filaments =
            0.5 + 0.5 * Fbm2(angle / (2 * kPi) * 24 + 0.5, r / s.penumbra * 3, 24, 3, 71);
        const double penumbraT = 0.34 + 0.16 * filaments * SmoothStep(0, 1, ragged / s.penumbra);
        const double umbraT = 0.12 + 0.05 * fine;
        t = t + (penumbraT - t) * (1 - SmoothStep(s.penumbra * 0.85, s.penumbra * 1.05, ragged));
        t = t + (umbraT - t) * (1 - SmoothStep(s.umbra * 0.8, s.umbra * 1.15, ragged));
      }
      Color c = Blackbody(t);
      c.a = 1;
      image.at(x, y) = c;
    }
  }
  return image;
}

Image Flash() {
  constexpr int kWidth = 512, kHeight = 256;
  Image image(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Vec3 p = SpherePoint(x, y, kWidth, kHeight);
      const Vec3 w = {Fbm3(p.x * 3, p.y * 3, p.z * 3, 3, 81),
                      Fbm3(p.x * 3 + 4.1, p.y * 3, p.z * 3, 3, 82),
                      Fbm3(p.x * 3, p.y * 3 + 2.7, p.z * 3, 3, 83)};
      const Vec3 q = p * 4 + w * 1.4;
      const double ridge = Ridged3(q.x, q.y, q.z, 5, 84);
      const double patches = SmoothStep(0.0, 0.5, Fbm3(p.x * 2, p.y * 2, p.z * 2, 3, 85));
      double light = std::pow(SmoothStep(0.35, 1.0, ridge), 2.2) * (0.25 + 0.75 * patches);
      light += 0.1 * std::pow(Clamp01(0.5 + 0.5 * Fbm3(q.x * 3, q.y * 3, q.z * 3, 3, 86)), 6);
      Color c = Blackbody(0.45 + 0.55 * light) * (1.6 * light);
      c.a = 1;
      image.at(x, y) = c;
    }
  }
  return image;
}

Image SkySphere() {
  constexpr int kSize = 512;
  Image image(kSize, kSize);
  // The galactic plane: a great circle tilted against the map's equator.
  const Vec3 pole = Normalize({0.3, 0.85, 0.45});
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const Vec3 p = SpherePoint(x, y, kSize, kSize);
      const double h = Dot(p, pole);
      const double band = std::exp(-h * h / 0.05);
      const Vec3 w = {Fbm3(p.x * 3, p.y * 3, p.z * 3, 3, 91),
                      Fbm3(p.x * 3 + 3.3, p.y * 3, p.z * 3, 3, 92),
                      Fbm3(p.x * 3, p.y * 3, p.z * 3 + 6.1, 3, 93)};
      const Vec3 q = p * 3 + w * 0.8;
      const double cloud = SmoothStep(-0.15, 0.6, Fbm3(q.x, q.y, q.z, 6, 94));
      const double dust = SmoothStep(0.5, 0.85, Ridged3(q.x * 2, q.y * 2, q.z * 2, 4, 95));
      const double hue = 0.5 + 0.5 * Fbm3(p.x * 2, p.y * 2, p.z * 2, 3, 96);
      const Color tint = Mix(Color{0.32, 0.36, 0.62, 1}, Color{0.6, 0.3, 0.45, 1}, hue);
      const double amount = cloud * (0.03 + 0.11 * band) * (1 - 0.6 * dust);
      Color c = tint * amount;
      c = c + Color{0.006, 0.006, 0.012, 0};
      c.a = 1;
      image.at(x, y) = c;
    }
  }
  Random random(500);
  for (int i = 0; i < 4200; ++i) {
    const double z = random.Range(-1, 1), lon = random.Range(0, 2 * kPi);
    const double lat = std::asin(z), r = std::sqrt(1 - z * z);
    const Vec3 p = {r * std::cos(lon), z, r * std::sin(lon)};
    const double h = Dot(p, pole);
    // Stars crowd towards the band: reject some of those far from it.
    if (random.Next() > 0.35 + 0.65 * std::exp(-h * h / 0.08)) continue;
    const double x = lon / (2 * kPi) * kSize, y = (0.5 - lat / kPi) * kSize;
    const double m = random.Next();
    const double brightness = 0.12 + 0.9 * std::pow(m, 7);
    const double sigma = 0.45 + 0.5 * std::pow(m, 5);
    const double stretch = 1 / std::max(std::cos(lat), 0.2);
    DrawStar(image, x, y, brightness, sigma, StarTint(random.Next()), true, stretch);
  }
  return image;
}

// The scene draws the inner corona at several sizes over the star's disc, and the outer one
// behind it. Seen from anywhere on the flight, the limb falls between 0.35 and 0.65 of the
// inner corona's half size and between 0.2 and 0.45 of the outer one's. So the inner corona
// keeps to a soft glow where it may cover the disc, strongest in the middle and fading towards
// the limb as a star's light does, which the disc's own surface shows through; its streamers
// start where the limb can be. The outer one's bright core lies behind the disc and shows only
// as the glow around the limb.
Image Corona(bool outer) {
  constexpr int kSize = 512;
  Image image(kSize, kSize);
  const uint32_t seed = outer ? 300 : 200;
  const double disc = outer ? 0.22 : 0.6;  // where the corona's own light starts to fall
  const double falloff = outer ? 0.16 : 0.1;
  const double angular = outer ? 5.0 : 2.6;  // streamers around the circle
  const double gain = outer ? 0.6 : 1.0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double dx = (x + 0.5 - kSize / 2.0) / (kSize / 2.0);
      const double dy = (y + 0.5 - kSize / 2.0) / (kSize / 2.0);
      const double r = std::sqrt(dx * dx + dy * dy);
      const double ca = r > 0 ? dx / r : 1, sa = r > 0 ? dy / r : 0;
      // The noise runs around the circle, barely changing outward: streamers are radial.
      const double twist = r * 0.9;
      const double s = 0.5 + 0.5 * Fbm3(ca * angular, sa * angular, twist, 5, seed);
      const double rays =
          0.5 + 0.5 * Fbm3(ca * angular * 6, sa * angular * 6, r * 0.4, 3, seed + 1);
      const double out = std::max(0.0, r - disc);
      const double core = r < disc ? 1 : std::exp(-out / falloff);
      const double streamer = std::pow(s, outer ? 2.5 : 3.0) * (outer ? 2.2 : 2.6) *
                              std::exp(-out / (falloff * (outer ? 2.6 : 2.2)));
      const double streak = outer ? std::pow(rays, 4) * 1.8 * std::exp(-out / (falloff * 2.0)) : 0;
      // The structure starts at the limb: for the outer corona, at its own disc; for the inner
      // one, only beyond the nearest place the limb can be.
      const double limb =
          outer ? SmoothStep(disc * 0.85, disc * 1.35, r) : SmoothStep(0.5, 0.75, r);
      double light = limb * (core * (1 + 0.35 * s - 0.25) + streamer * (0.6 + 0.6 * rays) + streak);
      if (outer) light += core * (1 - limb);
      light *= gain * Window(r, 0.55, 0.92);
      Color c = Blackbody(0.45 + 0.45 * std::min(1.0, light)) * std::min(1.3, 1.15 * light);
      if (!outer) {
        // Over the disc: a glow that falls from the middle to nothing at the farthest the limb
        // can be, adding at most what keeps the hottest surface short of white where the scene
        // stacks it.
        const double across = r / 0.6;
        const double glow = across < 1 ? 0.3 * (1 - across * across) : 0;
        c = c + Blackbody(0.62) * glow;
      }
      c.a = 1;
      image.at(x, y) = c;
    }
  }
  return image;
}

Image StarField(bool second) {
  constexpr int kSize = 512;
  Image image(kSize, kSize);
  const uint32_t seed = second ? 620 : 610;
  const Color hueA = second ? Color{0.15, 0.55, 0.6, 1} : Color{0.75, 0.2, 0.45, 1};
  const Color hueB = second ? Color{0.85, 0.45, 0.15, 1} : Color{0.25, 0.35, 0.9, 1};
  std::vector<double> window(size_t(kSize) * kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double u = (x + 0.5) / kSize * 3, v = (y + 0.5) / kSize * 3;
      const double dx = (x + 0.5 - kSize / 2.0) / (kSize / 2.0);
      const double dy = (y + 0.5 - kSize / 2.0) / (kSize / 2.0);
      const double r = std::sqrt(dx * dx + dy * dy);
      const double wx = Fbm3(u, v, 0.5, 4, seed + 1), wy = Fbm3(u, v, 3.5, 4, seed + 2);
      const double qx = u + 1.2 * wx, qy = v + 1.2 * wy;
      const double n = Fbm3(qx, qy, 1.7, 6, seed + 3);
      const double density = std::pow(SmoothStep(-0.45, 0.55, n), 1.8);
      const double dust = SmoothStep(0.55, 0.9, Ridged3(qx * 1.5, qy * 1.5, 2.2, 4, seed + 4));
      const double hue = SmoothStep(-0.4, 0.4, Fbm3(qx * 0.7, qy * 0.7, 5.1, 3, seed + 5));
      const double glow = 1.1 * density * (1 - 0.75 * dust);
      // Bright cores where the cloud is densest, whitened as if lit by the embedded stars.
      const Color tint = Mix(Mix(hueA, hueB, hue), Color{1, 0.95, 0.9, 1}, 0.5 * density * density);
      window[size_t(y) * kSize + size_t(x)] = Window(r, 0.45, 0.93);
      Color c = tint * glow;
      c.a = 1;
      image.at(x, y) = c;
    }
  }
  Random random(seed);
  for (int i = 0; i < 2600; ++i) {
    const double x = random.Range(0, kSize), y = random.Range(0, kSize);
    const double m = random.Next();
    const double brightness = 0.06 + 0.3 * m * m + 0.8 * std::pow(m, 12);
    const double sigma = 0.5 + 0.9 * std::pow(m, 6);
    DrawStar(image, x, y, brightness, sigma, StarTint(random.Next()), false, 1,
             m > 0.97 ? (m - 0.97) * 80 : 0);
  }
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    Color& c = image.pixels[i];
    c = c * window[i];
    c.a = 1;
  }
  return image;
}

Image Sprite() {
  constexpr int kSize = 64;
  Image image(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double dx = (x + 0.5 - kSize / 2.0) / (kSize / 2.0);
      const double dy = (y + 0.5 - kSize / 2.0) / (kSize / 2.0);
      const double r2 = dx * dx + dy * dy;
      const double halo = std::exp(-r2 * 5) * Window(std::sqrt(r2), 0.5, 0.88);
      const double core = std::exp(-r2 * 40);
      Color c = Blackbody(0.45 + 0.5 * halo + 0.3 * core) * std::min(1.0, halo + core);
      c.a = 1;
      image.at(x, y) = c;
    }
  }
  return image;
}

Image GlyphAtlas() {
  constexpr int kCell = 64;
  Image image(4 * kCell, 4 * kCell);
  for (Color& c : image.pixels) c.a = 1;
  const std::string_view texts[13] = {"0", "1", "2", "3", "4",  "5", "6",
                                      "7", "8", "9", ":", "am", "pm"};
  for (int i = 0; i < 13; ++i) {
    const bool word = i >= 11;
    // Digits fill the cell height; the lower-case markers are smaller and share a baseline
    // that leaves room for the descender of "p".
    const double em = word ? 34 : 46, weight = word ? 5 : 6.2;
    const double width = TextWidth(texts[i]) * em;
    const double baseline = word ? 44 : kCell - 9;
    const std::vector<double> distance =
        TextDistance(kCell, kCell, texts[i], (kCell - width) / 2, baseline, em);
    const int ox = (i % 4) * kCell, oy = (i / 4) * kCell;
    for (int y = 0; y < kCell; ++y) {
      for (int x = 0; x < kCell; ++x) {
        const double v = StrokeCoverage(distance[size_t(y) * kCell + size_t(x)], weight);
        image.at(ox + x, oy + y) = {v, v, v, 1};
      }
    }
  }
  return image;
}

Image Sign() {
  constexpr int kSize = 128;
  Image image(kSize, kSize);
  const double half = kSize / 2.0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double dx = x + 0.5 - half, dy = y + 0.5 - half;
      const double r = std::sqrt(dx * dx + dy * dy);
      const double angle = std::atan2(dy, dx) + kPi / 2;
      const double body = Clamp01(19.5 - r + 0.5);
      const double ring = Clamp01(1.6 - std::fabs(r - 26) + 0.5);
      // Twelve tapered rays: long ones up, down and to the sides, two short ones between, so that
      // the emblem is as wide as it is tall.
      const double step = 2 * kPi / 12;
      const double k = std::floor(angle / step + 0.5);
      const double across = std::fabs(angle - k * step) * r;
      const double length = (int(k) % 3 == 0) ? 24 : 14;
      const double along = (r - 31) / length;
      double ray = 0;
      if (along > 0 && along < 1) {
        ray = Clamp01(3.4 * (1 - along) - across + 0.5) * Clamp01((r - 31) * 0.8);
      }
      const double glow = 0.45 * std::exp(-r / 14) * Window(r / half, 0.6, 0.86);
      const Color bodyColor = Blackbody(1.0 - 0.35 * (r / 20) * (r / 20));
      Color c = bodyColor * body + Blackbody(0.75) * ring + Blackbody(0.8 - 0.2 * along) * ray;
      c = c + Blackbody(0.6) * (glow * (1 - body));
      c.a = 1;
      image.at(x, y) = c;
    }
  }
  return image;
}

Image LoadScene() {
  constexpr int kSize = 256;
  Image image(kSize, kSize);
  const double half = kSize / 2.0;
  const double rx = 104, ry = 30, tilt = -0.18;
  const double ct = std::cos(tilt), st = std::sin(tilt);
  const double planetAngle = 2.3;
  const double planetX = rx * std::cos(planetAngle), planetY = ry * std::sin(planetAngle);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double dx = x + 0.5 - half, dy = y + 0.5 - half;
      const double r = std::sqrt(dx * dx + dy * dy);
      // The orbit: an ellipse in a frame rotated by the tilt; the distance to it is the
      // first-order estimate |f - 1| / |grad f|.
      const double ex = ct * dx + st * dy, ey = -st * dx + ct * dy;
      const double f = std::sqrt((ex / rx) * (ex / rx) + (ey / ry) * (ey / ry));
      const double gx = ex / (rx * rx), gy = ey / (ry * ry);
      const double grad = f > 0 ? std::sqrt(gx * gx + gy * gy) / f : 1;
      const double orbitDistance = std::fabs(f - 1) / std::max(grad, 1e-6);
      // The far half of the orbit dims behind the star.
      const double behind = ey < 0 ? Clamp01((r - 20) / 10) : 1;
      const double orbit = Clamp01(1.1 - orbitDistance + 0.5) * behind;
      const double orbitGlow = std::exp(-orbitDistance * orbitDistance / 18) * 0.3 * behind;
      const double fade =
          0.35 + 0.65 * (0.5 + 0.5 * std::cos(std::atan2(ey / ry, ex / rx) - planetAngle));
      const double mu = r < 24 ? std::sqrt(1 - (r / 24) * (r / 24)) : 0;
      const double star = Clamp01(24 - r + 0.5);
      const double corona = std::exp(-std::max(0.0, r - 24) / 9) * (1 - star);
      const double pdx = ex - planetX, pdy = ey - planetY;
      const double planetR = std::sqrt(pdx * pdx + pdy * pdy);
      const double planet = Clamp01(5 - planetR + 0.5);
      // The planet is lit from the star's side.
      const double lit = Clamp01(0.25 - (pdx * planetX + pdy * planetY) / (planetR + 1e-9) /
                                            std::sqrt(planetX * planetX + planetY * planetY));
      Color c = Blackbody(0.55 + 0.4 * mu) * star;
      c = c + Blackbody(0.7) * (0.8 * corona);
      c = c + Blackbody(0.72) * ((orbit * 0.75 + orbitGlow) * fade);
      c = Mix(c, Color{0.55, 0.65, 0.9, 1} * (0.25 + 0.9 * lit), planet);
      c = c * Window(r / half, 0.85, 0.98);
      c.a = 1;
      image.at(x, y) = c;
    }
  }
  Random random(256);
  for (int i = 0; i < 60; ++i) {
    const double x = random.Range(8, kSize - 8), y = random.Range(8, kSize - 8);
    const double m = random.Next();
    const double dx = x - half, dy = y - half;
    if (dx * dx + dy * dy > 110 * 110 || dx * dx + dy * dy < 40 * 40) continue;
    DrawStar(image, x, y, 0.1 + 0.5 * m * m * m, 0.6, StarTint(random.Next()), false);
  }
  return image;
}

Image ProductName() {
  constexpr int kWidth = 256, kHeight = 128;
  Image image(kWidth, kHeight);
  const std::string_view name = "Solvane";
  const double em = 50, weight = 6.5, slant = 0.0;
  const double width = TextWidth(name) * em;
  const double baseline = kHeight / 2.0 + em * 0.45;
  const std::vector<double> distance =
      TextDistance(kWidth, kHeight, name, (kWidth - width) / 2, baseline, em, slant);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double d = distance[size_t(y) * kWidth + size_t(x)];
      const double ink = StrokeCoverage(d, weight);
      // A faint warm halo around the strokes, in the alpha channel as well.
      const double halo = 0.35 * std::exp(-std::max(0.0, d - weight / 2) / 4);
      const double height = Clamp01((baseline - (y + 0.5)) / em);
      const Color inkColor = Mix(Color{1, 0.72, 0.32, 1}, Color{1, 0.98, 0.92, 1}, height);
      const Color haloColor = {1, 0.55, 0.15, 1};
      const double alpha = ink + halo * (1 - ink);
      Color c = alpha > 0 ? Mix(haloColor, inkColor, ink / alpha) : inkColor;
      c.a = alpha;
      image.at(x, y) = c;
    }
  }
  return image;
}

Image Transparent(int width, int height) {
  return Image(width, height);
}

namespace {

// A textured, limb-darkened star of `radius` pixels at (cx, cy) in a streamered glow, added
// onto `image`.
void RenderStar(Image& image, double cx, double cy, double radius, const Image& sun) {
  const double tilt = 0.25, ct = std::cos(tilt), st = std::sin(tilt);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const double dx = (x + 0.5 - cx) / radius, dy = (y + 0.5 - cy) / radius;
      const double d = std::sqrt(dx * dx + dy * dy);
      Color& out = image.at(x, y);
      const double edge = Clamp01((1 - d) * radius + 0.5);
      if (edge > 0) {
        const double dd = std::min(d, 0.9999);
        const double nz = std::sqrt(1 - dd * dd);
        const double nx = dx * (d > 0 ? dd / d : 0), ny = -dy * (d > 0 ? dd / d : 0);
        const double ry = ny * ct + nz * st, rz = -ny * st + nz * ct;
        const double lon = std::atan2(rz, nx) + 1.1, lat = std::asin(std::clamp(ry, -1.0, 1.0));
        const Color surface = sun.SampleWrapped(lon / (2 * kPi), 0.5 - lat / kPi);
        const double limb = 0.35 + 0.65 * std::pow(nz, 0.55);
        out = Mix(out, surface * limb, edge);
      }
      if (d > 0.98) {
        const double ca = dx / d, sa = dy / d;
        const double s = 0.5 + 0.5 * Fbm3(ca * 3, sa * 3, d * 0.5, 4, 404);
        const double glow = std::exp(-(d - 1) * 5) * (0.55 + 0.5 * s * s) +
                            0.25 * std::exp(-(d - 1) * 1.6) * s * s * s;
        AddLight(out, Blackbody(0.5 + 0.35 * std::min(1.0, glow)), glow * Clamp01((d - 0.98) * 50));
      }
      out.a = 1;
    }
  }
}

void AddSkyStars(Image& image, uint32_t seed, int count) {
  Random random(seed);
  for (int i = 0; i < count; ++i) {
    const double x = random.Range(0, image.width), y = random.Range(0, image.height);
    const double m = random.Next();
    DrawStar(image, x, y, 0.1 + 0.8 * std::pow(m, 5), 0.5 + 0.3 * m, StarTint(random.Next()),
             false);
  }
}

}  // namespace

Image Preview(const Image& sun) {
  Image image(155, 115);
  AddSkyStars(image, 112, 150);
  RenderStar(image, 77.5, 57.5, 34, sun);
  return image;
}

Image DialogPicture(const Image& sun) {
  constexpr int kWidth = 263, kHeight = 179;
  Image image(kWidth, kHeight);
  AddSkyStars(image, 263, 260);
  RenderStar(image, kWidth / 2.0, 72, 46, sun);
  const std::string_view name = "Solvane";
  const double em = 30, weight = 4;
  const double width = TextWidth(name) * em;
  const double baseline = 162;
  const std::vector<double> distance =
      TextDistance(kWidth, kHeight, name, (kWidth - width) / 2, baseline, em);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double d = distance[size_t(y) * kWidth + size_t(x)];
      const double ink = StrokeCoverage(d, weight);
      const double halo = 0.3 * std::exp(-std::max(0.0, d - weight / 2) / 3);
      Color& c = image.at(x, y);
      AddLight(c, Color{1, 0.5, 0.12, 1}, halo);
      c = Mix(c, Color{1, 0.93, 0.78, 1}, ink);
      c.a = 1;
    }
  }
  return image;
}

Image Icon(int size) {
  Image image(size, size);
  const double radius = size * 0.32, cx = size / 2.0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cx;
      const double d = std::sqrt(dx * dx + dy * dy) / radius;
      const double edge = Clamp01((1 - d) * radius + 0.5);
      const double mu = std::sqrt(std::max(0.0, 1 - d * d));
      const double grain = 0.04 * Fbm3(dx / radius * 3, dy / radius * 3, 0.3, 3, 111);
      const Color disc = Blackbody(0.5 + 0.45 * std::pow(mu, 0.5) + grain);
      const double glow = std::exp(-std::max(0.0, d - 1) * 3.5) * Window(d * radius / cx, 0.7, 1.0);
      Color c = Mix(Blackbody(0.6) * 1.0, disc, edge);
      c.a = std::max(edge, Clamp01(glow * 0.9));
      image.at(x, y) = c;
    }
  }
  return image;
}

Image ContactSheet(const std::vector<const Image*>& images) {
  constexpr int kCell = 256, kGap = 8, kColumns = 5;
  const int rows = (int(images.size()) + kColumns - 1) / kColumns;
  Image sheet(kColumns * (kCell + kGap) + kGap, rows * (kCell + kGap) + kGap);
  const Color background = {0.16, 0.16, 0.17, 1};
  for (Color& c : sheet.pixels) c = background;
  for (size_t i = 0; i < images.size(); ++i) {
    const Image& source = *images[i];
    if (source.width <= 0 || source.height <= 0) continue;
    const double scale =
        std::min({double(kCell) / source.width, double(kCell) / source.height, 8.0});
    const int w = std::max(1, int(source.width * scale)),
              h = std::max(1, int(source.height * scale));
    const int ox = kGap + int(i % kColumns) * (kCell + kGap) + (kCell - w) / 2;
    const int oy = kGap + int(i / kColumns) * (kCell + kGap) + (kCell - h) / 2;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        // 4 x 4 point samples per output pixel: enough to shrink a 512-pixel map cleanly.
        Color sum;
        for (int sy = 0; sy < 4; ++sy) {
          for (int sx = 0; sx < 4; ++sx) {
            const int px = std::min(source.width - 1, int((x + (sx + 0.5) / 4) / scale));
            const int py = std::min(source.height - 1, int((y + (sy + 0.5) / 4) / scale));
            const Color& c = source.at(px, py);
            sum = sum + Mix(background, Color{c.r, c.g, c.b, 1}, Clamp01(c.a)) * (1.0 / 16);
          }
        }
        sheet.at(ox + x, oy + y) = sum;
      }
    }
  }
  return sheet;
}

}  // namespace solvane::contentgen
