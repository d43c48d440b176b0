#include "tools/contentgen/noise.h"

#include <algorithm>
#include <cmath>

namespace solvane::contentgen {

double Random::Next() {
  state_ = state_ * 1664525u + 1013904223u;
  uint32_t h = state_ ^ (state_ >> 15);
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return double(h >> 8) / double(1u << 24);
}

uint32_t Hash(int32_t i, int32_t j, int32_t k, uint32_t seed) {
  uint32_t h = uint32_t(i) * 374761393u + uint32_t(j) * 668265263u + uint32_t(k) * 2147483647u +
               seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  return h ^ (h >> 13);
}

double HashUnit(int32_t i, int32_t j, int32_t k, uint32_t seed) {
  return double(Hash(i, j, k, seed) >> 8) / double(1u << 24);
}

namespace {

double Fade(double t) {
  return t * t * t * (t * (t * 6 - 15) + 10);
}
double Lerp(double a, double b, double t) {
  return a + (b - a) * t;
}

// The twelve cube-edge directions: no axis bias and no need for normalisation.
double Grad3(uint32_t h, double x, double y, double z) {
  switch (h % 12) {
    case 0:
      return x + y;
    case 1:
      return -x + y;
    case 2:
      return x - y;
    case 3:
      return -x - y;
    case 4:
      return x + z;
    case 5:
      return -x + z;
    case 6:
      return x - z;
    case 7:
      return -x - z;
    case 8:
      return y + z;
    case 9:
      return -y + z;
    case 10:
      return y - z;
    default:
      return -y - z;
  }
}

double Grad2(uint32_t h, double x, double y) {
  static const double kDirs[8][2] = {{1, 0},
                                     {-1, 0},
                                     {0, 1},
                                     {0, -1},
                                     {0.7071, 0.7071},
                                     {-0.7071, 0.7071},
                                     {0.7071, -0.7071},
                                     {-0.7071, -0.7071}};
  const double* d = kDirs[h & 7];
  return d[0] * x + d[1] * y;
}

}  // namespace

double Gradient3(double x, double y, double z, uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  const int32_t ix = int32_t(fx), iy = int32_t(fy), iz = int32_t(fz);
  const double tx = x - fx, ty = y - fy, tz = z - fz;
  double corner[8];
  for (int c = 0; c < 8; ++c) {
    const int dx = c & 1, dy = (c >> 1) & 1, dz = c >> 2;
    corner[c] = Grad3(Hash(ix + dx, iy + dy, iz + dz, seed), tx - dx, ty - dy, tz - dz);
  }
  const double sx = Fade(tx), sy = Fade(ty), sz = Fade(tz);
  const double y0 = Lerp(Lerp(corner[0], corner[1], sx), Lerp(corner[2], corner[3], sx), sy);
  const double y1 = Lerp(Lerp(corner[4], corner[5], sx), Lerp(corner[6], corner[7], sx), sy);
  return Lerp(y0, y1, sz);
}

double Gradient2(double x, double y, int periodX, uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const int32_t ix = int32_t(fx), iy = int32_t(fy);
  const double tx = x - fx, ty = y - fy;
  const auto wrap = [periodX](int32_t i) {
    return periodX > 0 ? ((i % periodX) + periodX) % periodX : i;
  };
  const int32_t x0 = wrap(ix), x1 = wrap(ix + 1);
  const double a = Grad2(Hash(x0, iy, 0, seed), tx, ty);
  const double b = Grad2(Hash(x1, iy, 0, seed), tx - 1, ty);
  const double c = Grad2(Hash(x0, iy + 1, 0, seed), tx, ty - 1);
  const double d = Grad2(Hash(x1, iy + 1, 0, seed), tx - 1, ty - 1);
  const double sx = Fade(tx), sy = Fade(ty);
  return Lerp(Lerp(a, b, sx), Lerp(c, d, sx), sy) * 1.4;
}

double Fbm3(double x, double y, double z, int octaves, uint32_t seed, double gain) {
  double sum = 0, amplitude = 1, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * Gradient3(x, y, z, seed + uint32_t(o) * 101u);
    total += amplitude;
    amplitude *= gain;
    // A non-integer lacunarity and an offset keep the octaves' lattices from lining up.
    x = x * 2.03 + 17.1;
    y = y * 2.03 - 9.7;
    z = z * 2.03 + 3.3;
  }
  return sum / total;
}

double Fbm2(double x, double y, int periodX, int octaves, uint32_t seed, double gain) {
  double sum = 0, amplitude = 1, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * Gradient2(x, y, periodX, seed + uint32_t(o) * 101u);
    total += amplitude;
    amplitude *= gain;
    // The lacunarity stays exactly 2 so that every octave keeps a whole period.
    x *= 2;
    y = y * 2 + 7.3;
    periodX *= 2;
  }
  return sum / total;
}

double Ridged3(double x, double y, double z, int octaves, uint32_t seed) {
  double sum = 0, amplitude = 1, total = 0, weight = 1;
  for (int o = 0; o < octaves; ++o) {
    double n = 1 - std::fabs(Gradient3(x, y, z, seed + uint32_t(o) * 131u));
    n *= n;
    n *= weight;
    weight = std::clamp(n * 1.5, 0.0, 1.0);
    sum += amplitude * n;
    total += amplitude;
    amplitude *= 0.5;
    x = x * 2.03 + 5.1;
    y = y * 2.03 + 1.7;
    z = z * 2.03 - 8.3;
  }
  return sum / total;
}

Cells Worley3(double x, double y, double z, uint32_t seed) {
  const int32_t ix = int32_t(std::floor(x)), iy = int32_t(std::floor(y)),
                iz = int32_t(std::floor(z));
  Cells cells{1e9, 1e9, 0};
  for (int32_t k = iz - 1; k <= iz + 1; ++k) {
    for (int32_t j = iy - 1; j <= iy + 1; ++j) {
      for (int32_t i = ix - 1; i <= ix + 1; ++i) {
        const uint32_t h = Hash(i, j, k, seed);
        const double px = i + double(h & 0x3FF) / 1024.0;
        const double py = j + double((h >> 10) & 0x3FF) / 1024.0;
        const double pz = k + double((h >> 20) & 0x3FF) / 1024.0;
        const double d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y) + (pz - z) * (pz - z));
        if (d < cells.f1) {
          cells.f2 = cells.f1;
          cells.f1 = d;
          cells.id = HashUnit(i, j, k, seed ^ 0x5bd1e995u);
        } else if (d < cells.f2) {
          cells.f2 = d;
        }
      }
    }
  }
  return cells;
}

}  // namespace solvane::contentgen
