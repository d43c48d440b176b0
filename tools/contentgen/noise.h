// Deterministic noise: every function is pure integer hashing plus IEEE double arithmetic, so
// the same seed gives the same picture on every build host.
#pragma once

#include <cstdint>

namespace solvane::contentgen {

// A small fixed generator so that the art never depends on a library's random engine.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  double Next();  // in [0, 1)
  double Range(double lo, double hi) { return lo + (hi - lo) * Next(); }

 private:
  uint32_t state_;
};

uint32_t Hash(int32_t i, int32_t j, int32_t k, uint32_t seed);
double HashUnit(int32_t i, int32_t j, int32_t k, uint32_t seed);  // in [0, 1)

// Gradient noise in about [-1, 1].
double Gradient3(double x, double y, double z, uint32_t seed);
// Periodic in x with period `periodX` lattice cells (a whole number), for maps that wrap.
double Gradient2(double x, double y, int periodX, uint32_t seed);

// Fractal sums, normalised back to about [-1, 1].
double Fbm3(double x, double y, double z, int octaves, uint32_t seed, double gain = 0.5);
double Fbm2(double x, double y, int periodX, int octaves, uint32_t seed, double gain = 0.5);
// Ridged sum in [0, 1]: sharp bright crests where the base noise crosses zero.
double Ridged3(double x, double y, double z, int octaves, uint32_t seed);

// Cellular noise: distances to the nearest and second-nearest feature point (one per lattice
// cell), and a value in [0, 1) that identifies the nearest point's cell.
struct Cells {
  double f1 = 0, f2 = 0, id = 0;
};
Cells Worley3(double x, double y, double z, uint32_t seed);

}  // namespace solvane::contentgen
