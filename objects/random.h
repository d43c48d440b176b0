// The program's one random generator: a 32-bit linear congruential generator.
#pragma once

#include <cstdint>

namespace solvane {

void SeedRandom(uint32_t seed);
// 0 to 32767: bits 16 to 30 of the next state.
int32_t NextRandom();

}  // namespace solvane
