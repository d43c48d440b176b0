// The music: the looping player on its own, the audio module through its entry points with
// SDL's file-writing "disk" driver, and the full-screen run's handling of the module.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <thread>
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

class MusicTest : public ::solvane::testing::HeadlessTest {
 protected:
  // The carried music's bytes.
  static std::vector<uint8_t> Music() {
    ArchiveFile file;
    EXPECT_EQ(file.Open("music.ogg"), 1);
    return std::vector<uint8_t>(file.data, file.data + file.size);
  }
  // The frames of one pass of the carried music, two channels each.
  static size_t Frames() {
    const std::vector<uint8_t> music = Music();
    LoopingPlayer player;
    EXPECT_TRUE(player.Load(music.data(), music.size()));
    EXPECT_EQ(player.channels(), 2);
    return size_t(player.frames());
  }
  // `frames` frames of the carried music as the player renders them from its start, looping.
  static std::vector<int16_t> Render(size_t frames, int master = 100, int own = 100) {
    const std::vector<uint8_t> music = Music();
    LoopingPlayer player;
    EXPECT_TRUE(player.Load(music.data(), music.size()));
    player.SetVolumes(master, own);
    player.Play(0, true);
    std::vector<int16_t> pcm(frames * 2);
    player.Render(pcm.data(), frames);
    return pcm;
  }
};

TEST_F(MusicTest, TheLoopPointHasNoClick) {
  const size_t frames = Frames();
  EXPECT_GT(frames, size_t(44100) * 30);
  // One pass and two more seconds: the seconds after the end are the start again.
  const std::vector<int16_t> pcm = Render(frames + 88200);
  const std::vector<int16_t> start = Render(88200);
  EXPECT_TRUE(std::equal(start.begin(), start.end(), pcm.begin() + ptrdiff_t(frames) * 2));
  // The step across the loop point against the steps between neighbouring samples everywhere
  // in the piece: it must be an ordinary one, not only below the very largest.
  for (size_t channel = 0; channel < 2; ++channel) {
    std::vector<int> steps;
    for (size_t i = 2 + channel; i < frames * 2; i += 2)
      steps.push_back(std::abs(pcm[i] - pcm[i - 2]));
    const size_t inner = steps.size() * 99 / 100;
    std::nth_element(steps.begin(), steps.begin() + ptrdiff_t(inner), steps.end());
    const int across = std::abs(pcm[frames * 2 + channel] - pcm[(frames - 1) * 2 + channel]);
    EXPECT_LE(across, steps[inner]) << "channel " << channel;
  }
  // As loud as other music, with room below full scale.
  int peak = 0;
  for (int16_t s : pcm) peak = std::max(peak, std::abs(int(s)));
  EXPECT_LT(20 * std::log10(double(peak) / 32768), -1.0);
  const double rmsDb = 20 * std::log10(Rms(pcm) / 32768);
  EXPECT_GE(rmsDb, -18.0);
  EXPECT_LE(rmsDb, -14.0);
}

TEST_F(MusicTest, VolumesScaleTheOutput) {
  // The two volumes share one scale: half of one of them is the square root of a half.
  const double full = Rms(Render(44100));
  EXPECT_NEAR(Rms(Render(44100, 50, 100)) / full, std::sqrt(0.5), 0.01);
  EXPECT_NEAR(Rms(Render(44100, 100, 50)) / full, std::sqrt(0.5), 0.01);
  EXPECT_EQ(Rms(Render(44100, 0, 100)), 0);
  EXPECT_EQ(Rms(Render(44100, 80, 0)), 0);
}

TEST_F(MusicTest, DamagedOrUnloopedMusic) {
  LoopingPlayer player;
  const std::vector<uint8_t> junk(5000, 0x4F);
  EXPECT_FALSE(player.Load(junk.data(), junk.size()));
  EXPECT_FALSE(player.Load(nullptr, 0));
  EXPECT_FALSE(player.Load(junk.data(), 0)) << "an empty music.ogg: no bytes to read";
  std::vector<int16_t> pcm(1024, 123);
  player.Play(0, true);
  player.Render(pcm.data(), 1024);
  EXPECT_EQ(Rms(pcm), 0) << "nothing loaded: silence";

  // Played to its end without looping: what the piece holds, then silence.
  const std::vector<uint8_t> music = Music();
  ASSERT_TRUE(player.Load(music.data(), music.size()));
  player.Play(player.frames() - 100, false);
  std::vector<int16_t> tail(4096 * 2, 123);
  player.Render(tail.data(), 4096);
  const auto last = std::find_if(tail.rbegin(), tail.rend(), [](int16_t v) { return v != 0; });
  EXPECT_LE(tail.rend() - last, 200) << "100 frames of two channels, then silence";
}

