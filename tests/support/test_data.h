// Deterministic test inputs for archive and compression tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace solvane::testing {

inline std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = uint8_t(random());
  return bytes;
}

// Words from a small vocabulary in sentences and lines: what scripts and logs look like.
inline std::vector<uint8_t> TextLike(size_t size, uint32_t seed) {
  static const char* const kWords[] = {
      "star",  "corona",   "begin", "end",   "texture", "radius", "position", "V(0 0 0)",
      "the",   "of",       "light", "flare", "sphere",  "world",  "alpha",    "0.125",
      "scale", "rotation", "speed", "color", "mesh",    "noise",  "orbit",    "particle"};
  std::mt19937 random(seed);
  std::vector<uint8_t> text;
  text.reserve(size);
  while (text.size() < size) {
    const std::string word = kWords[random() % std::size(kWords)];
    text.insert(text.end(), word.begin(), word.end());
    const uint32_t r = random() % 16;
    text.push_back(r == 0 ? '\r' : r == 1 ? '\t' : ' ');
    if (r == 0) text.push_back('\n');
    if (random() % 97 == 0) {  // a number now and then
      const std::string number = std::to_string(random() % 100000);
      text.insert(text.end(), number.begin(), number.end());
    }
  }
  text.resize(size);
  return text;
}

// Random blocks that come back at distances past 0x2000, 0x40000 and the window's size.
inline std::vector<uint8_t> FarRepeats(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes = RandomBytes(size, seed);
  const size_t distances[] = {0x2100, 0x41000, 0x90000, 0xFFF00, 0x120000};
  for (size_t at = 0x130000; at + 600 < size; at += 4000) {
    const size_t distance = distances[random() % std::size(distances)];
    const size_t length = 3 + random() % 500;
    for (size_t i = 0; i < length; ++i) bytes[at + i] = bytes[at + i - distance];
  }
  return bytes;
}

// 8-bit samples of a few sines with a little noise, interleaved over `channels`.
inline std::vector<uint8_t> AudioLike(size_t size, int channels, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    const int channel = int(i % size_t(channels));
    const double t = double(i / size_t(channels));
    const double v = 60 * std::sin(t * 0.031 * (channel + 1)) + 30 * std::sin(t * 0.0071) +
                     double(random() % 7) - 3;
    bytes[i] = uint8_t(int(128 + v) & 0xFF);
  }
  return bytes;
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace solvane::testing
