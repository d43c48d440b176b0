#include "app/music.h"

namespace solvane {

// The program carries no audio module yet: the run is silent.
void StartMusic() {}
void StopMusic() {}
bool AudioLibraryLoaded() {
  return false;
}
void UnloadAudioLibrary() {}

}  // namespace solvane
