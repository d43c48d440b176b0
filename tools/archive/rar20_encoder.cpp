#include "tools/archive/rar20_encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "data/audio_predictor.h"
#include "data/rar20_format.h"

namespace solvane {

namespace {

// Format notes (RAR 2.0 method):
// - The packed data is one bit stream per entry, read most significant bit first, starting at
//   the entry's first byte; the last byte is padded with zero bits.
// - The unpacker's window is 1 MiB and distances count back from the next byte to write.
// - Each table set starts with a header: a bit for multimedia, a bit that makes the new code
//   lengths differences (mod 16) to the previous set's, for multimedia two bits of channels - 1,
//   nineteen 4-bit lengths of the code-length code, then the code lengths sent with that code.
//   LZ sets carry 298 + 48 + 28 lengths (main, distance, length tables) as one sequence,
//   multimedia sets 257 per channel.
// - Codes are canonical: shorter codes first, codes of equal length in symbol order, lengths of
//   at most 15 bits.
// - The first entry of a stream reads a table header at once; later ones switch tables only
//   through the table symbol (269, or 256 in multimedia). After an entry's last byte the
//   unpacker decodes one more symbol when at least 5 packed bytes are left.

constexpr int kMainSymbols = rar20::kLiteralSymbols;
constexpr int kDistanceSymbols = rar20::kDistanceSymbols;
constexpr int kLengthSymbols = rar20::kLengthSymbols;
constexpr int kLzLengths = kMainSymbols + kDistanceSymbols + kLengthSymbols;
constexpr int kAudioSymbols = rar20::kAudioSymbols;
constexpr int kMaxTableLengths = 4 * kAudioSymbols;
constexpr int kCodeLengthSymbols = rar20::kCodeLengthSymbols;
constexpr int kMaxCodeLength = 15;

constexpr int kRepeatLastSymbol = 256;
constexpr int kRecentSymbol = 257;  // 257..260: the 1st..4th most recent distance
constexpr int kShortSymbol = 261;   // 261..268: length 2, distance up to 256
constexpr int kNewTablesSymbol = 269;
constexpr int kMatchSymbol = 270;  // 270..297: length slot of a match with a coded distance
constexpr int kAudioNewTablesSymbol = 256;

constexpr uint32_t kWindowSize = 0x100000;
constexpr uint32_t kWindowMask = kWindowSize - 1;
// A distance of the full window would name the byte about to be overwritten, which only an
// unpacker that reads before it writes gets right; one less is safe everywhere.
constexpr uint32_t kMaxDistance = kWindowSize - 1;

// Zero bits after the last symbol. Some unpackers fetch input ahead of the symbol they decode
// and give up when the entry's data runs out, so a stream must not end right after its last
// code; it must also leave fewer than 5 bytes, or the unpacker's check for a table switch after
// the entry would read the padding as a symbol.
constexpr int kTrailingBits = 16;

constexpr size_t kBlockItems = 0x10000;  // symbols per table set at most
constexpr int kMaxHashBits = 20;         // the 3-byte hash table has up to 2^20 heads
constexpr int kMaxChain = 48;            // candidates tried per position
constexpr int kNiceLength = 128;         // a match this long ends the search
constexpr int kLazyLimit = 64;           // shorter matches are checked against one at the next byte
constexpr size_t kTrustedCostSamples = 4096;  // symbols a block needs for its costs to count

using rar20::kDistanceBase;
using rar20::kDistanceBits;
using rar20::kLengthBase;
using rar20::kLengthBits;
constexpr const auto& kShortBase = rar20::kShortDistanceBase;
constexpr const auto& kShortBits = rar20::kShortDistanceBits;

constexpr std::array<uint8_t, 256> MakeSlots(const uint8_t* base, int count) {
  std::array<uint8_t, 256> slots{};
  int slot = 0;
  for (int value = 0; value < 256; ++value) {
    while (slot + 1 < count && base[slot + 1] <= value) ++slot;
    slots[size_t(value)] = uint8_t(slot);
  }
  return slots;
}

constexpr std::array<uint8_t, 256> kLengthSlot = MakeSlots(kLengthBase.data(), 28);
constexpr std::array<uint8_t, 256> kShortSlot = MakeSlots(kShortBase.data(), 8);

// Slot of a coded distance (distance - 1): two slots per power of two up to 0x20000, then one
// slot per 0x10000.
int DistanceSlot(uint32_t value) {
  if (value < 4) return int(value);
  if (value >= 0x20000) return 34 + int((value - 0x20000) >> 16);
  const int top = std::bit_width(value) - 1;
  return 2 * top + int((value >> (top - 1)) & 1);
}

// A new match of a far distance is sent one shorter (two from 0x40000), so it must be longer.
uint32_t MatchBonus(uint32_t distance) {
  return uint32_t(distance >= 0x2000) + uint32_t(distance >= 0x40000);
}

// A match with a recent distance also gets one for distances above 0x100.
uint32_t RecentBonus(uint32_t distance) {
  return uint32_t(distance > 0x100) + MatchBonus(distance);
}

class BitWriter {
 public:
  void Put(uint32_t value, int count) {
    if (count == 0) return;
    pending = (pending << count) | (value & ((1u << count) - 1));
    pendingBits += count;
    while (pendingBits >= 8) {
      pendingBits -= 8;
      bytes.push_back(uint8_t(pending >> pendingBits));
    }
  }
  // The bytes written, the last one filled up with zero bits; the writer starts afresh.
  std::vector<uint8_t> Finish() {
    if (pendingBits > 0) bytes.push_back(uint8_t(pending << (8 - pendingBits)));
    std::vector<uint8_t> result = std::move(bytes);
    *this = {};
    return result;
  }

