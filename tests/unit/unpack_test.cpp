// The unpacker against a byte-at-a-time model of the format, and the CRC against its definition.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "data/crc32.h"
#include "data/rar20_format.h"
#include "data/unpack20.h"
#include "tests/support/test_data.h"

namespace solvane {
namespace {

using Bytes = std::vector<uint8_t>;

class BitWriter {
 public:
  void Put(uint32_t value, uint32_t count) {
    for (uint32_t i = count; i-- > 0;) {
      if (bitCount_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= uint8_t(0x80 >> (bitCount_ % 8));
      ++bitCount_;
    }
  }
  Bytes Finish() { return bytes_.resize(bytes_.size() + 16), bytes_; }  // the look-ahead's room

 private:
  Bytes bytes_;
  uint64_t bitCount_ = 0;
};

// Hands the stream out in small pieces, so that it crosses many refills of the reader.
class PieceSource final : public PackedSource {
 public:
  explicit PieceSource(const Bytes& bytes) : bytes_(bytes) {}
  uint32_t ReadPacked(uint8_t* destination, uint32_t count) override {
    const uint32_t n = uint32_t(std::min<size_t>({count, 1000, bytes_.size() - at_}));
    std::copy_n(bytes_.begin() + ptrdiff_t(at_), n, destination);
    at_ += n;
    return n;
  }

 private:
  const Bytes& bytes_;
  size_t at_ = 0;
};

// The format byte by byte: a window of zeros, and every match copied one byte at a time.
struct Model {
  std::vector<uint8_t> window = std::vector<uint8_t>(Unpacker::kWindowSize, 0);
  uint32_t position = 0;
  std::array<uint32_t, 4> recent{};
  uint32_t recentCount = 0, lastLength = 0, lastDistance = 0;
  Bytes output;

