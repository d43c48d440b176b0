// The device the module plays through: SDL audio on Linux, waveOut on Windows. The device's
// own thread pulls samples from the player.
#pragma once

#include <memory>

#include "audio/looping_player.h"

namespace solvane::audio {

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Opens the device for the player's rate and channels, paused. False without a device.
  virtual bool Open(LoopingPlayer& player) = 0;
  virtual void Resume() = 0;
  virtual void Pause() = 0;
  // Stops the device's thread; the player may then be changed or freed.
  virtual void Close() = 0;
};

// Brings up the system's audio for the module; false when there is none.
bool InitAudioSystem();
void QuitAudioSystem();
std::unique_ptr<AudioOutput> MakeAudioOutput();

}  // namespace solvane::audio
