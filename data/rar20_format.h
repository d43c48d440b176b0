// The constants of the RAR 2.0 compression format, shared by the unpacker and the packer.
#pragma once

#include <array>
#include <cstdint>

namespace solvane::rar20 {

// The container: the marker opening every archive, the sizes of the main header and of the
// part of a file header before its name, the file block's type, and the flags both sides use.
inline constexpr std::array<uint8_t, 7> kMarker = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
inline constexpr uint32_t kMainHeaderSize = 13;
inline constexpr uint32_t kFileHeaderSize = 32;
inline constexpr uint8_t kFileBlock = 0x74;
inline constexpr uint16_t kSolidArchive = 0x0008;     // main header: a solid archive
inline constexpr uint16_t kHasData = 0x8000;          // block: a data area follows the header
inline constexpr uint16_t kContinuesStream = 0x0010;  // file: continues the previous stream
inline constexpr uint8_t kMethodStored = 0x30;

// Alphabets: literals and lengths (298), distances (48), lengths after a recent distance (28),
// the code-length code (19), and one multimedia channel (257).
inline constexpr int kLiteralSymbols = 298;
inline constexpr int kDistanceSymbols = 48;
inline constexpr int kLengthSymbols = 28;
inline constexpr int kCodeLengthSymbols = 19;
inline constexpr int kAudioSymbols = 257;

// Length slots: base value and extra bits.
inline constexpr std::array<uint8_t, 28> kLengthBase = {0,  1,  2,  3,   4,   5,   6,   7,  8,  10,
                                                        12, 14, 16, 20,  24,  28,  32,  40, 48, 56,
                                                        64, 80, 96, 112, 128, 160, 192, 224};
inline constexpr std::array<uint8_t, 28> kLengthBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                        2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
// Distance slots (a distance is base + 1 + extra).
inline constexpr std::array<uint32_t, 48> kDistanceBase = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,     48,
    64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,   2048,   3072,
    4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,  98304,  131072, 196608,
    262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
inline constexpr std::array<uint8_t, 48> kDistanceBits = {
    0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10,
    11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
// Short distances of the length-2 matches 261-268.
inline constexpr std::array<uint8_t, 8> kShortDistanceBase = {0, 4, 8, 16, 32, 64, 128, 192};
inline constexpr std::array<uint8_t, 8> kShortDistanceBits = {2, 2, 3, 4, 5, 6, 6, 6};

}  // namespace solvane::rar20
