#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace solvane {

// Writes RGBA pixels (top row first) as an RGB PNG; false with `error` set on failure.
bool WritePng(const std::string& path, int width, int height, std::span<const uint8_t> rgba,
              std::string& error);

}  // namespace solvane