 private:
  std::vector<uint8_t> bytes;
  uint64_t pending = 0;
  int pendingBits = 0;
};

// Optimal code lengths of at most kMaxCodeLength bits (package-merge); 0 for unused symbols.
// A single used symbol gets a partner, so that every code in use is complete.
void BuildCodeLengths(std::span<const uint32_t> freq, std::span<uint8_t> lengths) {
  std::fill(lengths.begin(), lengths.end(), uint8_t(0));
  std::vector<int> leaves;
  for (size_t i = 0; i < freq.size(); ++i) {
    if (freq[i] != 0) leaves.push_back(int(i));
  }
  if (leaves.empty()) return;
  if (leaves.size() == 1) {
    lengths[size_t(leaves[0])] = 1;
    lengths[leaves[0] == 0 ? 1 : 0] = 1;
    return;
  }
  std::sort(leaves.begin(), leaves.end(), [&](int a, int b) {
    return freq[size_t(a)] != freq[size_t(b)] ? freq[size_t(a)] < freq[size_t(b)] : a < b;
  });
  const size_t n = leaves.size();
  std::vector<uint64_t> leafWeight(n);
  for (size_t i = 0; i < n; ++i) leafWeight[i] = freq[size_t(leaves[i])];

  // isLeaf[depth - 1]: the merged list for that depth, deepest built first; only whether each
  // item is a leaf is kept, since the chosen items of every list form a prefix of it.
  std::vector<std::vector<uint8_t>> isLeaf(kMaxCodeLength);
  std::vector<uint64_t> list = leafWeight;
  isLeaf[kMaxCodeLength - 1].assign(n, 1);
  for (int depth = kMaxCodeLength - 1; depth >= 1; --depth) {
    std::vector<uint64_t> merged;
    std::vector<uint8_t>& kinds = isLeaf[size_t(depth - 1)];
    const size_t packages = list.size() / 2;
    size_t leaf = 0;
    size_t package = 0;
    while (leaf < n || package < packages) {
      const uint64_t packageWeight = package < packages ? list[2 * package] + list[2 * package + 1]
                                                        : std::numeric_limits<uint64_t>::max();
      if (leaf < n && leafWeight[leaf] <= packageWeight) {
        merged.push_back(leafWeight[leaf++]);
        kinds.push_back(1);
      } else {
        merged.push_back(packageWeight);
        kinds.push_back(0);
        ++package;
      }
    }
    list = std::move(merged);
  }
  size_t take = 2 * n - 2;
  for (size_t depth = 0; depth < size_t(kMaxCodeLength) && take > 0; ++depth) {
    size_t leavesTaken = 0;
    for (size_t i = 0; i < take; ++i) leavesTaken += isLeaf[depth][i];
    for (size_t i = 0; i < leavesTaken; ++i) ++lengths[size_t(leaves[i])];
    take = 2 * (take - leavesTaken);
  }
}

// Canonical codes for `lengths`, as the unpacker's tables assign them.
void AssignCodes(std::span<const uint8_t> lengths, std::span<uint16_t> codes) {
  std::array<uint32_t, kMaxCodeLength + 1> count{};
  for (uint8_t length : lengths) ++count[length];
  count[0] = 0;
  std::array<uint32_t, kMaxCodeLength + 1> next{};
  uint32_t code = 0;
  for (int length = 1; length <= kMaxCodeLength; ++length) {
    code = (code + count[size_t(length - 1)]) << 1;
    next[size_t(length)] = code;
  }
  for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
    codes[symbol] = lengths[symbol] ? uint16_t(next[lengths[symbol]]++) : 0;
  }
}

// A prefix code of up to 298 symbols: each symbol's length and its code of that many bits.
struct PrefixCode {
  std::array<uint8_t, kMainSymbols> length{};
  std::array<uint16_t, kMainSymbols> code{};
};

void Write(BitWriter& out, const PrefixCode& prefixCode, uint32_t symbol) {
  out.Put(prefixCode.code[symbol], prefixCode.length[symbol]);
}

// A code-length symbol: 0..15 is added to the previous set's length mod 16; 16 repeats the
// length before it 3..6 times, 17 writes 3..10 zeros, 18 writes 11..138 zeros.
struct LengthToken {
  uint8_t symbol;
  uint8_t extra;
};

constexpr std::array<uint8_t, kCodeLengthSymbols> kLengthTokenBits = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                                      0, 0, 0, 0, 0, 0, 2, 3, 7};

