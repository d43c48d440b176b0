#include "objects/random.h"

namespace solvane {

namespace {
uint32_t state = 1;
}

void SeedRandom(uint32_t seed) {
  state = seed;
}

int32_t NextRandom() {
  state = state * 214013u + 2531011u;
  return static_cast<int32_t>((state >> 16) & 0x7fff);
}

float Random01() {
  return float(NextRandom()) / 32767.0f;
}

float RandomUniform(float low, float high) {
  return low + Random01() * (high - low);
}

}  // namespace solvane
