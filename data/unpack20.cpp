#include "data/unpack20.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

#include "data/rar20_format.h"

namespace solvane {

namespace {

// Format notes: the literal/length alphabet has 298 symbols. 0-255 are bytes; 256 repeats the
// last match; 257-260 reuse one of the four most recent distances (257 the newest) with a length
// from the length table; 261-268 are length-2 matches at short distances; 269 announces new code
// tables; 270-297 are matches whose length comes from `kLengthBase` and distance from the
// distance table. Longer distances earn longer minimum lengths, so the length coded is shorter
// by one for distances of 0x2000 and more and by two from 0x40000 on.
using rar20::kAudioSymbols;
using rar20::kDistanceBase;
using rar20::kDistanceBits;
using rar20::kLengthBase;
using rar20::kLengthBits;
using rar20::kShortDistanceBase;
using rar20::kShortDistanceBits;
constexpr uint32_t kLiteralSymbols = rar20::kLiteralSymbols;
constexpr uint32_t kDistanceSymbols = rar20::kDistanceSymbols;
constexpr uint32_t kLengthSymbols = rar20::kLengthSymbols;
constexpr uint32_t kBitLengthSymbols = rar20::kCodeLengthSymbols;
constexpr uint32_t kTableLengths = kLiteralSymbols + kDistanceSymbols + kLengthSymbols;

// Refill thresholds: each leaves room for the most bits one step can take.
constexpr uint32_t kRefillInLoop = 8162;
constexpr uint32_t kRefillAtTables = 8167;
constexpr uint32_t kRefillInTables = 8187;
// How far past its data a stream may read before it counts as corrupt: a valid stream ends
// within its last bytes, and the decoder looks at most 24 bits ahead.
constexpr uint64_t kOverrunBits = 256;

// The full search of a table for the code at the front of `bits` (16 bits, left-justified).
void SearchSymbol(const Unpacker::DecodeTable& table, uint32_t bits, uint32_t& length,
                  uint32_t& index) {
  bits &= 0xFFFE;
  length = 15;
  for (uint32_t i = 1; i < 15; ++i) {
    if (bits < table.limit[i]) {
      length = i;
      break;
    }
  }
  index = table.firstIndex[length] + ((bits - table.limit[length - 1]) >> (16 - length));
  if (index >= table.symbolCount) index = 0;
}

// Copies `length` (at least kBlock) bytes forward, as byte by byte would, when the source lies at
// least kBlock bytes back: blocks of kBlock bytes, the last one ending exactly at the match's
// end (overlapping the one before), so no byte past the match is written; those still hold
// history a later match may reach.
template <uint32_t kBlock>
void CopyBlocks(uint8_t* to, const uint8_t* from, uint32_t length) {
  for (uint32_t i = 0; i + kBlock < length; i += kBlock) std::memcpy(to + i, from + i, kBlock);
  std::memcpy(to + length - kBlock, from + length - kBlock, kBlock);
}

// Fills `count` bytes unless the source runs out first: the reader takes a short buffer for the
// end of the data, so a source that hands its bytes out in pieces must not look like one.
uint32_t ReadFully(PackedSource& source, uint8_t* destination, uint32_t count) {
  uint32_t filled = 0;
  while (filled < count) {
    const uint32_t read = source.ReadPacked(destination + filled, count - filled);
    if (read == 0) break;
    filled += read;
  }
  return filled;
}

}  // namespace

uint32_t SearchDecodeTable(const Unpacker::DecodeTable& table, uint32_t bits, uint32_t& length) {
  uint32_t index;
  SearchSymbol(table, bits, length, index);
  return table.symbols[index];
}

void BuildDecodeTable(const uint8_t* lengths, uint32_t symbolCount, Unpacker::DecodeTable& table) {
  std::array<uint32_t, 16> count{};
  for (uint32_t i = 0; i < symbolCount; ++i) ++count[lengths[i] & 0xF];
  count[0] = 0;

  std::array<uint32_t, 16> nextSlot{};
  table.limit[0] = 0;
  table.firstIndex[0] = 0;
  // 64 bits: an over-subscribed code doubles past 32 bits before the limits saturate.
  uint64_t codes = 0;
  for (uint32_t i = 1; i < 16; ++i) {
    codes = std::min<uint64_t>(2 * (codes + count[i]), uint64_t{1} << 40);
    table.limit[i] = uint32_t(std::min<uint64_t>(codes << (15 - i), 0xFFFF));
    table.firstIndex[i] = table.firstIndex[i - 1] + count[i - 1];
    nextSlot[i] = table.firstIndex[i];
  }
  table.symbols.fill(0);
  for (uint32_t symbol = 0; symbol < symbolCount; ++symbol) {
    const uint32_t length = lengths[symbol] & 0xF;
    if (length != 0) table.symbols[nextSlot[length]++] = uint16_t(symbol);
  }
  table.symbolCount = symbolCount;

  // The quick table holds a prefix only when every 16-bit value starting with it decodes the
  // same way, so it never changes a result, whatever the code looks like. The full search takes
  // the first length whose limit lies above the value, and the limits never decrease, so the
  // lowest and highest values under a prefix agree on the length exactly when every value
  // between does; and a code of at most kQuickBits bits starts at a multiple of its own span, so
  // one length then means one symbol, for the whole span of that code: it is filled at once.
  // A prefix that is not settled lies wholly outside the next code's span, so the pass always
  // meets a code at its start. Both ends only move up: one pass finds them.
  constexpr uint32_t kQuickBits = Unpacker::DecodeTable::kQuickBits;
  constexpr uint32_t kShift = 16 - kQuickBits;
  uint32_t lowLength = 1, highLength = 1;
  for (uint32_t prefix = 0; prefix < table.quick.size();) {
    const uint32_t low = (prefix << kShift) & 0xFFFE;
    const uint32_t high = ((prefix << kShift) | ((1u << kShift) - 1)) & 0xFFFE;
    while (lowLength < 15 && low >= table.limit[lowLength]) ++lowLength;
    while (highLength < 15 && high >= table.limit[highLength]) ++highLength;
    if (lowLength != highLength || lowLength > kQuickBits) {
      table.quick[prefix++] = 0;
      continue;
    }
    uint32_t index =
        table.firstIndex[lowLength] + ((low - table.limit[lowLength - 1]) >> (16 - lowLength));
    if (index >= table.symbolCount) index = 0;
    const uint32_t span = 1u << (kQuickBits - lowLength);
    std::fill_n(table.quick.begin() + prefix, span, (lowLength << 24) | table.symbols[index]);
    prefix += span;
  }
}

Unpacker::Unpacker() : window_(new (std::nothrow) uint8_t[kWindowSize]) {}

// The next 16 bits, most significant first. One 32-bit load covers them from any bit position;
// the buffer's slack keeps the load inside it.
uint32_t Unpacker::PeekBits() const {
  uint32_t word;
  std::memcpy(&word, buffer_.data() + bytePos_, sizeof(word));
  if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap32(word);
  return (word << bitPos_) >> 16;
}

void Unpacker::SkipBits(uint32_t count) {
  bitPos_ += count;
  bytePos_ += bitPos_ >> 3;
  bitPos_ &= 7;
}

uint32_t Unpacker::ReadBits(uint32_t count) {
  if (count == 0) return 0;
  const uint32_t value = PeekBits() >> (16 - count);
  SkipBits(count);
  return value;
}

bool Unpacker::Overrun() const {
  return (bitsConsumed_ + uint64_t(bytePos_) * 8 + bitPos_) > bitsLoaded_ + kOverrunBits;
}

// Keeps the last 32 bytes (the bit reader may still be inside them) and reads new data after.
void Unpacker::Refill() {
  std::memmove(buffer_.data(), buffer_.data() + kBufferSize - kSlack, kSlack);
  bitsConsumed_ += uint64_t(bytePos_ - (bytePos_ & (kSlack - 1))) * 8;
  bytePos_ &= kSlack - 1;
  const uint32_t read = ReadFully(*source_, buffer_.data() + kSlack, kBufferSize - kSlack);
  bitsLoaded_ += uint64_t(read) * 8;
  packedFill_ = read != 0 ? read + kSlack : bytePos_;
}

uint32_t Unpacker::DecodeSymbol(const DecodeTable& table) {
  const uint32_t bits = PeekBits();
  if (const uint32_t quick = table.quick[bits >> (16 - DecodeTable::kQuickBits)]) {
    SkipBits(quick >> 24);
    return quick & 0xFFFF;
  }
  uint32_t length;
  const uint32_t symbol = SearchDecodeTable(table, bits, length);
  SkipBits(length);
  return symbol;
}

void Unpacker::Reset(bool continuing) {
  bytePos_ = 0;
  bitPos_ = 0;
  bitsConsumed_ = 0;
  bitsLoaded_ = 0;
  corrupt_ = false;
  if (continuing) return;
  audio_.Reset();
  recentDistances_.fill(0);
  recentCount_ = 0;
  previousDistance_ = 0;
  previousLength_ = 0;
  audioChannel_ = 0;
  windowWrapped_ = false;
  previousLengths_.fill(0);
  windowPos_ = 0;
  flushedPos_ = 0;
}

// Format notes: a table header is two bits (0x8000 multimedia, 0x4000 lengths are deltas to the
// previous table's, modulo 16), two more bits with the channel count in multimedia mode, then
// 19 four-bit lengths of the code-length code, then the code lengths in that code: 0-15 a
// length, 16 repeats the previous length 3-6 times, 17 writes 3-10 zeros, 18 writes 11-138.
bool Unpacker::ReadCodeTables() {
  if (bytePos_ > kRefillAtTables) Refill();
  const uint32_t header = PeekBits();
  audioMode_ = (header & 0x8000) != 0;
  if (!(header & 0x4000)) previousLengths_.fill(0);
  SkipBits(2);

  uint32_t total = kTableLengths;
  if (audioMode_) {
    audioChannels_ = ((header >> 12) & 3) + 1;
    if (audioChannel_ >= audioChannels_) audioChannel_ = 0;
    SkipBits(2);
    total = kAudioSymbols * audioChannels_;
  }

  std::array<uint8_t, kBitLengthSymbols> bitLengths{};
  for (uint8_t& length : bitLengths) length = uint8_t(ReadBits(4));
  BuildDecodeTable(bitLengths.data(), kBitLengthSymbols, bitLengthTable_);

  std::array<uint8_t, 1028> lengths{};
  for (uint32_t i = 0; i < total;) {
    if (bytePos_ > kRefillInTables) {
      Refill();
      if (Overrun()) return false;
    }
    const uint32_t symbol = DecodeSymbol(bitLengthTable_);
    if (symbol < 16) {
      lengths[i] = uint8_t((symbol + previousLengths_[i]) & 0xF);
      ++i;
    } else if (symbol == 16) {
      if (i == 0) return false;  // nothing to repeat
      uint32_t repeat = (PeekBits() >> 14) + 3;
      SkipBits(2);
      for (; repeat > 0 && i < total; --repeat, ++i) lengths[i] = lengths[i - 1];
    } else {
      uint32_t zeros;
      if (symbol == 17) {
        zeros = (PeekBits() >> 13) + 3;
        SkipBits(3);
      } else {
        zeros = (PeekBits() >> 9) + 11;
        SkipBits(7);
      }
      for (; zeros > 0 && i < total; --zeros, ++i) lengths[i] = 0;
    }
  }

  if (audioMode_) {
    for (uint32_t c = 0; c < audioChannels_; ++c) {
      BuildDecodeTable(&lengths[c * kAudioSymbols], kAudioSymbols, audioTables_[c]);
    }
  } else {
    BuildDecodeTable(&lengths[0], kLiteralSymbols, literalTable_);
    BuildDecodeTable(&lengths[kLiteralSymbols], kDistanceSymbols, distanceTable_);
    BuildDecodeTable(&lengths[kLiteralSymbols + kDistanceSymbols], kLengthSymbols, lengthTable_);
  }
  previousLengths_ = lengths;
  return true;
}

void Unpacker::Flush() {
  windowPos_ &= kWindowMask;
  const uint32_t count = (windowPos_ - flushedPos_) & kWindowMask;
  if (output_->block != nullptr && count != 0) {
    if (uint64_t(output_->size) + count > output_->capacity) {
      remainingOutput_ = -1;  // more than the entry holds: the stream is wrong
    } else {
      const uint32_t first = std::min(count, kWindowSize - flushedPos_);
      std::memcpy(output_->block + output_->size, window_.get() + flushedPos_, first);
      std::memcpy(output_->block + output_->size + first, window_.get(), count - first);
      output_->size += count;
    }
  }
  flushedPos_ = windowPos_;
}

// The LZ and audio loops read through a 64-bit buffer, topped up once per symbol with one 8-byte
// load: after a top-up it holds at least 56 bits, more than the longest symbol takes (a 15-bit
// code, 5 length bits, a 15-bit distance code and 16 distance bits). The loops keep it, and the
// window's positions, in locals: window stores through a byte pointer could otherwise alias
// every member and force reloads after each byte.
struct Unpacker::FastReader {
  const uint8_t* input;
  // Bytes before `loadPos` are in `buffer` or consumed; its top `count` bits are the next ones,
  // and the bits below them are zero or the bits that follow.
  uint64_t buffer = 0;
  uint32_t count = 0;
  uint32_t loadPos = 0;