// With keepUnchanged, a length equal to its base is always sent as a plain 0, which costs little
// when most lengths stay as they were.
std::vector<LengthToken> TokenizeLengths(std::span<const uint8_t> lengths,
                                         std::span<const uint8_t> base, bool keepUnchanged) {
  const size_t n = lengths.size();
  auto unchanged = [&](size_t i) { return keepUnchanged && lengths[i] == base[i]; };
  std::vector<LengthToken> tokens;
  size_t i = 0;
  while (i < n) {
    if (!unchanged(i)) {
      // Repeats never start at the first length: there is no length before it to copy.
      const bool zero = lengths[i] == 0;
      if (zero || (i > 0 && lengths[i] == lengths[i - 1])) {
        size_t run = 0;
        while (i + run < n && lengths[i + run] == lengths[i] && !unchanged(i + run)) ++run;
        if (zero && run >= 11) {
          const size_t count = std::min<size_t>(run, 138);
          tokens.push_back({18, uint8_t(count - 11)});
          i += count;
          continue;
        }
        if (zero && run >= 3) {
          const size_t count = std::min<size_t>(run, 10);
          tokens.push_back({17, uint8_t(count - 3)});
          i += count;
          continue;
        }
        if (!zero && run >= 3) {
          const size_t count = std::min<size_t>(run, 6);
          tokens.push_back({16, uint8_t(count - 3)});
          i += count;
          continue;
        }
      }
    }
    tokens.push_back({uint8_t((lengths[i] - base[i]) & 15), 0});
    ++i;
  }
  return tokens;
}

// A table header ready to write, and its size.
struct TableHeader {
  bool delta = false;
  std::vector<LengthToken> tokens;
  std::array<uint8_t, kCodeLengthSymbols> codeLengths{};
  std::array<uint16_t, kCodeLengthSymbols> codes{};
  uint64_t bits = 0;
};

TableHeader PrepareHeader(bool audio, std::span<const uint8_t> lengths,
                          std::span<const uint8_t> previous, bool deltaAllowed) {
  static constexpr std::array<uint8_t, kMaxTableLengths> kZeros{};
  TableHeader best;
  bool haveBest = false;
  for (int variant = 0; variant < (deltaAllowed ? 3 : 1); ++variant) {
    TableHeader header;
    header.delta = variant > 0;
    header.tokens = TokenizeLengths(
        lengths, header.delta ? previous : std::span<const uint8_t>(kZeros).first(lengths.size()),
        variant == 2);
    std::array<uint32_t, kCodeLengthSymbols> freq{};
    for (const LengthToken& token : header.tokens) ++freq[token.symbol];
    BuildCodeLengths(freq, header.codeLengths);
    AssignCodes(header.codeLengths, header.codes);
    header.bits = 2 + (audio ? 2 : 0) + 4 * kCodeLengthSymbols;
    for (int s = 0; s < kCodeLengthSymbols; ++s) {
      header.bits +=
          uint64_t(freq[size_t(s)]) * (header.codeLengths[size_t(s)] + kLengthTokenBits[size_t(s)]);
    }
    if (!haveBest || header.bits < best.bits) {
      best = std::move(header);
      haveBest = true;
    }
  }
  return best;
}

void WriteHeader(BitWriter& out, const TableHeader& header, int audioChannels) {
  out.Put(audioChannels > 0 ? 1 : 0, 1);
  out.Put(header.delta ? 1 : 0, 1);
  if (audioChannels > 0) out.Put(uint32_t(audioChannels - 1), 2);
  for (uint8_t length : header.codeLengths) out.Put(length, 4);
  for (const LengthToken& token : header.tokens) {
    out.Put(header.codes[token.symbol], header.codeLengths[token.symbol]);
    out.Put(token.extra, kLengthTokenBits[token.symbol]);
  }
}

// One coded step: a main-table symbol (or a multimedia delta), its extra bits, and for matches a
// second symbol (distance after 270..297, length after 257..260) with its extra bits.
struct Item {
  uint16_t symbol = 0;
  int16_t second = -1;  // multimedia: the channel
  uint8_t extraBits = 0;
  uint8_t secondBits = 0;
  uint16_t extra = 0;
  uint32_t secondExtra = 0;
};

enum class ChoiceKind { kLiteral, kRepeatLast, kRecent, kShort, kMatch };

struct Choice {
  ChoiceKind kind = ChoiceKind::kLiteral;
  uint32_t length = 1;
  uint32_t distance = 0;
  int recentIndex = 0;
  int32_t gain = 0;  // sixteenths of a bit saved against sending literals
};

}  // namespace

