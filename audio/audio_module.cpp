// The audio module: the nine exported functions over one looping player and one output device.
// The program calls them only at start-up and shutdown, from its one thread, so the module's
// state needs no lock; the device's thread does the decoding, and touches only the player.
#include "audio/audio_module.h"

#include <memory>

#include "audio/audio_output.h"
#include "audio/looping_player.h"

namespace solvane::audio {
namespace {

struct ModuleState {
  bool initialised = false;
  bool started = false;
  int masterVolume = 100;
  int sampleVolume = 100;
  std::unique_ptr<LoopingPlayer> sample;  // the one sample this module holds
  std::unique_ptr<AudioOutput> output;
  int32_t error = kOk;
};

ModuleState state;

Bool Fail(int32_t error) {
  state.error = error;
  return 0;
}

Bool Succeed() {
  state.error = kOk;
  return 1;
}

void ApplyVolumes() {
  if (state.sample) state.sample->SetVolumes(state.masterVolume, state.sampleVolume);
}

void CloseOutput() {
  if (state.output) state.output->Close();
  state.output.reset();
}

}  // namespace
}  // namespace solvane::audio

using namespace solvane::audio;

SOLVANE_AUDIO_EXPORT int32_t SOLVANE_AUDIO_CALL BASS_ErrorGetCode() {
  return state.error;
}

SOLVANE_AUDIO_EXPORT Bool SOLVANE_AUDIO_CALL BASS_Init(int32_t, uint32_t, uint32_t, void*,
                                                       const void*) {
  if (!state.initialised && !InitAudioSystem()) return Fail(kErrorDevice);
  state.initialised = true;
  return Succeed();
}

SOLVANE_AUDIO_EXPORT Bool SOLVANE_AUDIO_CALL BASS_Free() {
  if (!state.initialised) return Fail(kErrorNotInit);
  CloseOutput();
  state.sample.reset();
  state.started = false;
  state.initialised = false;
  QuitAudioSystem();
  return Succeed();
}

SOLVANE_AUDIO_EXPORT SampleHandle SOLVANE_AUDIO_CALL BASS_SampleLoad(
    Bool inMemory, const void* file, uint32_t offset, uint32_t length, uint32_t, uint32_t) {
  if (!state.initialised) return Fail(kErrorNotInit);
  if (!inMemory || file == nullptr) return Fail(kErrorNotFile);
  CloseOutput();  // the old sample may be playing
  auto sample = std::make_unique<LoopingPlayer>();
  if (!sample->Load(static_cast<const uint8_t*>(file) + offset, length)) {
    return Fail(kErrorFileFormat);
  }
  state.sample = std::move(sample);
  ApplyVolumes();
  Succeed();
  return 1;
}

SOLVANE_AUDIO_EXPORT ChannelHandle SOLVANE_AUDIO_CALL BASS_SamplePlayEx(SampleHandle sample,
                                                                        uint32_t start, int32_t,
                                                                        int32_t volume, int32_t,
                                                                        Bool loop) {
  if (!state.initialised) return Fail(kErrorNotInit);
  if (sample != 1 || !state.sample) return Fail(kErrorHandle);
  CloseOutput();
  state.sampleVolume = volume == kOwnVolume ? 100 : volume;
  ApplyVolumes();
  // `start` is a byte position in the decoded stream.
  const int64_t frameBytes = int64_t(state.sample->channels()) * 2;
  state.sample->Play(int64_t(start) / frameBytes, loop != 0);
  state.output = MakeAudioOutput();
  if (!state.output->Open(*state.sample)) {
    state.output.reset();
    return Fail(kErrorStart);
  }
  if (state.started) state.output->Resume();
  Succeed();
  return 1;
}

SOLVANE_AUDIO_EXPORT Bool SOLVANE_AUDIO_CALL BASS_SetVolume(uint32_t volume) {
  if (!state.initialised) return Fail(kErrorNotInit);
  state.masterVolume = volume > 100 ? 100 : int(volume);
  ApplyVolumes();
  return Succeed();
}

SOLVANE_AUDIO_EXPORT Bool SOLVANE_AUDIO_CALL BASS_Start() {
  if (!state.initialised) return Fail(kErrorNotInit);
  state.started = true;
  if (state.output) state.output->Resume();
  return Succeed();
}

SOLVANE_AUDIO_EXPORT Bool SOLVANE_AUDIO_CALL BASS_Stop() {
  if (!state.initialised) return Fail(kErrorNotInit);
  state.started = false;
  if (state.output) state.output->Pause();
  return Succeed();
}

SOLVANE_AUDIO_EXPORT int32_t SOLVANE_AUDIO_CALL BASS_GetVolume() {
  if (!state.initialised) {
    Fail(kErrorNotInit);
    return -1;
  }
  Succeed();
  return state.masterVolume;
}
