#include "app/music.h"

#include "app/settings.h"
#include "data/archive_file.h"
#include "objects/view.h"

namespace solvane {

AudioLibrary audioLibrary;

namespace {

// The music's bytes, extracted from the archive. The module takes its own copy when the sample
// loads, so these go right after: a run never holds the piece twice.
ArchiveFile musicFile;

template <typename Function>
bool Resolve(Function& function, const char* name) {
  function = reinterpret_cast<Function>(Host().ModuleSymbol(audioLibrary.module, name));
  return function != nullptr;
}

// Every entry point, in the module's documented order; false when one is missing.
bool ResolveEntryPoints() {
  const char* const* names = audio::kEntryPointNames;
  bool all = Resolve(audioLibrary.errorGetCode, names[0]);
  all = Resolve(audioLibrary.init, names[1]) && all;
  all = Resolve(audioLibrary.free, names[2]) && all;
  all = Resolve(audioLibrary.sampleLoad, names[3]) && all;
  all = Resolve(audioLibrary.samplePlayEx, names[4]) && all;
  all = Resolve(audioLibrary.setVolume, names[5]) && all;
  all = Resolve(audioLibrary.start, names[6]) && all;
  all = Resolve(audioLibrary.stop, names[7]) && all;
  all = Resolve(audioLibrary.getVolume, names[8]) && all;
  return all;
}

}  // namespace

void StartMusic() {
  const std::span<const uint8_t> module = Host().Resource("BASS", kAudioModuleResource);
  audioLibrary.tempPath = Host().CreateTemporaryFile("bas");
  if (audioLibrary.tempPath.empty()) return;
  // A module written short (a full temporary directory) must never be loaded: the loader would
  // map pages past the end of the file. Like a module that does not load or lacks an entry
  // point, it leaves the run silent rather than ending it with the display changed and the
  // file left behind.
  if (module.empty() || !Host().WriteWholeFile(audioLibrary.tempPath, module)) {
    UnloadAudioLibrary();
    return;
  }
  audioLibrary.module = Host().OpenModule(audioLibrary.tempPath);
  if (audioLibrary.module == 0 || !ResolveEntryPoints()) {
    UnloadAudioLibrary();
    return;
  }

  const uint32_t volume = static_cast<uint32_t>(settings.musicVolume);
  audioLibrary.init(1, 44100, 0, reinterpret_cast<void*>(MainWindow), nullptr);
  audioLibrary.start();
  audioLibrary.setVolume(volume);
  // Without music (a content archive that lacks it, or an empty entry) the device stays quiet.
  // The scene's loading has extracted it already, unless music was started without one.
  if (musicFile.data == nullptr) musicFile.Open("music.ogg");
  if (musicFile.data == nullptr || musicFile.size == 0) return;
  const audio::SampleHandle sample =
      audioLibrary.sampleLoad(1, musicFile.data, 0, musicFile.size, 1, audio::kSampleOverPosition);
  musicFile.Release();
  audioLibrary.samplePlayEx(sample, 0, audio::kOwnFrequency, settings.musicVolume, audio::kOwnPan,
                            1);
}

std::string PrepareMusic() {
  musicFile.Release();
  musicFile.Open("music.ogg");
  return musicFile.problem;
}

void StopMusic() {
  musicFile.Release();
  if (audioLibrary.module == 0) return;
  audioLibrary.stop();
  audioLibrary.free();
}

bool AudioLibraryLoaded() {
  return audioLibrary.module != 0;
}

void UnloadAudioLibrary() {
  Host().CloseModule(audioLibrary.module);
  Host().RemoveFile(audioLibrary.tempPath);
  audioLibrary = {};
}

void ResetMusic() {
  if (AudioLibraryLoaded()) {
    StopMusic();
    UnloadAudioLibrary();
  }
  musicFile.Release();
}

}  // namespace solvane