// The module's sound goes through SDL's "disk" driver into a file of this process's own,
// written as fast as the player decodes.
class DiskOutput {
 public:
  DiskOutput() {
    std::filesystem::remove(file_);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
  }
  ~DiskOutput() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::filesystem::remove(file_);
  }
  // False when the device has not been given `frames` frames within a few seconds.
  bool WaitFor(size_t frames) {
    for (int i = 0; i < 1000; ++i) {
      std::error_code error;
      if (std::filesystem::file_size(file_, error) >= frames * 4 + 65536) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // What the device was given, from its first sound on.
  std::vector<int16_t> Sound() {
    std::ifstream in(file_, std::ios::binary);
    const std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
    std::vector<int16_t> pcm(bytes.size() / 2);
    std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
    return FromFirstSound(std::move(pcm));
  }

 private:
  const std::string file_ =
      ::testing::TempDir() + "/solvane_audio_disk." + std::to_string(getpid()) + ".raw";
};

// The module as the program loads it.
class AudioModuleTest : public MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    module_ = dlopen(SOLVANE_AUDIO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (module_ != nullptr) dlclose(module_);
    MusicTest::TearDown();
  }
  template <typename Function>
  Function Get(const char* name) {
    return reinterpret_cast<Function>(dlsym(module_, name));
  }
  int32_t Error() { return Get<audio::ErrorGetCodeFunction>("BASS_ErrorGetCode")(); }

  void* module_ = nullptr;
};

TEST_F(AudioModuleTest, RejectsWhatItCannotPlay) {
  EXPECT_EQ(Get<audio::GetVolumeFunction>("BASS_GetVolume")(), -1);
  EXPECT_EQ(Error(), audio::kErrorNotInit) << "before Init";
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_EQ(Get<audio::InitFunction>("BASS_Init")(1, 44100, 0, nullptr, nullptr), 1);
  const auto load = Get<audio::SampleLoadFunction>("BASS_SampleLoad");
  const std::vector<uint8_t> junk(1000, 7);
  EXPECT_EQ(load(1, junk.data(), 0, 1000, 1, 0), 0u);
  EXPECT_EQ(Error(), audio::kErrorFileFormat);
  EXPECT_EQ(load(1, junk.data(), 0, 0, 1, 0), 0u);
  EXPECT_EQ(Error(), audio::kErrorFileFormat);
  EXPECT_EQ(load(0, "music.ogg", 0, 0, 1, 0), 0u);
  EXPECT_EQ(Error(), audio::kErrorNotFile);
  EXPECT_EQ(Get<audio::SamplePlayExFunction>("BASS_SamplePlayEx")(7, 0, -1, 100, -101, 1), 0u);
  EXPECT_EQ(Error(), audio::kErrorHandle);
  EXPECT_EQ(Get<audio::FreeFunction>("BASS_Free")(), 1);
}

TEST_F(AudioModuleTest, TheSampleKeepsItsOwnCopyOfTheBytes) {
  DiskOutput disk;
  std::vector<uint8_t> music = Music();
  ASSERT_EQ(Get<audio::InitFunction>("BASS_Init")(1, 44100, 0, nullptr, nullptr), 1);
  ASSERT_EQ(Get<audio::StartFunction>("BASS_Start")(), 1);
  const audio::SampleHandle sample = Get<audio::SampleLoadFunction>("BASS_SampleLoad")(
      1, music.data(), 0, uint32_t(music.size()), 1, audio::kSampleOverPosition);
  ASSERT_NE(sample, 0u);
  std::fill(music.begin(), music.end(), uint8_t{0});
  std::vector<uint8_t>().swap(music);
  EXPECT_NE(Get<audio::SamplePlayExFunction>("BASS_SamplePlayEx")(sample, 0, audio::kOwnFrequency,
                                                                  100, audio::kOwnPan, 1),
            0u);
  ASSERT_TRUE(disk.WaitFor(8192));
  EXPECT_EQ(Get<audio::FreeFunction>("BASS_Free")(), 1);
  EXPECT_GT(Rms(disk.Sound()), 300);
}

