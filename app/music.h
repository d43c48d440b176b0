// The looping background music.
#pragma once

namespace solvane {

void StartMusic();
void StopMusic();
bool AudioLibraryLoaded();
void UnloadAudioLibrary();

}  // namespace solvane