  FastReader(const uint8_t* bytes, uint32_t bytePos, uint32_t bitPos) : input(bytes) {
    Start(bytePos, bitPos);
  }
  void Start(uint32_t bytePos, uint32_t bitPos) {
    loadPos = bytePos;
    buffer = 0;
    count = 0;
    TopUp();
    Skip(bitPos);
  }
  void TopUp() {
    uint64_t word;
    std::memcpy(&word, input + loadPos, sizeof(word));
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    buffer |= word >> count;
    loadPos += (63 - count) >> 3;
    count |= 56;
  }
  void Skip(uint32_t bits) {
    buffer <<= bits;
    count -= bits;
  }
  uint32_t ConsumedBits() const { return loadPos * 8 - count; }
  // `bits` bits (0-16) as a number; the shift in two steps keeps a count of 0 defined.
  uint32_t Bits(uint32_t bits) {
    const uint32_t value = uint32_t((buffer >> 1) >> (63 - bits));
    Skip(bits);
    return value;
  }
  uint32_t Decode(const DecodeTable& table) {
    const uint32_t quick = table.quick[buffer >> (64 - DecodeTable::kQuickBits)];
    if (quick != 0) [[likely]] {
      Skip(quick >> 24);
      return quick & 0xFFFF;
    }
    uint32_t length;
    const uint32_t symbol = SearchDecodeTable(table, uint32_t(buffer >> 48), length);
    Skip(length);
    return symbol;
  }
};

// What both decoding loops keep in locals while they run, and the checks at the top of each of
// their steps; Save hands it back to the unpacker.
struct Unpacker::LoopState {
  Unpacker& unpacker;
  uint8_t* const window;
  uint32_t windowPos, flushedPos;
  bool wrapped;
  int64_t remaining;
  FastReader reader;

