#include "data/audio_predictor.h"

#include <cstdlib>

namespace solvane::rar20 {

namespace {
int32_t SignedByte(int32_t value) {
  return int32_t(int8_t(uint8_t(value & 0xFF)));
}
}  // namespace

int32_t AudioPredictor::Predict(uint32_t channel) {
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

uint8_t AudioPredictor::Take(uint32_t channel, int32_t prediction, uint32_t delta) {
  Channel& v = channels_[channel & 3];
  const int32_t value = prediction - int32_t(delta & 0xFF);

  const int32_t d = SignedByte(int32_t(delta)) * 8;
  const int32_t p0 = v.pastDelta[0], p1 = v.pastDelta[1], p2 = v.pastDelta[2], p3 = v.pastDelta[3],
                a = lastAnyDelta_;
  const int32_t errors[11] = {d,      d - p0, d + p0, d - p1, d + p1, d - p2,
                              d + p2, d - p3, d + p3, d - a,  d + a};
  for (int i = 0; i < 11; ++i) v.errorSum[i] += uint32_t(std::abs(errors[i]));

  v.lastDelta = lastAnyDelta_ = SignedByte(value - v.lastValue);
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
