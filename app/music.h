// The looping background music of the full-screen run, played by the audio module the program
// carries: written to a temporary file at start-up, loaded from there, removed at shutdown.
#pragma once

#include <string>

#include "audio/audio_module.h"
#include "platform/platform.h"

namespace solvane {

// Resource type "BASS", id 132: the audio module for this system.
inline constexpr int kAudioModuleResource = 132;

struct AudioLibrary {
  ModuleHandle module = 0;  // 0 while not loaded
  std::string tempPath;     // the module's temporary file
  audio::ErrorGetCodeFunction errorGetCode = nullptr;
  audio::InitFunction init = nullptr;
  audio::FreeFunction free = nullptr;
  audio::SampleLoadFunction sampleLoad = nullptr;
  audio::SamplePlayExFunction samplePlayEx = nullptr;
  audio::SetVolumeFunction setVolume = nullptr;
  audio::StartFunction start = nullptr;
  audio::StopFunction stop = nullptr;
  audio::GetVolumeFunction getVolume = nullptr;
};
extern AudioLibrary audioLibrary;

// Loads the module and starts "music.ogg" looping at the settings' volume. A module that cannot
// be written or loaded leaves the run silent, with its temporary file removed.
void StartMusic();
// Extracts the content's music for StartMusic while the scene loads, so that a damaged entry
// counts with the scene's. Why it cannot play although the archive lists it ("<name>: <reason>");
// empty when it can, or when there is none.
std::string PrepareMusic();
// Stops the output and releases what the module holds.
void StopMusic();
bool AudioLibraryLoaded();
// Unloads the module and removes its temporary file.
void UnloadAudioLibrary();

// Back to the start of the process: anything still loaded is stopped and unloaded.
void ResetMusic();

}  // namespace solvane
