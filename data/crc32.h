// CRC-32 as archives and zlib use it: reflected polynomial 0xEDB88320, register preset to all
// ones, result complemented.
#pragma once

#include <cstdint>
#include <span>

namespace solvane {

// The CRC of `bytes` continuing from `crc` (the CRC of what came before; 0 to start).
uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);

}  // namespace solvane
