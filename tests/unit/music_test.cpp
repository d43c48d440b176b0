// The music: the looping player on its own, the audio module through its nine entry points with
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
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "app/music.h"
#include "audio/audio_module.h"
#include "audio/looping_player.h"
#include "data/archive_file.h"
#include "platform/posix/posix_files.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using audio::LoopingPlayer;

double Rms(const int16_t* samples, size_t count) {
  double sum = 0;
  for (size_t i = 0; i < count; ++i) sum += double(samples[i]) * samples[i];
  return count > 0 ? std::sqrt(sum / double(count)) : 0;
}

class MusicTest : public ::solvane::testing::HeadlessTest {
 protected:
  // The carried music's bytes.
  std::vector<uint8_t> Music() {
    ArchiveFile file;
    EXPECT_EQ(file.Open("music.ogg"), 1);
    return std::vector<uint8_t>(file.data, file.data + file.size);
  }
};

TEST_F(MusicTest, TheLoopPointHasNoClick) {
  const std::vector<uint8_t> music = Music();
  LoopingPlayer player;
  ASSERT_TRUE(player.Load(music.data(), music.size()));
  ASSERT_EQ(player.channels(), 2);
  ASSERT_EQ(player.rate(), 44100);
  const size_t frames = size_t(player.frames());
  EXPECT_GT(frames, size_t(44100) * 30);

  // One pass and two more seconds: the seconds after the end are the start again.
  player.Play(0, true);
  std::vector<int16_t> pcm((frames + 88200) * 2);
  player.Render(pcm.data(), frames + 88200);
  std::vector<int16_t> start(88200 * 2);
  LoopingPlayer again;
  ASSERT_TRUE(again.Load(music.data(), music.size()));
  again.Play(0, true);
  again.Render(start.data(), 88200);
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
  EXPECT_GT(Rms(pcm.data(), pcm.size()), 300) << "music, not silence";
}

// In-place radix-2 transform of `re` and `im` (of a power-of-two length).
void Fft(std::vector<double>& re, std::vector<double>& im) {
  const size_t n = re.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; (j & bit) != 0; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
  for (size_t length = 2; length <= n; length <<= 1) {
    const double angle = -2 * std::numbers::pi / double(length);
    for (size_t start = 0; start < n; start += length) {
      for (size_t k = 0; k < length / 2; ++k) {
        const double wr = std::cos(angle * double(k)), wi = std::sin(angle * double(k));
        const size_t a = start + k, b = a + length / 2;
        const double br = re[b] * wr - im[b] * wi, bi = re[b] * wi + im[b] * wr;
        re[b] = re[a] - br;
        im[b] = im[a] - bi;
        re[a] += br;
        im[a] += bi;
      }
    }
  }
}

// What the music gives each kind of listener: headphones hear it all, a small speaker nothing
// below 150 Hz. No register may drown the others, and the whole is as loud as other music.
TEST_F(MusicTest, TheMixIsBalancedAndAtMusicLoudness) {
  const std::vector<uint8_t> music = Music();
  LoopingPlayer player;
  ASSERT_TRUE(player.Load(music.data(), music.size()));
  const size_t frames = size_t(player.frames());
  player.Play(0, true);
  std::vector<int16_t> pcm(frames * 2);
  player.Render(pcm.data(), frames);

  int peak = 0;
  for (int16_t s : pcm) peak = std::max(peak, std::abs(int(s)));
  const double peakDb = 20 * std::log10(double(peak) / 32768);
  const double rmsDb = 20 * std::log10(Rms(pcm.data(), pcm.size()) / 32768);
  EXPECT_LT(peakDb, -1.0);
  EXPECT_GE(rmsDb, -18.0);
  EXPECT_LE(rmsDb, -14.0);

  // Energy per band, from windowed transforms of both channels over the whole loop.
  const struct {
    double from, to;  // Hz
    double least, most;
    const char* what;
  } bands[] = {
      {0, 75, 0, 0.40, "the drone's octave"},
      {75, 150, 0, 0.40, "the bass"},
      {150, 300, 0.05, 0.40, "the pad's low octave"},
      {300, 1000, 0.05, 0.40, "the pad's upper notes and the bells' tones"},
      {150, 1000, 0.20, 0.40, "all a small speaker plays up to 1 kHz"},
      {1000, 22050, 0.15, 0.40, "the bells' partials, the shimmer, the air"},
      {150, 22050, 0.60, 1.00, "all a small speaker plays"},
  };
  constexpr size_t kBlock = 8192;
  std::vector<double> energy(std::size(bands), 0.0);
  double total = 0;
  for (size_t at = 0; at + kBlock <= frames; at += kBlock) {
    for (size_t channel = 0; channel < 2; ++channel) {
      std::vector<double> re(kBlock), im(kBlock, 0.0);
      for (size_t i = 0; i < kBlock; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / kBlock);
        re[i] = hann * pcm[(at + i) * 2 + channel];
      }
      Fft(re, im);
      for (size_t k = 1; k < kBlock / 2; ++k) {
        const double hz = double(k) * 44100 / kBlock, power = re[k] * re[k] + im[k] * im[k];
        total += power;
        for (size_t b = 0; b < std::size(bands); ++b) {
          if (hz >= bands[b].from && hz < bands[b].to) energy[b] += power;
        }
      }
    }
  }
  ASSERT_GT(total, 0);
  for (size_t b = 0; b < std::size(bands); ++b) {
    const double share = energy[b] / total;
    EXPECT_GE(share, bands[b].least) << bands[b].what;
    EXPECT_LE(share, bands[b].most) << bands[b].what;
  }
}

