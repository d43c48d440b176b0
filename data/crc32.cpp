#include "data/crc32.h"

#include <array>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SOLVANE_CRC32_FOLDING 1
#include <immintrin.h>
#endif

namespace solvane {

namespace {

// Eight tables: table k gives the CRC of a byte followed by k zero bytes, so eight input bytes
// can be folded in with eight independent lookups ("slicing by eight").
constexpr std::array<std::array<uint32_t, 256>, 8> MakeTables() {
  std::array<std::array<uint32_t, 256>, 8> tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i) {
    for (size_t k = 1; k < 8; ++k) {
      tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
    }
  }
  return tables;
}

constexpr auto kTables = MakeTables();

// The register (not complemented) after `bytes`.
uint32_t TableRegister(const uint8_t* p, size_t n, uint32_t c) {
  for (; n >= 8; p += 8, n -= 8) {
    const uint32_t low =
        c ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    c = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
        kTables[4][low >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
        kTables[0][p[7]];
  }
  for (; n > 0; ++p, --n) c = kTables[0][(c ^ *p) & 0xFF] ^ (c >> 8);
  return c;
}

#ifdef SOLVANE_CRC32_FOLDING

__attribute__((target("pclmul,sse4.1"))) inline __m128i Load(const uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// `lane` times the two constants (its low half by the low one, its high half by the high one),
// added to `next`: the lane moved forward by the distance the constants stand for.
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i lane, __m128i constants,
                                                             __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
  const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
  return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// Carry-less multiplication folds four 16-byte lanes at a time, 64 bytes ahead, into the
// register, then the lanes into one, and a Barrett reduction gives the 32-bit remainder. The
// constants are powers of x modulo the (bit-reflected) polynomial: x^(4*128+32) and
// x^(4*128-32) for the 64-byte fold, x^(128+32) and x^(128-32) for the 16-byte one, x^64 for
// the last 64 bits, and the polynomial with its Barrett quotient. `n` is at least 64 and a
// multiple of 16.
__attribute__((target("pclmul,sse4.1"))) uint32_t FoldedRegister(const uint8_t* p, size_t n,
                                                                 uint32_t c) {
  const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
  const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
  const __m128i polynomial = _mm_set_epi64x(0x01f7011641, 0x01db710641);
  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(int(c)));
  __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
  p += 64;
  n -= 64;
  for (; n >= 64; p += 64, n -= 64) {
    x1 = Fold(x1, k1k2, Load(p));
    x2 = Fold(x2, k1k2, Load(p + 16));
    x3 = Fold(x3, k1k2, Load(p + 32));
    x4 = Fold(x4, k1k2, Load(p + 48));
  }
  x1 = Fold(x1, k3k4, x2);
  x1 = Fold(x1, k3k4, x3);
  x1 = Fold(x1, k3k4, x4);
  for (; n >= 16; p += 16, n -= 16) x1 = Fold(x1, k3k4, Load(p));

  // 128 bits to 64, then to 32 by Barrett reduction.
  const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 4),
                     _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00));
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), polynomial, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), polynomial, 0x00);
  return uint32_t(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}

bool CanFold() {
  static const bool supported =
      __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return supported;
}

#endif

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc) {
  uint32_t c = ~crc;
  const uint8_t* p = bytes.data();
  size_t n = bytes.size();
#ifdef SOLVANE_CRC32_FOLDING
  // Short inputs are not worth the setup; the tail under 16 bytes goes through the tables.
  if (n >= 256 && CanFold()) {
    const size_t folded = n & ~size_t(15);
    c = FoldedRegister(p, folded, c);
    p += folded;
    n -= folded;
  }
#endif
  return ~TableRegister(p, n, c);
}

}  // namespace solvane