struct Rar20Encoder::State {
  int channels = 0;

  // Positions count bytes through all entries this encoder has seen, so that the match tables
  // never need clearing: whatever lies before streamStart belongs to an earlier stream.
  std::vector<uint8_t> history;  // history[0] is position historyStart
  uint64_t historyStart = 0;
  uint64_t streamStart = 0;
  uint64_t hashedUpTo = 0;
  int hashBits = 0;
  std::vector<int64_t> head3;  // last position of each 3-byte hash, -1 for none
  // Previous position of the same hash, by position mod window. Never read before it is
  // written: a chain only leads to positions inserted within the last window.
  std::unique_ptr<int64_t[]> chain;
  std::vector<int64_t> head2;  // last position of each byte pair

  // The unpacker's state.
  std::array<uint32_t, 4> recent{};
  uint32_t recentCount = 0;
  uint32_t lastDistance = 0;
  uint32_t lastLength = 0;
  std::array<uint8_t, kMaxTableLengths> previousLengths{};
  int previousKind = -1;  // channels of the previous table set (0: LZ), -1: none since reset
  bool haveTables = false;
  int tablesKind = 0;  // like previousKind, for the tables in force
  PrefixCode mainCode, distanceCode, lengthCode;
  std::array<PrefixCode, 4> audioCodes;
  rar20::AudioPredictor audio;
  int audioChannel = 0;

  // Estimated bit costs, from the last block's codes; a short block tells little, so the next
  // entry after it starts from estimates of its own.
  size_t costSamples = 0;
  std::array<uint8_t, kMainSymbols> mainCost{};
  std::array<uint8_t, kDistanceSymbols> distanceCost{};
  std::array<uint8_t, kLengthSymbols> lengthCost{};
  int32_t averageLiteral = 0;  // sixteenths of a bit

  std::vector<Item> items;
  BitWriter out;

  void Reset();
  void SizeHashTable(uint64_t streamSize);
  uint32_t Hash3(const uint8_t* bytes) const;
  void EncodeLz(uint64_t begin, uint64_t end);
  void EncodeAudio(uint64_t begin, uint64_t end);
  void InitCosts(uint64_t begin, uint64_t end);
  void InsertUpTo(uint64_t limit);
  uint32_t MatchLength(uint64_t position, uint32_t distance, uint32_t limit) const;
  Choice Find(uint64_t position, uint64_t end);
  void Consider(Choice& best, ChoiceKind kind, uint32_t length, uint32_t distance, int recentIndex);
  void EmitMatch(const Choice& choice);
  void Add(const Item& item);
  void FlushBlock();
  void FlushLzBlock();
  void FlushAudioBlock();
  void SwitchTables(const TableHeader& header, int kind, std::span<const uint8_t> lengths,
                    int nextChannel);
  uint8_t AudioDelta(uint8_t byte);
};

// A new stream: the unpacker's state as an entry without the solid flag leaves it.
void Rar20Encoder::State::Reset() {
  historyStart += history.size();
  history.clear();
  streamStart = historyStart;
  hashedUpTo = historyStart;
  recent = {};
  recentCount = 0;
  lastDistance = 0;
  lastLength = 0;
  previousLengths = {};
  previousKind = -1;
  haveTables = false;
  tablesKind = 0;
  audio.Reset();
  audioChannel = 0;
  costSamples = 0;
  items.clear();
}

Rar20Encoder::Rar20Encoder(int multimediaChannels) : state(std::make_unique<State>()) {
  state->channels = std::clamp(multimediaChannels, 0, 4);
  state->Reset();
}

Rar20Encoder::~Rar20Encoder() = default;

std::vector<uint8_t> Rar20Encoder::Encode(std::span<const uint8_t> data, bool continuing) {
  State& s = *state;
  if (!continuing) {
    s.Reset();
  } else if (s.history.size() > kWindowSize) {
    const size_t drop = s.history.size() - kWindowSize;
    s.history.erase(s.history.begin(), s.history.begin() + std::ptrdiff_t(drop));
    s.historyStart += drop;
  }
  const uint64_t begin = s.historyStart + s.history.size();
  s.history.insert(s.history.end(), data.begin(), data.end());
  const uint64_t end = begin + data.size();
  if (s.channels == 0) {
    s.SizeHashTable(end - s.streamStart);
    s.EncodeLz(begin, end);
  } else {
    s.EncodeAudio(begin, end);
  }
  s.FlushBlock();
  s.out.Put(0, kTrailingBits);
  return s.out.Finish();
}