TEST_F(MusicTest, VolumesScaleTheOutput) {
  const std::vector<uint8_t> music = Music();
  const size_t frames = 44100;
  std::vector<double> levels;
  for (const auto& [master, own] : {std::pair{100, 100}, {50, 100}, {100, 50}, {0, 100}, {80, 0}}) {
    LoopingPlayer player;
    ASSERT_TRUE(player.Load(music.data(), music.size()));
    player.SetVolumes(master, own);
    player.Play(0, true);
    std::vector<int16_t> pcm(frames * 2);
    player.Render(pcm.data(), frames);
    levels.push_back(Rms(pcm.data(), pcm.size()));
  }
  // The two volumes share one scale: half of one of them is the square root of a half.
  EXPECT_NEAR(levels[1] / levels[0], std::sqrt(0.5), 0.01);
  EXPECT_NEAR(levels[2] / levels[0], std::sqrt(0.5), 0.01);
  EXPECT_EQ(levels[3], 0);
  EXPECT_EQ(levels[4], 0);
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
  EXPECT_EQ(Rms(pcm.data(), pcm.size()), 0) << "nothing loaded: silence";

  // A truncated file plays what it holds, then falls silent without looping.
  const std::vector<uint8_t> music = Music();
  ASSERT_TRUE(player.Load(music.data(), music.size()));
  player.Play(player.frames() - 100, false);
  std::vector<int16_t> tail(4096 * 2, 123);
  player.Render(tail.data(), 4096);
  size_t lastSound = 0;
  for (size_t i = 0; i < tail.size(); ++i) {
    if (tail[i] != 0) lastSound = i;
  }
  EXPECT_LT(lastSound, size_t(200)) << "100 frames of two channels, then silence";
}

