// One Ogg Vorbis piece decoded from memory as it plays, starting over at its end, at a volume.
// Decoding happens in Render, on whatever thread asks for samples.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace solvane::audio {

class LoopingPlayer {
 public:
  LoopingPlayer();
  ~LoopingPlayer();
  LoopingPlayer(const LoopingPlayer&) = delete;
  LoopingPlayer& operator=(const LoopingPlayer&) = delete;

  // Takes a copy of the encoded bytes. False when they are not an Ogg Vorbis stream.
  bool Load(const uint8_t* bytes, size_t size);
  int rate() const { return rate_; }
  int channels() const { return channels_; }
  // Length of one pass in frames (one sample per channel).
  int64_t frames() const { return frames_; }

  // Playback from `frame`; with `loop` the piece starts over at its end, without it the rest
  // is silence.
  void Play(int64_t frame, bool loop);
  // Volumes 0 to 100, the device's and the piece's own; the amplitude follows the geometric
  // mean of the two, so 50 for both is half the amplitude.
  void SetVolumes(int master, int own);

  // Fills `frameCount` frames of interleaved 16-bit samples (one sample a frame when nothing
  // is loaded). Silence before Play and after the end of a piece that does not loop.
  void Render(int16_t* out, size_t frameCount);

 private:
  struct Stream;
  std::vector<uint8_t> bytes_;
  std::unique_ptr<Stream> stream_;
  int rate_ = 0;
  int channels_ = 0;
  int64_t frames_ = 0;
  bool playing_ = false;
  bool loop_ = false;
  std::atomic<int> gain_{65536};  // 16.16 fixed point
};

}  // namespace solvane::audio
