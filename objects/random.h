// The program's one random generator: a 32-bit linear congruential generator whose state starts
// at 1 until the full-screen run seeds it.
#pragma once

#include <cstdint>

namespace solvane {

void SeedRandom(uint32_t seed);
// 0 to 32767: bits 16 to 30 of the next state.
int32_t NextRandom();
// NextRandom / 32767: uniform in 0..1 with both ends reachable.
float Random01();
// low + Random01() x (high - low), in single precision: one draw.
float RandomUniform(float low, float high);

}  // namespace solvane