// The module as the program loads it, playing into a file through SDL's "disk" driver.
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

  // Plays the carried music at `volume` for a moment and returns what the device was given.
  // With `dropBytes`, the bytes handed to the module are overwritten and freed once the sample
  // has loaded, as the program frees its copy.
  std::vector<int16_t> Play(int volume, bool dropBytes = false) {
    // One file per process: the tests run side by side.
    const std::string file =
        ::testing::TempDir() + "/solvane_audio_disk." + std::to_string(getpid()) + ".raw";
    std::filesystem::remove(file);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    std::vector<uint8_t> music = Music();
    EXPECT_EQ(Get<audio::InitFunction>("BASS_Init")(1, 44100, 0, nullptr, nullptr), 1);
    EXPECT_EQ(Get<audio::StartFunction>("BASS_Start")(), 1);
    EXPECT_EQ(Get<audio::SetVolumeFunction>("BASS_SetVolume")(uint32_t(volume)), 1);
    EXPECT_EQ(Get<audio::GetVolumeFunction>("BASS_GetVolume")(), volume);
    const audio::SampleHandle sample = Get<audio::SampleLoadFunction>("BASS_SampleLoad")(
        1, music.data(), 0, uint32_t(music.size()), 1, audio::kSampleOverPosition);
    EXPECT_NE(sample, 0u);
    if (dropBytes) {
      std::fill(music.begin(), music.end(), uint8_t{0});
      std::vector<uint8_t>().swap(music);
    }
    EXPECT_NE(Get<audio::SamplePlayExFunction>("BASS_SamplePlayEx")(sample, 0, audio::kOwnFrequency,
                                                                    volume, audio::kOwnPan, 1),
              0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(Get<audio::StopFunction>("BASS_Stop")(), 1);
    EXPECT_EQ(Get<audio::FreeFunction>("BASS_Free")(), 1);
    EXPECT_EQ(Get<audio::ErrorGetCodeFunction>("BASS_ErrorGetCode")(), 0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
    std::vector<int16_t> pcm(bytes.size() / 2);
    std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
    in.close();
    std::filesystem::remove(file);
    return pcm;
  }

  void* module_ = nullptr;
};

TEST_F(AudioModuleTest, ExportsTheNineEntryPoints) {
  for (const char* name : audio::kEntryPointNames) EXPECT_NE(dlsym(module_, name), nullptr) << name;
  // Calls before Init fail cleanly and say why.
  EXPECT_EQ(Get<audio::StartFunction>("BASS_Start")(), 0);
  EXPECT_EQ(Get<audio::ErrorGetCodeFunction>("BASS_ErrorGetCode")(), audio::kErrorNotInit);
}

TEST_F(AudioModuleTest, PlaysAtItsVolumeThroughTheDevice) {
  // The device may start a buffer of silence earlier or later on a busy machine: both runs are
  // compared from their first sound on.
  const auto fromFirstSound = [](std::vector<int16_t> pcm) {
    pcm.erase(pcm.begin(), std::find_if(pcm.begin(), pcm.end(), [](int16_t v) { return v != 0; }));
    return pcm;
  };
  const std::vector<int16_t> full = fromFirstSound(Play(100));
  const std::vector<int16_t> half = fromFirstSound(Play(50));
  const std::vector<int16_t> none = Play(0);
  const size_t common = std::min(full.size(), half.size());
  ASSERT_GT(common, size_t(4096));
  EXPECT_GT(Rms(full.data(), common), 300);
  // Volume 50, given as the output's and the sample's volume, is half the amplitude.
  EXPECT_NEAR(Rms(half.data(), common) / Rms(full.data(), common), 0.5, 0.01);
  EXPECT_EQ(Rms(none.data(), none.size()), 0);
}

TEST_F(AudioModuleTest, TheSampleKeepsItsOwnCopyOfTheBytes) {
  const std::vector<int16_t> pcm = Play(100, true);
  ASSERT_GT(pcm.size(), size_t(4096));
  EXPECT_GT(Rms(pcm.data(), pcm.size()), 300);
}

TEST_F(AudioModuleTest, RejectsWhatItCannotPlay) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_EQ(Get<audio::InitFunction>("BASS_Init")(1, 44100, 0, nullptr, nullptr), 1);
  const std::vector<uint8_t> junk(1000, 7);
  EXPECT_EQ(Get<audio::SampleLoadFunction>("BASS_SampleLoad")(1, junk.data(), 0, 1000, 1, 0), 0u);
  EXPECT_EQ(Get<audio::ErrorGetCodeFunction>("BASS_ErrorGetCode")(), audio::kErrorFileFormat);
  EXPECT_EQ(Get<audio::SampleLoadFunction>("BASS_SampleLoad")(1, junk.data(), 0, 0, 1, 0), 0u);
  EXPECT_EQ(Get<audio::ErrorGetCodeFunction>("BASS_ErrorGetCode")(), audio::kErrorFileFormat);
  EXPECT_EQ(Get<audio::SampleLoadFunction>("BASS_SampleLoad")(0, "music.ogg", 0, 0, 1, 0), 0u);
  EXPECT_EQ(Get<audio::SamplePlayExFunction>("BASS_SamplePlayEx")(7, 0, -1, 100, -101, 1), 0u);
  EXPECT_EQ(Get<audio::ErrorGetCodeFunction>("BASS_ErrorGetCode")(), audio::kErrorHandle);
  EXPECT_EQ(Get<audio::FreeFunction>("BASS_Free")(), 1);
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

TEST_F(MusicRunTest, TheModuleComesAndGoesWithTheRun) {
  HeadlessPlatform& p = Prepare(true);
  RunApplication(1);
  const HeadlessRecord& r = p.Record();
  ASSERT_EQ(r.temporaryFiles.size(), 1u);
  // A memory file: nothing is left behind, whatever ends the process.
  const std::filesystem::path file = r.temporaryFiles[0];
  EXPECT_EQ(file.string().rfind("/proc/self/fd/", 0), 0u) << file;
  EXPECT_EQ(r.modulesOpened, 1);
  EXPECT_EQ(r.modulesClosed, 1);
  ASSERT_EQ(r.moduleSymbols.size(), 9u);
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(r.moduleSymbols[i], audio::kEntryPointNames[i]);
  EXPECT_EQ(r.removedFiles, std::vector<std::string>{file.string()});
  EXPECT_FALSE(std::filesystem::exists(file)) << "removed at shutdown";
  EXPECT_FALSE(AudioLibraryLoaded());
}

TEST_F(MusicRunTest, MusicOffLoadsNothing) {
  HeadlessPlatform& p = Prepare(false);
  RunApplication(1);
  EXPECT_TRUE(p.Record().temporaryFiles.empty());
  EXPECT_EQ(p.Record().modulesOpened, 0);
}

TEST_F(MusicRunTest, AModuleThatDoesNotLoadLeavesTheRunSilent) {
  HeadlessOptions options;
  options.typedResources[{"BASS", kAudioModuleResource}] = std::vector<uint8_t>(4096, 0xCC);
  HeadlessPlatform& p = Prepare(true, options);
  RunApplication(1);
  const HeadlessRecord& r = p.Record();
  EXPECT_EQ(r.modulesOpened, 0);
  ASSERT_EQ(r.temporaryFiles.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(r.temporaryFiles[0])) << "removed at once";
  EXPECT_EQ(r.idlePasses, 3) << "the run went on";
  EXPECT_EQ(r.modeChanges.size(), 2u) << "and restored the display";
}

TEST_F(MusicRunTest, AModuleWrittenShortIsNeverLoaded) {
  HeadlessOptions options;
  options.temporaryRoom = 4096;  // the disk fills up after the first page
  HeadlessPlatform& p = Prepare(true, options);
  RunApplication(1);
  const HeadlessRecord& r = p.Record();
  EXPECT_EQ(r.modulesOpened, 0);
  ASSERT_EQ(r.temporaryFiles.size(), 1u);
  EXPECT_EQ(r.removedFiles, r.temporaryFiles) << "removed at once";
  EXPECT_EQ(r.idlePasses, 3) << "the run went on";
}

TEST(TemporaryFileTest, WritesAreCheckedToTheLastByte) {
  const std::vector<uint8_t> bytes(100000, 0x5A);
  struct Case {
    const char* name;
    std::string path;
    bool written;
  };
  const std::string named = posix::CreateNamedTemporaryFile("bas");
  const std::string memory = posix::CreateTemporaryFile("bas");
  const Case cases[] = {
      {"a named file", named, true},
      {"a memory file", memory, true},
      {"a full disk", "/dev/full", false},
      {"no such directory", "/nonexistent/solvane/bas", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(posix::WriteWholeFile(c.path, bytes), c.written) << c.name;
  }
  EXPECT_EQ(std::filesystem::file_size(named), bytes.size());
  posix::RemoveFile(named);
  posix::RemoveFile(memory);
  EXPECT_FALSE(std::filesystem::exists(named));
  EXPECT_FALSE(std::filesystem::exists(memory)) << "the memory file is closed";
}

TEST_F(MusicRunTest, RunsAtTheSameTimeGetFilesOfTheirOwn) {
  HeadlessPlatform& p = Prepare(true);
  const std::string first = p.CreateTemporaryFile("bas");
  const std::string second = p.CreateTemporaryFile("bas");
  EXPECT_NE(first, second);
  EXPECT_TRUE(std::filesystem::exists(first));
  p.RemoveFile(first);
  p.RemoveFile(second);
  EXPECT_FALSE(std::filesystem::exists(second));
}

}  // namespace
}  // namespace solvane