// Costs for the first block, before any code exists: a byte costs about log2(total / count) bits
// of a sample (in integers, so that every platform makes the same archive), match symbols what
// they typically cost.
void Rar20Encoder::State::InitCosts(uint64_t begin, uint64_t end) {
  std::array<uint32_t, 256> freq{};
  const uint64_t sampleEnd = std::min<uint64_t>(end, begin + 0x10000);
  for (uint64_t p = begin; p < sampleEnd; ++p) ++freq[history[p - historyStart]];
  const uint32_t total = uint32_t(sampleEnd - begin);
  uint64_t sum = 0;
  for (size_t b = 0; b < 256; ++b) {
    int bits = 12;
    if (freq[b] != 0) bits = std::clamp(int(std::bit_width(total / freq[b])), 1, 15);
    mainCost[b] = uint8_t(bits);
    sum += uint64_t(freq[b]) * uint64_t(bits);
  }
  averageLiteral = total > 0 ? int32_t(16 * sum / total) : 8 * 16;
  for (int s = 256; s < kMainSymbols; ++s) mainCost[size_t(s)] = 7;
  for (int s = kShortSymbol; s < kNewTablesSymbol; ++s) mainCost[size_t(s)] = 8;
  distanceCost.fill(5);
  lengthCost.fill(4);
  costSamples = size_t(sampleEnd - begin);
}

// The hash table grows with the stream, so that small entries do not pay for a large table.
// Growing changes the hash, so the positions of the last window are entered again, oldest first,
// which rebuilds their chains as they were.
void Rar20Encoder::State::SizeHashTable(uint64_t streamSize) {
  if (!chain) {
    chain.reset(new int64_t[kWindowSize]);
    head2.assign(size_t(1) << 16, -1);
  }
  int bits = 10;
  while (bits < kMaxHashBits && (uint64_t(1) << bits) < streamSize) ++bits;
  if (bits <= hashBits) return;
  hashBits = bits;
  head3.assign(size_t(1) << bits, -1);
  const uint64_t hashed = hashedUpTo;
  hashedUpTo =
      std::max({streamStart, historyStart, hashed > kWindowSize ? hashed - kWindowSize : 0});
  InsertUpTo(hashed);
}

uint32_t Rar20Encoder::State::Hash3(const uint8_t* bytes) const {
  const uint32_t key = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16;
  return (key * 2654435761u) >> (32 - hashBits);
}

void Rar20Encoder::State::InsertUpTo(uint64_t limit) {
  while (hashedUpTo < limit) {
    const size_t at = size_t(hashedUpTo - historyStart);
    if (at + 2 >= history.size()) break;  // the third byte is not known yet
    const uint8_t* bytes = &history[at];
    const uint32_t hash = Hash3(bytes);
    chain[hashedUpTo & kWindowMask] = head3[hash];
    head3[hash] = int64_t(hashedUpTo);
    head2[uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8] = int64_t(hashedUpTo);
    ++hashedUpTo;
  }
}

uint32_t Rar20Encoder::State::MatchLength(uint64_t position, uint32_t distance,
                                          uint32_t limit) const {
  const uint8_t* here = &history[size_t(position - historyStart)];
  const uint8_t* there = here - distance;
  uint32_t length = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Eight bytes at a time; the lowest differing byte is the first that differs.
    for (; length + 8 <= limit; length += 8) {
      uint64_t a;
      uint64_t b;
      std::memcpy(&a, here + length, 8);
      std::memcpy(&b, there + length, 8);
      if (a != b) return length + uint32_t(std::countr_zero(a ^ b) / 8);
    }
  }
  while (length < limit && here[length] == there[length]) ++length;
  return length;
}

void Rar20Encoder::State::Consider(Choice& best, ChoiceKind kind, uint32_t length,
                                   uint32_t distance, int recentIndex) {
  uint32_t bits = 0;
  switch (kind) {
    case ChoiceKind::kRepeatLast:
      bits = mainCost[kRepeatLastSymbol];
      break;
    case ChoiceKind::kRecent: {
      const int slot = kLengthSlot[length - 2 - RecentBonus(distance)];
      bits = mainCost[size_t(kRecentSymbol + recentIndex)] + lengthCost[size_t(slot)] +
             kLengthBits[size_t(slot)];
      break;
    }
    case ChoiceKind::kShort: {
      const int slot = kShortSlot[distance - 1];
      bits = mainCost[size_t(kShortSymbol + slot)] + kShortBits[size_t(slot)];
      break;
    }
    case ChoiceKind::kMatch: {
      const int slot = kLengthSlot[length - 3 - MatchBonus(distance)];
      const int distanceSlot = DistanceSlot(distance - 1);
      bits = mainCost[size_t(kMatchSymbol + slot)] + kLengthBits[size_t(slot)] +
             distanceCost[size_t(distanceSlot)] + kDistanceBits[size_t(distanceSlot)];
      break;
    }
    case ChoiceKind::kLiteral:
      return;
  }
  const int32_t gain = int32_t(length) * averageLiteral - int32_t(16 * bits);
  if (gain > best.gain) best = {kind, length, distance, recentIndex, gain};
}

