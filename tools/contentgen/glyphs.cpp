#include "tools/contentgen/glyphs.h"

#include <cmath>

namespace solvane::contentgen {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Radius of a dot's centre line in em units: every stroke weight the artwork draws with fills it.
constexpr double kDot = 0.05;

class Pen {
 public:
  void Line(double x0, double y0, double x1, double y1) {
    glyph_.segments.push_back({x0, y0, x1, y1});
  }

  // An elliptical arc from angle a0 to a1 in degrees (0 = right, 90 = up); a1 < a0 runs
  // clockwise.
  void Arc(double cx, double cy, double rx, double ry, double a0, double a1) {
    const int steps = std::max(4, int(std::fabs(a1 - a0) / 7.5));
    double px = cx + rx * std::cos(a0 * kPi / 180), py = cy + ry * std::sin(a0 * kPi / 180);
    for (int i = 1; i <= steps; ++i) {
      const double a = (a0 + (a1 - a0) * i / steps) * kPi / 180;
      const double x = cx + rx * std::cos(a), y = cy + ry * std::sin(a);
      Line(px, py, x, y);
      px = x;
      py = y;
    }
  }

  void Quad(double x0, double y0, double x1, double y1, double x2, double y2) {
    double px = x0, py = y0;
    for (int i = 1; i <= 16; ++i) {
      const double t = i / 16.0, s = 1 - t;
      const double x = s * s * x0 + 2 * s * t * x1 + t * t * x2;
      const double y = s * s * y0 + 2 * s * t * y1 + t * t * y2;
      Line(px, py, x, y);
      px = x;
      py = y;
    }
  }

  Glyph Done(double width) {
    glyph_.advance = width + 0.2;
    return glyph_;
  }

 private:
  Glyph glyph_;
};

}  // namespace

