// The decoder of compressed archive entries: LZ77 over a 1 MiB window with canonical Huffman
// codes, and a multimedia mode that codes audio-like bytes as predicted deltas on up to four
// interleaved channels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "data/audio_predictor.h"
#include "data/rar20_format.h"

namespace solvane {

// The packed bytes of the entry being decoded, handed out in order.
class PackedSource {
 public:
  // Copies up to `count` bytes to `destination`; 0 when nothing is left. The unpacker asks again
  // after a short read, so a source may hand its bytes out in pieces.
  virtual uint32_t ReadPacked(uint8_t* destination, uint32_t count) = 0;

 protected:
  ~PackedSource() = default;
};

// Where decoded bytes go. With `block` null the bytes are dropped: earlier entries of a solid
// archive are decoded only for the history they leave in the window.
struct UnpackOutput {
  uint8_t* block = nullptr;
  uint32_t capacity = 0;  // the entry's unpacked size
  uint32_t size = 0;      // bytes produced so far
};

// Entry flag: this entry continues the previous entry's stream (solid archives).
inline constexpr uint16_t kEntryContinuesStream = rar20::kContinuesStream;

class Unpacker {
 public:
  static constexpr uint32_t kWindowSize = 0x100000;
  static constexpr uint32_t kWindowMask = kWindowSize - 1;

  // Allocates the window (not cleared: nothing reads a byte before the stream writes it);
  // `Ready` says whether that worked.
  Unpacker();
  bool Ready() const { return window_ != nullptr; }

  // Decodes one entry. Returns false when the stream was found corrupt (it ran far past the
  // end of its data, or repeated a code length before the first); the output is then
  // incomplete and must be rejected. A stream that only decodes to wrong bytes returns true:
  // the caller's checksum finds those.
  bool UnpackEntry(PackedSource& source, uint16_t entryFlags, uint32_t unpackedSize,
                   UnpackOutput& output);

  struct DecodeTable {
    static constexpr int kQuickBits = 10;
    uint32_t symbolCount = 0;
    std::array<uint32_t, 16> limit{};
    std::array<uint32_t, 16> firstIndex{};
    std::array<uint16_t, 298> symbols{};
    // Codes of up to kQuickBits bits, looked up by the next kQuickBits bits: the symbol, and
    // the code length in the top byte; 0 where the full search must decide.
    std::array<uint32_t, 1 << kQuickBits> quick{};
  };

 private:
  static constexpr uint32_t kBufferSize = 8192;
  static constexpr uint32_t kSlack = 32;

  void Reset(bool continuing);
  void Refill();
  uint32_t PeekBits() const;
  void SkipBits(uint32_t count);
  uint32_t ReadBits(uint32_t count);
  uint32_t DecodeSymbol(const DecodeTable& table);
  bool ReadCodeTables();
  struct FastReader;
  struct LoopState;
  int DecodeLzBlock();
  int DecodeAudioBlock();
  void Flush();
  bool Overrun() const;

  std::unique_ptr<uint8_t[]> window_;
  uint32_t windowPos_ = 0;
  uint32_t flushedPos_ = 0;
  // Whether the window has filled since the stream began: until then only the bytes before
  // `windowPos_` are the stream's, and the rest read as zeros without being cleared.
  bool windowWrapped_ = false;

  PackedSource* source_ = nullptr;
  UnpackOutput* output_ = nullptr;
  int64_t remainingOutput_ = 0;
  std::array<uint8_t, kBufferSize + kSlack> buffer_{};
  uint32_t bytePos_ = 0;
  uint32_t bitPos_ = 0;
  uint32_t packedFill_ = 0;
  // Bits consumed before the buffer's current contents, and bits delivered by the source, over
  // the whole entry: a corrupt stream can keep decoding stale buffer bytes, so decoding stops
  // once it is well past the real data.
  uint64_t bitsConsumed_ = 0;
  uint64_t bitsLoaded_ = 0;
  bool corrupt_ = false;

  std::array<uint32_t, 4> recentDistances_{};
  uint32_t recentCount_ = 0;
  uint32_t previousDistance_ = 0;
  uint32_t previousLength_ = 0;

  bool audioMode_ = false;
  uint32_t audioChannels_ = 1;
  uint32_t audioChannel_ = 0;
  rar20::AudioPredictor audio_;

  std::array<uint8_t, 1028> previousLengths_{};
  DecodeTable literalTable_, distanceTable_, lengthTable_, bitLengthTable_;
  std::array<DecodeTable, 4> audioTables_{};
};

// Builds `table` from one code length per symbol (low 4 bits used; 0: no code).
void BuildDecodeTable(const uint8_t* lengths, uint32_t symbolCount, Unpacker::DecodeTable& table);

// The symbol whose code starts `bits` (the next 16 bits of the stream), by the full search over
// the length limits; `length` receives the code's length.
uint32_t SearchDecodeTable(const Unpacker::DecodeTable& table, uint32_t bits, uint32_t& length);

}  // namespace solvane
