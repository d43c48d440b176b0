// The multimedia predictor of RAR 2.0 compression: the unpacker decodes with it and the packer
// encodes with the very same one, so both always predict alike.
//
// Format notes: each channel predicts its next byte from its last value, its last four deltas
// and the last delta of any channel, with five weights that adapt every 32 bytes towards the
// predictor that would have erred least. The stream codes prediction minus value.
#pragma once

#include <array>
#include <cstdint>

namespace solvane::rar20 {

class AudioPredictor {
 public:
  void Reset() { *this = AudioPredictor{}; }

  // Starts the channel's next byte: shifts its history and returns the prediction (0..255).
  int32_t Predict(uint32_t channel);
  // Completes that byte with its coded delta (prediction minus value, modulo 256), adapts the
  // weights, and returns the byte.
  uint8_t Take(uint32_t channel, int32_t prediction, uint32_t delta);

 private:
  struct Channel {
    std::array<int32_t, 5> weight{};
    std::array<int32_t, 4> pastDelta{};
    int32_t lastDelta = 0;
    std::array<uint32_t, 11> errorSum{};
    uint32_t byteCount = 0;
    int32_t lastValue = 0;  // kept whole, not reduced to a byte
  };
  std::array<Channel, 4> channels_{};
  int32_t lastAnyDelta_ = 0;
};

}  // namespace solvane::rar20
