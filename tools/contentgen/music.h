// The background music: a calm ambient piece synthesised at build time and encoded as Ogg
// Vorbis. It loops without a click: its end flows into its start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace solvane::contentgen {

inline constexpr int kMusicRate = 44100;

// Interleaved stereo samples of one loop, in -1..1.
std::vector<float> SynthesizeMusic(double seconds);

// Ogg Vorbis at kMusicRate, stereo; empty with `error` set when the encoder refuses.
std::vector<uint8_t> EncodeVorbis(const std::vector<float>& stereo, float quality,
                                  std::string& error);

}  // namespace solvane::contentgen
