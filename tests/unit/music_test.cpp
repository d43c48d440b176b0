#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/music.h"
#include "app/settings.h"
#include "audio/audio_module.h"
#include "audio/looping_player.h"
#include "data/archive_file.h"
#include "platform/posix/posix_files.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using audio::LoopingPlayer;

double Rms(std::span<const int16_t> samples) {
  double sum = 0;
  for (int16_t s : samples) sum += double(s) * s;
  return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

std::vector<int16_t> FromFirstSound(std::vector<int16_t> pcm) {
  pcm.erase(pcm.begin(), std::find_if(pcm.begin(), pcm.end(), [](int16_t v) { return v != 0; }));
  return pcm;
}

std::vector<uint8_t> Music() {
  ArchiveFile file;
  EXPECT_EQ(file.Open("music.ogg"), 1);
  return std::vector<uint8_t>(file.data, file.data + file.size);
}

class MusicTest : public ::solvane::testing::HeadlessTest {
 protected:
  // The player's first `frames` frames of the carried music, looping; adds one pass to `pass`.
  static std::vector<int16_t> Render(size_t frames, int master = 100, int own = 100,
                                     size_t* pass = nullptr) {
    const std::vector<uint8_t> music = Music();
    LoopingPlayer player;
    EXPECT_TRUE(player.Load(music.data(), music.size()));
    EXPECT_EQ(player.channels(), 2);
    if (pass != nullptr) *pass += size_t(player.frames());
    player.SetVolumes(master, own);
    player.Play(0, true);
    std::vector<int16_t> pcm(frames * 2);
    player.Render(pcm.data(), frames);
    return pcm;
  }
};

TEST_F(MusicTest, TheLoopRestartsAtTheStartAtTheRightLoudness) {
  size_t frames = 0;
  Render(0, 100, 100, &frames);
  EXPECT_GT(frames, size_t(44100) * 30);
  // One pass and two more seconds: the seconds after the end are the start again.
  const std::vector<int16_t> pcm = Render(frames + 88200);
  const std::vector<int16_t> start = Render(88200);
  EXPECT_TRUE(std::equal(start.begin(), start.end(), pcm.begin() + ptrdiff_t(frames) * 2));
  // As loud as other music, with room below full scale.
  const auto [low, high] = std::minmax_element(pcm.begin(), pcm.end());
  EXPECT_LT(20 * std::log10(std::max(-double(*low), double(*high)) / 32768), -1.0);
  EXPECT_NEAR(20 * std::log10(Rms(pcm) / 32768), -16.0, 2.0);
}

TEST_F(MusicTest, VolumesScaleTheOutput) {
  // The two volumes share one scale: half of one of them is the square root of a half.
  const double full = Rms(Render(44100));
  for (const auto& [master, own, share] :
       {std::tuple{50, 100, std::sqrt(0.5)}, std::tuple{100, 50, std::sqrt(0.5)},
        std::tuple{0, 100, 0.0}, std::tuple{80, 0, 0.0}})
    EXPECT_NEAR(Rms(Render(44100, master, own)) / full, share, 0.01) << master << " " << own;
}

TEST_F(MusicTest, DamagedMusicLoadsNothingAndPlaysSilence) {
  LoopingPlayer player;
  const std::vector<uint8_t> junk(5000, 0x4F);
  for (size_t size : {5000, 0})  // 0: an empty music.ogg, no bytes to read
    EXPECT_FALSE(player.Load(junk.data(), size)) << size;
  EXPECT_FALSE(player.Load(nullptr, 0));
  std::vector<int16_t> pcm(1024, 123);
  player.Play(0, true);
  player.Render(pcm.data(), 1024);
  EXPECT_EQ(Rms(pcm), 0) << "nothing loaded: silence";
}

// SDL's "disk" driver writes the module's sound into a file as fast as the player decodes.
class DiskOutput {
 public:
  DiskOutput() {
    for (const auto& [name, value] : {std::pair{"SDL_AUDIODRIVER", "disk"},
                                      {"SDL_DISKAUDIOFILE", file_.c_str()},
                                      {"SDL_DISKAUDIODELAY", "0"}})
      setenv(name, value, 1);
  }
  ~DiskOutput() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::filesystem::remove(file_);
  }
  bool WaitFor(size_t frames) {
    std::error_code error;
    for (int i = 0; i < 1000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
      if (const auto size = std::filesystem::file_size(file_, error);
          !error && size >= frames * 4 + 65536)
        return true;
    return false;
  }
  std::vector<int16_t> Sound() {
    std::vector<int16_t> pcm(std::filesystem::file_size(file_) / 2);
    std::ifstream(file_, std::ios::binary)
        .read(reinterpret_cast<char*>(pcm.data()), pcm.size() * 2);
    return FromFirstSound(std::move(pcm));
  }

 private:
  const std::string file_ =
      ::testing::TempDir() + "/solvane_audio_disk." + std::to_string(getpid()) + ".raw";
};

template <typename Function>
Function Get(void* module, const char* name) {
  return reinterpret_cast<Function>(dlsym(module, name));
}

TEST_F(MusicTest, TheModuleRejectsWhatItCannotPlayAndKeepsItsOwnCopyOfTheBytes) {
  void* module = dlopen(SOLVANE_AUDIO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  const auto Error = Get<audio::ErrorGetCodeFunction>(module, "BASS_ErrorGetCode");
  EXPECT_EQ(Get<audio::GetVolumeFunction>(module, "BASS_GetVolume")(), -1);
  EXPECT_EQ(Error(), audio::kErrorNotInit) << "before Init";
  DiskOutput disk;
  ASSERT_EQ(Get<audio::InitFunction>(module, "BASS_Init")(1, 44100, 0, nullptr, nullptr), 1);
  ASSERT_EQ(Get<audio::StartFunction>(module, "BASS_Start")(), 1);
  const auto load = Get<audio::SampleLoadFunction>(module, "BASS_SampleLoad");
  const auto play = Get<audio::SamplePlayExFunction>(module, "BASS_SamplePlayEx");
  const auto failure = [&](uint32_t handle) { return handle == 0 ? Error() : -1; };
  const std::vector<uint8_t> junk(1000, 7);
  EXPECT_EQ(failure(load(1, junk.data(), 0, 1000, 1, 0)), audio::kErrorFileFormat);
  EXPECT_EQ(failure(load(1, junk.data(), 0, 0, 1, 0)), audio::kErrorFileFormat);
  EXPECT_EQ(failure(load(0, "music.ogg", 0, 0, 1, 0)), audio::kErrorNotFile);
  EXPECT_EQ(failure(play(7, 0, -1, 100, -101, 1)), audio::kErrorHandle);

  std::vector<uint8_t> music = Music();
  const audio::SampleHandle sample =
      load(1, music.data(), 0, uint32_t(music.size()), 1, audio::kSampleOverPosition);
  ASSERT_NE(sample, 0u);
  std::fill(music.begin(), music.end(), uint8_t{0});
  std::vector<uint8_t>().swap(music);
  EXPECT_NE(play(sample, 0, audio::kOwnFrequency, 100, audio::kOwnPan, 1), 0u);
  ASSERT_TRUE(disk.WaitFor(8192));
  EXPECT_EQ(Get<audio::FreeFunction>(module, "BASS_Free")(), 1);
  EXPECT_GT(Rms(disk.Sound()), 300);
  dlclose(module);
}

// The module gets the piece from its start, looping, at the settings' volume on both volumes.
TEST_F(MusicTest, TheDeviceGetsThePieceLoopingAtTheSettingsVolume) {
  DiskOutput disk;
  settings.musicVolume = 30;
  StartMusic();
  ASSERT_TRUE(AudioLibraryLoaded());
  EXPECT_EQ(audioLibrary.getVolume(), 30);
  size_t frames = 44100;  // and one pass
  Render(0, 100, 100, &frames);
  EXPECT_TRUE(disk.WaitFor(frames));
  StopMusic();
  UnloadAudioLibrary();  // while the platform is there
  const std::vector<int16_t> heard = disk.Sound();
  const std::vector<int16_t> expected = FromFirstSound(Render(frames, 30, 30));
  ASSERT_GE(heard.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), heard.begin()));
}