  void Literal(uint8_t byte) {
    window[position] = byte;
    position = (position + 1) & Unpacker::kWindowMask;
    output.push_back(byte);
  }
  void Copy(uint32_t length, uint32_t distance) {
    recent[recentCount++ & 3] = distance;
    lastLength = length;
    lastDistance = distance;
    for (uint32_t i = 0; i < length; ++i) {
      Literal(window[(position - distance) & Unpacker::kWindowMask]);
    }
  }
};

// Each side of every distance at which a match's length grows, and the whole window.
constexpr uint32_t kEdgeDistances[] = {0x100,   0x101,   0x1FFF,  0x2000,
                                       0x3FFFF, 0x40000, 0xFFFFF, Unpacker::kWindowSize};

// Writes a fresh LZ stream with flat codes (literal/length symbols 9 bits, distance slots 6,
// length slots 5; every code's value is its symbol) and random symbols of every kind, while
// the model decodes the same symbols.
Bytes RandomLzStream(std::mt19937& random, uint32_t symbols, Model& model) {
  using namespace rar20;
  BitWriter out;
  out.Put(0, 2);                                                            // LZ tables, not deltas
  for (int i = 0; i < kCodeLengthSymbols; ++i) out.Put(i < 16 ? 5 : 0, 4);  // code-length code
  for (int i = 0; i < kLiteralSymbols; ++i) out.Put(9, 5);
  for (int i = 0; i < kDistanceSymbols; ++i) out.Put(6, 5);
  for (int i = 0; i < kLengthSymbols; ++i) out.Put(5, 5);

  const auto extra = [&](uint32_t bits) {
    const uint32_t value = bits == 0 ? 0 : random() % (1u << bits);
    out.Put(value, bits);
    return value;
  };
  for (uint32_t n = 0; n < symbols; ++n) {
    const uint32_t kind = random() % 16;
    if (kind < 5 || model.output.empty()) {
      const uint8_t byte = uint8_t(random());
      out.Put(byte, 9);
      model.Literal(byte);
    } else if (kind < 10) {
      // Mostly short distances, where copies overlap, and now and then up to the whole window.
      const uint32_t code = random() % kLengthSymbols;
      out.Put(270 + code, 9);
      uint32_t length = kLengthBase[code] + 3 + extra(kLengthBits[code]);
      uint32_t slot = random() % 4 == 0 ? random() % kDistanceSymbols : random() % 20;
      uint32_t distance = 0;
      if (random() % 8 == 0) {  // a distance where the lengths or the copy change
        distance = kEdgeDistances[random() % std::size(kEdgeDistances)];
        for (slot = kDistanceSymbols - 1; kDistanceBase[slot] >= distance;) --slot;
        out.Put(slot, 6);
        out.Put(distance - kDistanceBase[slot] - 1, kDistanceBits[slot]);
      } else {
        out.Put(slot, 6);
        distance = kDistanceBase[slot] + 1 + extra(kDistanceBits[slot]);
      }
      length += (distance >= 0x2000) + (distance >= 0x40000);
      model.Copy(length, distance);
    } else if (kind < 11) {
      out.Put(256, 9);
      model.Copy(model.lastLength, model.lastDistance);
    } else if (kind < 13) {
      const uint32_t which = 1 + random() % 4;
      out.Put(256 + which, 9);
      const uint32_t distance = model.recent[(model.recentCount - which) & 3];
      const uint32_t code = random() % kLengthSymbols;
      out.Put(code, 5);
      const uint32_t length = kLengthBase[code] + 2 + extra(kLengthBits[code]) +
                              (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000);
      model.Copy(length, distance);
    } else {
      const uint32_t code = random() % 8;
      out.Put(261 + code, 9);
      model.Copy(2, kShortDistanceBase[code] + 1 + extra(kShortDistanceBits[code]));
    }
  }
  return out.Finish();
}

TEST(UnpackTest, MatchesCopyAsByteByByte) {
  // Long enough streams wrap the window, so that matches straddle its end. Each stream starts
  // afresh in the window the one before used: far matches early on must still read zeros.
  const struct {
    const char* what;
    uint32_t seed, symbols;
  } cases[] = {{"short", 1, 2'000},
               {"wraps the window", 2, 60'000},
               {"after a wrapped stream", 3, 2'000},
               {"wraps again", 4, 60'000}};
  auto unpacker = std::make_unique<Unpacker>();
  ASSERT_TRUE(unpacker->Ready());
  for (const auto& c : cases) {
    std::mt19937 random(c.seed);
    Model model;
    const Bytes stream = RandomLzStream(random, c.symbols, model);
    Bytes output(model.output.size());
    UnpackOutput sink{output.data(), uint32_t(output.size()), 0};
    PieceSource source(stream);
    ASSERT_TRUE(unpacker->UnpackEntry(source, 0, uint32_t(output.size()), sink)) << c.what;
    EXPECT_EQ(sink.size, output.size()) << c.what;
    const auto mismatch = std::mismatch(output.begin(), output.end(), model.output.begin());
    EXPECT_EQ(mismatch.first, output.end())
        << c.what << ": first difference at byte " << (mismatch.first - output.begin()) << " of "
        << output.size();
  }
}

uint32_t BitwiseCrc(const uint8_t* p, size_t n, uint32_t crc) {
  uint32_t c = ~crc;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

TEST(UnpackTest, CrcAgreesWithTheBitwiseDefinition) {
  const Bytes bytes = testing::RandomBytes(70'000, 6);
  // Every length around the wide path's thresholds, from odd offsets, continued from a CRC.
  for (size_t offset : {0, 1, 5, 15}) {
    for (size_t length : {0,   1,   7,   8,   9,   15,  16,  17,  63,  64,   255,
                          256, 257, 271, 272, 319, 320, 321, 336, 699, 4096, 65'553}) {
      ASSERT_EQ(Crc32({bytes.data() + offset, length}, 0x1234u),
                BitwiseCrc(bytes.data() + offset, length, 0x1234u))
          << offset << " " << length;
    }
  }
}

}  // namespace
}  // namespace solvane