Glyph GetGlyph(char c) {
  Pen p;
  switch (c) {
    case '0':
      p.Arc(0.3, 0.5, 0.3, 0.5, 0, 360);
      return p.Done(0.6);
    case '1':
      p.Line(0.32, 0, 0.32, 1);
      p.Line(0.32, 1, 0.1, 0.8);
      p.Line(0.1, 0, 0.54, 0);
      return p.Done(0.6);
    case '2':
      p.Arc(0.3, 0.71, 0.28, 0.29, 160, -35);
      p.Line(0.3 + 0.28 * std::cos(-35 * kPi / 180), 0.71 + 0.29 * std::sin(-35 * kPi / 180), 0.02,
             0);
      p.Line(0.02, 0, 0.6, 0);
      return p.Done(0.6);
    case '3':
      p.Arc(0.3, 0.76, 0.26, 0.24, 155, -90);
      p.Arc(0.3, 0.27, 0.3, 0.25, 90, -155);
      return p.Done(0.6);
    case '4':
      p.Line(0.45, 0, 0.45, 1);
      p.Line(0.45, 1, 0, 0.32);
      p.Line(0, 0.32, 0.6, 0.32);
      return p.Done(0.6);
    case '5':
      p.Line(0.55, 1, 0.1, 1);
      p.Line(0.1, 1, 0.07, 0.56);
      p.Arc(0.3, 0.32, 0.3, 0.32, 131, -145);
      return p.Done(0.6);
    case '6':
      p.Arc(0.3, 0.3, 0.3, 0.3, 0, 360);
      p.Quad(0, 0.3, 0, 0.92, 0.5, 1);
      return p.Done(0.6);
    case '7':
      p.Line(0, 1, 0.6, 1);
      p.Line(0.6, 1, 0.2, 0);
      return p.Done(0.6);
    case '8':
      p.Arc(0.3, 0.76, 0.24, 0.24, 0, 360);
      p.Arc(0.3, 0.26, 0.3, 0.26, 0, 360);
      return p.Done(0.6);
    case '9':
      p.Arc(0.3, 0.7, 0.3, 0.3, 0, 360);
      p.Quad(0.6, 0.7, 0.6, 0.08, 0.1, 0);
      return p.Done(0.6);
    case '-':
      p.Line(0.08, 0.5, 0.42, 0.5);
      return p.Done(0.5);
    case ':':
      // Two filled dots a little heavier than the strokes, the lower one sitting on the
      // baseline and the upper one reaching the x-height, as the strokes of 'a' and 'n' do.
      p.Arc(kDot, kDot, kDot, kDot, 0, 360);
      p.Arc(kDot, 0.55 - kDot, kDot, kDot, 0, 360);
      return p.Done(2 * kDot);
    case 'S':
      p.Arc(0.3, 0.75, 0.28, 0.25, 35, 270);
      p.Arc(0.3, 0.25, 0.3, 0.25, 90, -145);
      return p.Done(0.6);
    case 'o':
      p.Arc(0.26, 0.275, 0.26, 0.275, 0, 360);
      return p.Done(0.52);
    case 'l':
      p.Line(0.02, 1.05, 0.02, 0);
      return p.Done(0.04);
    case 'v':
      p.Line(0, 0.55, 0.25, 0);
      p.Line(0.25, 0, 0.5, 0.55);
      return p.Done(0.5);
    case 'a':
      p.Arc(0.24, 0.275, 0.24, 0.275, 0, 360);
      p.Line(0.48, 0.55, 0.48, 0);
      return p.Done(0.48);
    case 'n':
      p.Line(0, 0, 0, 0.55);
      p.Arc(0.22, 0.33, 0.22, 0.22, 180, 0);
      p.Line(0.44, 0.33, 0.44, 0);
      return p.Done(0.44);
    case 'e':
      p.Line(0.01, 0.28, 0.5, 0.28);
      p.Arc(0.255, 0.275, 0.245, 0.275, 0, 315);
      return p.Done(0.5);
    case 'm':
      p.Line(0, 0, 0, 0.55);
      p.Arc(0.19, 0.36, 0.19, 0.19, 180, 0);
      p.Line(0.38, 0.36, 0.38, 0);
      p.Arc(0.57, 0.36, 0.19, 0.19, 180, 0);
      p.Line(0.76, 0.36, 0.76, 0);
      return p.Done(0.76);
    case 'p':
      p.Line(0, 0.55, 0, -0.38);
      p.Arc(0.25, 0.275, 0.25, 0.275, 0, 360);
      return p.Done(0.5);
    default:
      return p.Done(0.4);
  }
}

double TextWidth(std::string_view text) {
  double width = 0;
  for (char c : text) width += GetGlyph(c).advance;
  return text.empty() ? 0 : width - 0.2;
}

std::vector<double> TextDistance(int width, int height, std::string_view text, double x, double y,
                                 double em, double slant) {
  std::vector<Segment> segments;
  double pen = x;
  for (char c : text) {
    const Glyph glyph = GetGlyph(c);
    for (const Segment& s : glyph.segments) {
      segments.push_back({pen + (s.x0 + slant * s.y0) * em, y - s.y0 * em,
                          pen + (s.x1 + slant * s.y1) * em, y - s.y1 * em});
    }
    pen += glyph.advance * em;
  }
  std::vector<double> distance(size_t(width) * size_t(height), 0.0);
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < width; ++px) {
      const double cx = px + 0.5, cy = py + 0.5;
      double best = 1e9;
      for (const Segment& s : segments) {
        const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
        const double length2 = dx * dx + dy * dy;
        double t = length2 > 0 ? ((cx - s.x0) * dx + (cy - s.y0) * dy) / length2 : 0;
        t = Clamp01(t);
        const double ex = s.x0 + t * dx - cx, ey = s.y0 + t * dy - cy;
        best = std::min(best, ex * ex + ey * ey);
      }
      distance[size_t(py) * size_t(width) + size_t(px)] = std::sqrt(best);
    }
  }
  return distance;
}

}  // namespace solvane::contentgen