// The run writes out, loads and removes the module; one that cannot load leaves it silent.
TEST_F(MusicTest, TheModuleComesAndGoesWithTheRun) {
  HeadlessOptions loads, notAModule, writtenShort, off;
  notAModule.typedResources[{"BASS", kAudioModuleResource}] = std::vector<uint8_t>(4096, 0xCC);
  writtenShort.temporaryRoom = 4096;  // the disk fills up after the first page
  for (HeadlessOptions* o : {&loads, &notAModule, &writtenShort, &off}) o->maxFrames = 3;
  const std::vector<std::string> symbols(std::begin(audio::kEntryPointNames),
                                         std::end(audio::kEntryPointNames));
  for (const auto& [name, options, opened] :
       {std::tuple{"loads", loads, 1}, std::tuple{"not a module", notAModule, 0},
        std::tuple{"written short", writtenShort, 0}, std::tuple{"music off", off, -1}}) {
    HeadlessPlatform& p = Install(options);
    p.Store().Set("EnableMusic", opened >= 0);
    RunApplication(1);
    const HeadlessRecord& r = p.Record();
    EXPECT_EQ(std::pair(r.idlePasses, r.modeChanges.size()), std::pair(3, size_t(2)))
        << name << ": the run went on and restored the display";
    ASSERT_EQ(r.temporaryFiles.size(), opened >= 0 ? 1u : 0u) << name;
    if (opened < 0) continue;
    // A memory file: nothing is left behind, whatever ends the process.
    EXPECT_EQ(r.temporaryFiles[0].rfind("/proc/self/fd/", 0), 0u) << name;
    EXPECT_EQ(r.removedFiles, r.temporaryFiles) << name;
    EXPECT_FALSE(std::filesystem::exists(r.temporaryFiles[0])) << name;
    EXPECT_EQ(std::pair(r.modulesOpened, r.modulesClosed), std::pair(opened, opened)) << name;
    EXPECT_EQ(r.moduleSymbols, opened ? symbols : std::vector<std::string>{}) << name;
    EXPECT_FALSE(AudioLibraryLoaded()) << name;
  }
}

TEST(TemporaryFileTest, WritesAreCheckedToTheLastByte) {
  const std::vector<uint8_t> bytes(100000, 0x5A);
  for (const std::string& path :
       {posix::CreateNamedTemporaryFile("bas"), posix::CreateTemporaryFile("bas")}) {
    EXPECT_TRUE(posix::WriteWholeFile(path, bytes)) << path;
    EXPECT_EQ(std::filesystem::file_size(path), bytes.size()) << path;
    posix::RemoveFile(path);
    EXPECT_FALSE(std::filesystem::exists(path)) << path << ": removed, a memory file closed";
  }
  for (const char* path : {"/dev/full", "/nonexistent/solvane/bas"})
    EXPECT_FALSE(posix::WriteWholeFile(path, bytes)) << path;
}

}  // namespace
}  // namespace solvane
