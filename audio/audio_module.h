// The audio module's interface: nine C functions that the program looks up by name after
// loading the module at run time. The module plays one Ogg Vorbis piece from memory in a loop.
// Shared by the module, which exports the functions, and the program, which calls them.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define SOLVANE_AUDIO_CALL __stdcall
#define SOLVANE_AUDIO_EXPORT extern "C" __declspec(dllexport)
#else
#define SOLVANE_AUDIO_CALL
#define SOLVANE_AUDIO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace solvane::audio {

using Bool = int32_t;  // 0 false, 1 true
using SampleHandle = uint32_t;
using ChannelHandle = uint32_t;

// Error codes the module reports through ErrorGetCode.
enum ErrorCode : int32_t {
  kOk = 0,
  kErrorMemory = 1,      // no room for the sample
  kErrorFileFormat = 2,  // not an Ogg Vorbis stream
  kErrorHandle = 5,      // no such sample
  kErrorNotInit = 8,     // Init has not run
  kErrorStart = 9,       // output could not start
  kErrorDevice = 23,     // no output device
  kErrorNotFile = 37,    // only samples in memory are supported
};

// SampleLoad's flag: a new playback takes over the oldest when all are busy.
inline constexpr uint32_t kSampleOverPosition = 0x20000;
// SamplePlayEx's "use the sample's own" values.
inline constexpr int32_t kOwnFrequency = -1;
inline constexpr int32_t kOwnVolume = -1;
inline constexpr int32_t kOwnPan = -101;

using ErrorGetCodeFunction = int32_t(SOLVANE_AUDIO_CALL*)();
using InitFunction = Bool(SOLVANE_AUDIO_CALL*)(int32_t device, uint32_t frequency, uint32_t flags,
                                               void* window, const void* deviceId);
using FreeFunction = Bool(SOLVANE_AUDIO_CALL*)();
using SampleLoadFunction = SampleHandle(SOLVANE_AUDIO_CALL*)(Bool inMemory, const void* file,
                                                             uint32_t offset, uint32_t length,
                                                             uint32_t maxPlaybacks, uint32_t flags);
using SamplePlayExFunction = ChannelHandle(SOLVANE_AUDIO_CALL*)(SampleHandle sample, uint32_t start,
                                                                int32_t frequency, int32_t volume,
                                                                int32_t pan, Bool loop);
using SetVolumeFunction = Bool(SOLVANE_AUDIO_CALL*)(uint32_t volume);
using StartFunction = Bool(SOLVANE_AUDIO_CALL*)();
using StopFunction = Bool(SOLVANE_AUDIO_CALL*)();
using GetVolumeFunction = int32_t(SOLVANE_AUDIO_CALL*)();

// The names, in the order the program resolves them.
inline constexpr const char* kEntryPointNames[9] = {
    "BASS_ErrorGetCode", "BASS_Init",  "BASS_Free", "BASS_SampleLoad", "BASS_SamplePlayEx",
    "BASS_SetVolume",    "BASS_Start", "BASS_Stop", "BASS_GetVolume",
};

}  // namespace solvane::audio