// The most profitable way to code the bytes at `position`, given the unpacker's state now.
Choice Rar20Encoder::State::Find(uint64_t position, uint64_t end) {
  Choice best;
  const uint64_t room = end - position;
  if (room < 2) return best;
  InsertUpTo(position);
  const uint64_t behind = position - streamStart;
  if (lastLength != 0 && lastLength <= room && lastDistance <= behind &&
      MatchLength(position, lastDistance, lastLength) == lastLength) {
    Consider(best, ChoiceKind::kRepeatLast, lastLength, lastDistance, 0);
  }
  for (int k = 0; k < 4; ++k) {
    const uint32_t d = recent[(recentCount - 1 - uint32_t(k)) & 3];
    bool seen = false;
    for (int j = 0; j < k; ++j) seen |= recent[(recentCount - 1 - uint32_t(j)) & 3] == d;
    if (d == 0 || d > behind || seen) continue;
    const uint32_t bonus = RecentBonus(d);
    const uint32_t length =
        MatchLength(position, d, uint32_t(std::min<uint64_t>(257 + bonus, room)));
    if (length >= 2 + bonus) Consider(best, ChoiceKind::kRecent, length, d, k);
  }
  const uint8_t* here = &history[size_t(position - historyStart)];
  if (room >= 3) {
    int64_t candidate = head3[Hash3(here)];
    uint32_t longest = 0;
    for (int tries = kMaxChain; candidate >= int64_t(streamStart) && tries > 0; --tries) {
      const uint64_t d = position - uint64_t(candidate);
      if (d > kMaxDistance) break;
      const uint32_t bonus = MatchBonus(uint32_t(d));
      const uint32_t limit = uint32_t(std::min<uint64_t>(258 + bonus, room));
      if (longest < limit && here[longest] == here[int64_t(longest) - int64_t(d)]) {
        const uint32_t length = MatchLength(position, uint32_t(d), limit);
        if (length > longest) {
          longest = length;
          if (length >= 3 + bonus) Consider(best, ChoiceKind::kMatch, length, uint32_t(d), 0);
          if (length >= kNiceLength) break;
        }
      }
      const int64_t next = chain[uint64_t(candidate) & kWindowMask];
      if (next >= candidate) break;
      candidate = next;
    }
  }
  const int64_t pair = head2[uint32_t(here[0]) | uint32_t(here[1]) << 8];
  if (pair >= int64_t(streamStart) && position - uint64_t(pair) <= 256) {
    Consider(best, ChoiceKind::kShort, 2, uint32_t(position - uint64_t(pair)), 0);
  }
  return best;
}

void Rar20Encoder::State::EncodeLz(uint64_t begin, uint64_t end) {
  if (costSamples < kTrustedCostSamples) InitCosts(begin, end);
  uint64_t position = begin;
  Choice pending;
  bool havePending = false;
  while (position < end) {
    const Choice choice = havePending ? pending : Find(position, end);
    havePending = false;
    const uint8_t byte = history[size_t(position - historyStart)];
    if (choice.kind != ChoiceKind::kLiteral && choice.length < kLazyLimit && position + 1 < end) {
      // A literal does not touch the recent distances, so the next byte's choice stays valid.
      const Choice next = Find(position + 1, end);
      if (next.gain - 16 * int32_t(mainCost[byte]) > choice.gain) {
        pending = next;
        havePending = true;
        Add({.symbol = byte});
        ++position;
        continue;
      }
    }
    if (choice.kind == ChoiceKind::kLiteral) {
      Add({.symbol = byte});
      ++position;
      continue;
    }
    EmitMatch(choice);
    position += choice.length;
  }
}

void Rar20Encoder::State::EmitMatch(const Choice& choice) {
  Item item;
  const uint32_t d = choice.distance;
  switch (choice.kind) {
    case ChoiceKind::kRepeatLast:
      item.symbol = kRepeatLastSymbol;
      break;
    case ChoiceKind::kRecent: {
      const uint32_t value = choice.length - 2 - RecentBonus(d);
      const int slot = kLengthSlot[value];
      item.symbol = uint16_t(kRecentSymbol + choice.recentIndex);
      item.second = int16_t(slot);
      item.secondBits = kLengthBits[size_t(slot)];
      item.secondExtra = value - kLengthBase[size_t(slot)];
      break;
    }
    case ChoiceKind::kShort: {
      const int slot = kShortSlot[d - 1];
      item.symbol = uint16_t(kShortSymbol + slot);
      item.extraBits = kShortBits[size_t(slot)];
      item.extra = uint16_t(d - 1 - kShortBase[size_t(slot)]);
      break;
    }
    case ChoiceKind::kMatch: {
      const uint32_t value = choice.length - 3 - MatchBonus(d);
      const int slot = kLengthSlot[value];
      const int distanceSlot = DistanceSlot(d - 1);
      item.symbol = uint16_t(kMatchSymbol + slot);
      item.extraBits = kLengthBits[size_t(slot)];
      item.extra = uint16_t(value - kLengthBase[size_t(slot)]);
      item.second = int16_t(distanceSlot);
      item.secondBits = kDistanceBits[size_t(distanceSlot)];
      item.secondExtra = d - 1 - kDistanceBase[size_t(distanceSlot)];
      break;
    }
    case ChoiceKind::kLiteral:
      return;
  }
  // Every kind of match, the repeat included, goes onto the ring of recent distances.
  recent[recentCount & 3] = d;
  ++recentCount;
  lastDistance = d;
  lastLength = choice.length;
  Add(item);
}

