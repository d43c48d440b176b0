// The RAR 2.0 compression method: LZ77 over a 1 MiB window with canonical Huffman codes, and the
// multimedia mode that codes predicted byte deltas on up to four interleaved channels.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace solvane {

// One encoder serves one archive. Its state (window, code tables, recent distances, predictor,
// channel) follows the unpacker's step by step, so that in a solid archive each entry can go on
// from where the previous one left the unpacker.
class Rar20Encoder {
 public:
  // 0: LZ; 1..4: multimedia with that many channels.
  explicit Rar20Encoder(int multimediaChannels);
  ~Rar20Encoder();
  Rar20Encoder(const Rar20Encoder&) = delete;
  Rar20Encoder& operator=(const Rar20Encoder&) = delete;

  // The packed data of one entry. `continuing`: the entry carries the solid flag 0x0010 and the
  // unpacker keeps its state from the entry encoded before; otherwise everything starts afresh.
  std::vector<uint8_t> Encode(std::span<const uint8_t> data, bool continuing);

 private:
  struct State;
  std::unique_ptr<State> state;
};

}  // namespace solvane
