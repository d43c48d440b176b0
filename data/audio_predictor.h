// The multimedia predictor of RAR 2.0 compression: the unpacker decodes with it and the packer
// encodes with the very same one, so both always predict alike.
//
// Format notes: each channel predicts its next byte from its last value, its last four deltas
// and the last delta of any channel, with five weights that adapt every 32 bytes towards the
// predictor that would have erred least. The stream codes prediction minus value.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

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
  static int32_t SignedByte(int32_t value) { return int32_t(int8_t(uint8_t(value & 0xFF))); }

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

// Both steps are inline: they run once per byte, in the unpacker's and the packer's loops.
inline int32_t AudioPredictor::Predict(uint32_t channel) {
  Channel& v = channels_[channel & 3];
  v.pastDelta[3] = v.pastDelta[2];
  v.pastDelta[2] = v.pastDelta[1];
  v.pastDelta[1] = v.lastDelta - v.pastDelta[0];
  v.pastDelta[0] = v.lastDelta;
  ++v.byteCount;
  return ((8 * v.lastValue + v.weight[0] * v.pastDelta[0] + v.weight[1] * v.pastDelta[1] +
           v.weight[2] * v.pastDelta[2] + v.weight[3] * v.pastDelta[3] +
           v.weight[4] * lastAnyDelta_) >>
          3) &
         0xFF;
}

inline uint8_t AudioPredictor::Take(uint32_t channel, int32_t prediction, uint32_t delta) {
  Channel& v = channels_[channel & 3];
  const int32_t value = prediction - int32_t(delta & 0xFF);

  const int32_t d = AudioPredictor::SignedByte(int32_t(delta)) * 8;
  const int32_t p0 = v.pastDelta[0], p1 = v.pastDelta[1], p2 = v.pastDelta[2], p3 = v.pastDelta[3],
                a = lastAnyDelta_;
  const int32_t errors[11] = {d,      d - p0, d + p0, d - p1, d + p1, d - p2,
                              d + p2, d - p3, d + p3, d - a,  d + a};
  for (int i = 0; i < 11; ++i) v.errorSum[i] += uint32_t(std::abs(errors[i]));

  v.lastDelta = lastAnyDelta_ = AudioPredictor::SignedByte(value - v.lastValue);
  v.lastValue = value;

  // Every 32 bytes the weight whose change would have erred least moves one step (within
  // -17..16); ties go to the lower index, and index 0 means no change.
  if ((v.byteCount & 0x1F) == 0) {
    uint32_t best = 0;
    for (uint32_t i = 1; i < 11; ++i) {
      if (v.errorSum[i] < v.errorSum[best]) best = i;
    }
    v.errorSum.fill(0);
    if (best != 0) {
      int32_t& weight = v.weight[(best - 1) / 2];
      if (best % 2 == 1) {
        if (weight >= -16) --weight;
      } else if (weight < 16) {
        ++weight;
      }
    }
  }
  return uint8_t(value);
}

}  // namespace solvane::rar20