// Multimedia: the unpacker predicts each byte from its channel's history and adds the coded
// delta; the encoder runs the same predictor and sends prediction - byte.
uint8_t Rar20Encoder::State::AudioDelta(uint8_t byte) {
  const uint32_t channel = uint32_t(audioChannel);
  const int32_t prediction = audio.Predict(channel);
  const uint32_t delta = uint32_t(prediction - byte) & 0xFF;
  audio.Take(channel, prediction, delta);
  return uint8_t(delta);
}

void Rar20Encoder::State::EncodeAudio(uint64_t begin, uint64_t end) {
  for (uint64_t p = begin; p < end; ++p) {
    const int channel = audioChannel;
    const uint8_t delta = AudioDelta(history[size_t(p - historyStart)]);
    Add({.symbol = delta, .second = int16_t(channel)});
    audioChannel = (audioChannel + 1) % channels;
  }
}

void Rar20Encoder::State::Add(const Item& item) {
  items.push_back(item);
  if (items.size() >= kBlockItems) FlushBlock();
}

void Rar20Encoder::State::FlushBlock() {
  // An entry that starts a stream must bring tables even when it is empty.
  if (items.empty() && haveTables) return;
  if (channels == 0) {
    FlushLzBlock();
  } else {
    FlushAudioBlock();
  }
  items.clear();
}

// `nextChannel`: for multimedia tables in force, the channel whose byte comes next; the table
// symbol is decoded with that channel's code.
void Rar20Encoder::State::SwitchTables(const TableHeader& header, int kind,
                                       std::span<const uint8_t> lengths, int nextChannel) {
  if (haveTables) {
    if (tablesKind == 0) {
      Write(out, mainCode, kNewTablesSymbol);
    } else {
      Write(out, audioCodes[size_t(nextChannel)], kAudioNewTablesSymbol);
    }
  }
  WriteHeader(out, header, kind);
  std::copy(lengths.begin(), lengths.end(), previousLengths.begin());
  previousKind = kind;
  haveTables = true;
  tablesKind = kind;
}