  explicit LoopState(Unpacker& u)
      : unpacker(u),
        window(u.window_.get()),
        windowPos(u.windowPos_),
        flushedPos(u.flushedPos_),
        wrapped(u.windowWrapped_),
        remaining(u.remainingOutput_),
        reader(u.buffer_.data(), u.bytePos_, u.bitPos_) {}

  // Literals and in-window copies may leave the position at the window's end.
  void Wrap() {
    if (windowPos == kWindowSize) [[unlikely]] {
      windowPos = 0;
      wrapped = true;
    }
  }
  void Save() {
    Wrap();
    unpacker.bytePos_ = reader.ConsumedBits() >> 3;
    unpacker.bitPos_ = reader.ConsumedBits() & 7;
    unpacker.windowPos_ = windowPos;
    unpacker.windowWrapped_ = wrapped;
    unpacker.remainingOutput_ = remaining;
  }
  // Before each symbol: input read ahead and room in the window for the longest match. False
  // when the input is overrun.
  bool Prepare() {
    Wrap();
    // Without a refill the reader cannot get far: every check can wait for the next one.
    if ((reader.ConsumedBits() >> 3) > kRefillInLoop) [[unlikely]] {
      Save();
      unpacker.Refill();
      if (unpacker.Overrun()) return false;
      reader.Start(unpacker.bytePos_, unpacker.bitPos_);
    }
    if (((flushedPos - windowPos) & kWindowMask) < 270 && flushedPos != windowPos) [[unlikely]] {
      Save();
      unpacker.Flush();
      flushedPos = unpacker.flushedPos_;
      remaining = unpacker.remainingOutput_;
    }
    reader.TopUp();
    return true;
  }
};

// Returns 0 when the entry's output is complete, 1 at a table switch (symbol 269), -1 on a
// corrupt stream.
int Unpacker::DecodeLzBlock() {
  LoopState state(*this);
  uint8_t* const window = state.window;
  uint32_t& windowPos = state.windowPos;
  bool& wrapped = state.wrapped;
  int64_t& remaining = state.remaining;
  FastReader& reader = state.reader;
  const auto bits = [&](uint32_t count) { return reader.Bits(count); };
  const auto decode = [&](const DecodeTable& table) { return reader.Decode(table); };
  const auto copy = [&](uint32_t length, uint32_t distance) {
    recentDistances_[recentCount_ & 3] = distance;
    ++recentCount_;
    previousDistance_ = distance;
    previousLength_ = length;
    remaining -= length;
    uint32_t from = (windowPos - distance) & kWindowMask;
    // Until the window first fills, only the bytes before the position are written: those from
    // it on read as zeros (a fresh window's), which leaves them to the careful path below, as
    // are distances of 0 (recent distances start as 0) and those within a match's length of the
    // whole window, whose source lies just ahead and would be overwritten before it is read.
    if ((distance - 1 < windowPos || wrapped) &&
        std::max(from, windowPos) + length <= kWindowSize && distance - 1 < kWindowSize - length)
        [[likely]] {
      // Forward, as byte by byte: an overlapping match repeats its bytes.
      uint8_t* const to = window + windowPos;
      const uint8_t* const source = window + from;
      windowPos += length;
      if (length >= 16 && distance >= 16) {
        CopyBlocks<16>(to, source, length);
      } else if (length >= 8 && distance >= 8) {
        CopyBlocks<8>(to, source, length);
      } else if (length >= 4 && distance >= 4) {
        CopyBlocks<4>(to, source, length);
      } else {
        for (uint32_t i = 0; i < length; ++i) to[i] = source[i];
      }
      return;
    }
    for (; length > 0; --length) {
      window[windowPos] = wrapped || from < windowPos ? window[from] : 0;
      windowPos = (windowPos + 1) & kWindowMask;
      from = (from + 1) & kWindowMask;
      if (windowPos == 0) wrapped = true;
    }
  };

  while (remaining >= 0) {
    if (!state.Prepare()) return -1;

    const uint32_t symbol = decode(literalTable_);
    if (symbol < 256) {
      window[windowPos++] = uint8_t(symbol);
      --remaining;
      continue;
    }
    // Every match goes through the one copy below, so that it is inlined once.
    uint32_t length, distance;
    if (symbol >= 270) {
      const uint32_t code = symbol - 270;
      length = kLengthBase[code] + 3 + bits(kLengthBits[code]);
      const uint32_t d = decode(distanceTable_);
      distance = kDistanceBase[d] + 1 + bits(kDistanceBits[d]);
      if (distance >= 0x2000) ++length;
      if (distance >= 0x40000) ++length;
    } else if (symbol == 269) {
      state.Save();
      return 1;
    } else if (symbol == 256) {
      length = previousLength_;
      distance = previousDistance_;
    } else if (symbol < 261) {
      distance = recentDistances_[(recentCount_ - (symbol - 256)) & 3];
      const uint32_t code = decode(lengthTable_);
      length = kLengthBase[code] + 2 + bits(kLengthBits[code]);
      if (distance >= 0x101) ++length;
      if (distance >= 0x2000) ++length;
      if (distance >= 0x40000) ++length;
    } else {
      const uint32_t code = symbol - 261;
      length = 2;
      distance = kShortDistanceBase[code] + 1 + bits(kShortDistanceBits[code]);
    }
    copy(length, distance);
  }
  state.Save();
  return 0;
}

// The multimedia loop: one symbol per byte, a delta for the channel's predictor, or 256 for new
// tables. Returns 0 when the entry's output is complete, 1 at a table switch, -1 on a corrupt
// stream.
int Unpacker::DecodeAudioBlock() {
  LoopState state(*this);
  uint32_t channel = audioChannel_;
  const uint32_t channels = audioChannels_;
  int result = 0;
  while (state.remaining >= 0) {
    if (!state.Prepare()) return -1;
    const uint32_t symbol = state.reader.Decode(audioTables_[channel]);
    if (symbol == 256) {
      result = 1;
      break;
    }
    state.window[state.windowPos++] = audio_.Take(channel, audio_.Predict(channel), symbol);
    if (++channel == channels) channel = 0;
    --state.remaining;
  }
  state.Save();
  audioChannel_ = channel;
  return result;
}

bool Unpacker::UnpackEntry(PackedSource& source, uint16_t entryFlags, uint32_t unpackedSize,
                           UnpackOutput& output) {
  source_ = &source;
  output_ = &output;
  const bool continuing = (entryFlags & kEntryContinuesStream) != 0;
  Reset(continuing);
  const uint32_t read = ReadFully(source, buffer_.data(), kBufferSize);
  bitsLoaded_ = uint64_t(read) * 8;
  packedFill_ = read;
  bytePos_ = 0;
  if (!continuing && !ReadCodeTables()) return false;

  remainingOutput_ = int64_t(unpackedSize) - 1;
  while (remainingOutput_ >= 0) {
    const int result = audioMode_ ? DecodeAudioBlock() : DecodeLzBlock();
    if (result < 0 || (result > 0 && !ReadCodeTables())) return false;
  }

  // Tables announced right after the last symbol belong to the next entry of a solid stream.
  if (packedFill_ >= bytePos_ + 5) {
    if (audioMode_) {
      if (DecodeSymbol(audioTables_[audioChannel_]) == 256 && !ReadCodeTables()) return false;
    } else if (DecodeSymbol(literalTable_) == 269 && !ReadCodeTables()) {
      return false;
    }
  }
  Flush();
  return true;
}

}  // namespace solvane