// The full-screen run: the module is written out, loaded, resolved and removed again.
class MusicRunTest : public MusicTest {
 protected:
  HeadlessPlatform& Prepare(bool music, HeadlessOptions options = {}) {
    options.maxFrames = 3;
    HeadlessPlatform& p = Install(std::move(options));
    p.Store().Set("EnableMusic", music ? 1 : 0);
    return p;
  }
};

// What the program hands the module: the carried piece from its start, looping, at the
// settings' volume as both the output's volume and the sample's.
TEST_F(MusicRunTest, TheDeviceGetsThePieceLoopingAtTheSettingsVolume) {
  DiskOutput disk;
  settings.musicVolume = 30;
  StartMusic();
  ASSERT_TRUE(AudioLibraryLoaded());
  EXPECT_EQ(audioLibrary.getVolume(), 30);
  const size_t frames = Frames() + 44100;
  EXPECT_TRUE(disk.WaitFor(frames));
  StopMusic();
  UnloadAudioLibrary();  // while the platform is there
  const std::vector<int16_t> heard = disk.Sound();
  const std::vector<int16_t> expected = FromFirstSound(Render(frames, 30, 30));
  ASSERT_GE(heard.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), heard.begin()));
}

TEST_F(MusicRunTest, TheModuleComesAndGoesWithTheRun) {
  HeadlessPlatform& p = Prepare(true);
  RunApplication(1);
  const HeadlessRecord& r = p.Record();
  ASSERT_EQ(r.temporaryFiles.size(), 1u);
  // A memory file: nothing is left behind, whatever ends the process.
  const std::string file = r.temporaryFiles[0];
  EXPECT_EQ(file.rfind("/proc/self/fd/", 0), 0u) << file;
  EXPECT_EQ(r.modulesOpened, 1);
  EXPECT_EQ(r.modulesClosed, 1);
  EXPECT_EQ(r.moduleSymbols, std::vector<std::string>(std::begin(audio::kEntryPointNames),
                                                      std::end(audio::kEntryPointNames)));
  EXPECT_EQ(r.removedFiles, std::vector<std::string>{file});
  EXPECT_FALSE(std::filesystem::exists(file)) << "removed at shutdown";
  EXPECT_FALSE(AudioLibraryLoaded());

  HeadlessPlatform& off = Prepare(false);
  RunApplication(1);
  EXPECT_TRUE(off.Record().temporaryFiles.empty()) << "music off loads nothing";
}

TEST_F(MusicRunTest, AModuleThatCannotLoadLeavesTheRunSilent) {
  HeadlessOptions notAModule, writtenShort;
  notAModule.typedResources[{"BASS", kAudioModuleResource}] = std::vector<uint8_t>(4096, 0xCC);
  writtenShort.temporaryRoom = 4096;  // the disk fills up after the first page
  const std::pair<const char*, HeadlessOptions> cases[] = {{"not a module", notAModule},
                                                           {"written short", writtenShort}};
  for (const auto& [name, options] : cases) {
    HeadlessPlatform& p = Prepare(true, options);
    RunApplication(1);
    const HeadlessRecord& r = p.Record();
    EXPECT_EQ(r.modulesOpened, 0) << name;
    ASSERT_EQ(r.temporaryFiles.size(), 1u) << name;
    EXPECT_EQ(r.removedFiles, r.temporaryFiles) << name << ": removed at once";
    EXPECT_FALSE(std::filesystem::exists(r.temporaryFiles[0])) << name;
    EXPECT_EQ(r.idlePasses, 3) << name << ": the run went on";
    EXPECT_EQ(r.modeChanges.size(), 2u) << name << ": and restored the display";
  }
}

TEST(TemporaryFileTest, WritesAreCheckedToTheLastByte) {
  const std::vector<uint8_t> bytes(100000, 0x5A);
  const std::string named = posix::CreateNamedTemporaryFile("bas");
  const std::string memory = posix::CreateTemporaryFile("bas");
  for (const std::string& path : {named, memory}) {
    EXPECT_TRUE(posix::WriteWholeFile(path, bytes)) << path;
    EXPECT_EQ(std::filesystem::file_size(path), bytes.size()) << path;
    posix::RemoveFile(path);
    EXPECT_FALSE(std::filesystem::exists(path)) << path << ": removed, a memory file closed";
  }
  EXPECT_FALSE(posix::WriteWholeFile("/dev/full", bytes));
  EXPECT_FALSE(posix::WriteWholeFile("/nonexistent/solvane/bas", bytes));
}

}  // namespace
}  // namespace solvane