// Every table symbol is kept in every code with at least count 1, so that the next block or the
// next solid entry can always switch tables.
void Rar20Encoder::State::FlushLzBlock() {
  std::array<uint32_t, kMainSymbols> mainFreq{};
  std::array<uint32_t, kDistanceSymbols> distanceFreq{};
  std::array<uint32_t, kLengthSymbols> lengthFreq{};
  for (const Item& item : items) {
    ++mainFreq[item.symbol];
    if (item.symbol >= kMatchSymbol) {
      ++distanceFreq[size_t(item.second)];
    } else if (item.symbol >= kRecentSymbol && item.symbol < kShortSymbol) {
      ++lengthFreq[size_t(item.second)];
    }
  }
  const bool tableSymbolUsed = mainFreq[kNewTablesSymbol] != 0;
  if (!tableSymbolUsed) mainFreq[kNewTablesSymbol] = 1;

  std::array<uint8_t, kLzLengths> lengths{};
  const std::span<uint8_t> all(lengths);
  BuildCodeLengths(mainFreq, all.subspan(0, kMainSymbols));
  BuildCodeLengths(distanceFreq, all.subspan(kMainSymbols, kDistanceSymbols));
  BuildCodeLengths(lengthFreq, all.subspan(kMainSymbols + kDistanceSymbols, kLengthSymbols));
  if (!tableSymbolUsed) mainFreq[kNewTablesSymbol] = 0;

  const TableHeader header = PrepareHeader(
      false, lengths, std::span(previousLengths).first(kLzLengths), previousKind == 0);

  // Keep the tables in force when they can code this block and cost no more than new ones.
  bool keep = haveTables && tablesKind == 0;
  uint64_t oldBits = 0;
  uint64_t newBits = header.bits;
  auto tally = [&](std::span<const uint32_t> freq, const PrefixCode& code, size_t offset) {
    for (size_t s = 0; s < freq.size(); ++s) {
      if (freq[s] == 0) continue;
      if (code.length[s] == 0) keep = false;
      oldBits += uint64_t(freq[s]) * code.length[s];
      newBits += uint64_t(freq[s]) * lengths[offset + s];
    }
  };
  tally(mainFreq, mainCode, 0);
  tally(distanceFreq, distanceCode, kMainSymbols);
  tally(lengthFreq, lengthCode, kMainSymbols + kDistanceSymbols);
  if (keep) keep = oldBits <= newBits + mainCode.length[kNewTablesSymbol];

  if (!keep) {
    SwitchTables(header, 0, lengths, audioChannel);
    PrefixCode* codes[] = {&mainCode, &distanceCode, &lengthCode};
    const int offsets[] = {0, kMainSymbols, kMainSymbols + kDistanceSymbols};
    const int sizes[] = {kMainSymbols, kDistanceSymbols, kLengthSymbols};
    for (int t = 0; t < 3; ++t) {
      *codes[t] = {};
      std::copy_n(lengths.begin() + offsets[t], sizes[t], codes[t]->length.begin());
      AssignCodes(std::span(codes[t]->length).first(size_t(sizes[t])),
                  std::span(codes[t]->code).first(size_t(sizes[t])));
    }
  }

  for (const Item& item : items) {
    Write(out, mainCode, item.symbol);
    out.Put(item.extra, item.extraBits);
    if (item.second >= 0) {
      Write(out, item.symbol >= kMatchSymbol ? distanceCode : lengthCode, uint32_t(item.second));
      out.Put(item.secondExtra, item.secondBits);
    }
  }

  // The next block's parse prices symbols by these codes; unused ones keep their estimate.
  uint64_t literalBits = 0;
  uint64_t literals = 0;
  for (int s = 0; s < kMainSymbols; ++s) {
    if (mainCode.length[size_t(s)] != 0) mainCost[size_t(s)] = mainCode.length[size_t(s)];
    if (s < 256) {
      literalBits += uint64_t(mainFreq[size_t(s)]) * mainCode.length[size_t(s)];
      literals += mainFreq[size_t(s)];
    }
  }
  for (int s = 0; s < kDistanceSymbols; ++s) {
    if (distanceCode.length[size_t(s)] != 0)
      distanceCost[size_t(s)] = distanceCode.length[size_t(s)];
  }
  for (int s = 0; s < kLengthSymbols; ++s) {
    if (lengthCode.length[size_t(s)] != 0) lengthCost[size_t(s)] = lengthCode.length[size_t(s)];
  }
  if (literals != 0) averageLiteral = int32_t(16 * literalBits / literals);
  costSamples = items.size();
}

void Rar20Encoder::State::FlushAudioBlock() {
  std::array<std::array<uint32_t, kAudioSymbols>, 4> freq{};
  for (const Item& item : items) ++freq[size_t(item.second)][item.symbol];
  std::array<uint8_t, kMaxTableLengths> lengths{};
  const std::span<uint8_t> all(lengths);
  for (int c = 0; c < channels; ++c) {
    const bool used = freq[size_t(c)][kAudioNewTablesSymbol] != 0;
    freq[size_t(c)][kAudioNewTablesSymbol] = 1;
    BuildCodeLengths(freq[size_t(c)], all.subspan(size_t(c) * kAudioSymbols, kAudioSymbols));
    if (!used) freq[size_t(c)][kAudioNewTablesSymbol] = 0;
  }
  const size_t count = size_t(channels) * kAudioSymbols;
  const TableHeader header = PrepareHeader(
      true, all.first(count), std::span(previousLengths).first(count), previousKind == channels);

  // The table symbol would come before the block's first byte, in that byte's channel.
  const int firstChannel = items.empty() ? audioChannel : items.front().second;
  bool keep = haveTables && tablesKind == channels;
  uint64_t oldBits = 0;
  uint64_t newBits = header.bits;
  for (int c = 0; c < channels && keep; ++c) {
    for (int s = 0; s < kAudioSymbols; ++s) {
      const uint32_t f = freq[size_t(c)][size_t(s)];
      if (f == 0) continue;
      if (audioCodes[size_t(c)].length[size_t(s)] == 0) keep = false;
      oldBits += uint64_t(f) * audioCodes[size_t(c)].length[size_t(s)];
      newBits += uint64_t(f) * lengths[size_t(c) * kAudioSymbols + size_t(s)];
    }
  }
  if (keep)
    keep = oldBits <= newBits + audioCodes[size_t(firstChannel)].length[kAudioNewTablesSymbol];

  if (!keep) {
    SwitchTables(header, channels, all.first(count), firstChannel);
    for (int c = 0; c < channels; ++c) {
      audioCodes[size_t(c)] = {};
      std::copy_n(lengths.begin() + c * kAudioSymbols, kAudioSymbols,
                  audioCodes[size_t(c)].length.begin());
      AssignCodes(std::span(audioCodes[size_t(c)].length).first(kAudioSymbols),
                  std::span(audioCodes[size_t(c)].code).first(kAudioSymbols));
    }
  }
  for (const Item& item : items) Write(out, audioCodes[size_t(item.second)], item.symbol);
}

}  // namespace solvane
