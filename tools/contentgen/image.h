// The generator's working picture: straight (not premultiplied) RGBA in doubles, 0..1 nominal.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace solvane::contentgen {

struct Color {
  double r = 0, g = 0, b = 0, a = 0;
};

inline Color operator+(Color p, Color q) {
  return {p.r + q.r, p.g + q.g, p.b + q.b, p.a + q.a};
}
inline Color operator*(Color p, double s) {
  return {p.r * s, p.g * s, p.b * s, p.a * s};
}
inline Color Mix(Color p, Color q, double t) {
  return p * (1 - t) + q * t;
}

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Color> pixels;  // top row first

  Image() = default;
  Image(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h)) {}
  Color& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  const Color& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }

  // Bilinear, wrapping horizontally and clamping vertically: the layout of a sphere map.
  Color SampleWrapped(double u, double v) const {
    const double x = u * width - 0.5, y = std::clamp(v * height - 0.5, 0.0, height - 1.0);
    const double fx = x - std::floor(x), fy = y - std::floor(y);
    const int x0 = ((int(std::floor(x)) % width) + width) % width, x1 = (x0 + 1) % width;
    const int y0 = int(std::floor(y)), y1 = std::min(y0 + 1, height - 1);
    return Mix(Mix(at(x0, y0), at(x1, y0), fx), Mix(at(x0, y1), at(x1, y1), fx), fy);
  }
};

inline double Clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}

inline double SmoothStep(double edge0, double edge1, double x) {
  const double t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

inline uint8_t Byte(double v) {
  return uint8_t(std::lround(Clamp01(v) * 255.0));
}

}  // namespace solvane::contentgen
