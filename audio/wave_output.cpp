// The Windows output: waveOut with a few buffers in flight. A thread of the module's own refills
// each buffer the device hands back, decoding ahead of what is heard.
#include <windows.h>

#include <mmsystem.h>

#include <array>
#include <atomic>
#include <vector>

#include "audio/audio_output.h"

namespace solvane::audio {

namespace {

constexpr size_t kBuffers = 4;
constexpr size_t kFramesPerBuffer = 4096;

class WaveOutput final : public AudioOutput {
 public:
  ~WaveOutput() override { Close(); }

  bool Open(LoopingPlayer& player) override {
    Close();
    player_ = &player;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(player.channels());
    format.nSamplesPerSec = DWORD(player.rate());
    format.wBitsPerSample = 16;
    format.nBlockAlign = WORD(format.nChannels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (event_ == nullptr) return false;
    if (waveOutOpen(&device_, WAVE_MAPPER, &format, DWORD_PTR(event_), 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR) {
      device_ = nullptr;
      CloseHandle(event_);
      event_ = nullptr;
      return false;
    }
    waveOutPause(device_);
    for (size_t i = 0; i < kBuffers; ++i) {
      samples_[i].assign(kFramesPerBuffer * size_t(player.channels()), 0);
      headers_[i] = {};
      headers_[i].lpData = reinterpret_cast<LPSTR>(samples_[i].data());
      headers_[i].dwBufferLength = DWORD(samples_[i].size() * sizeof(int16_t));
      waveOutPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR));
      Fill(i);
    }
    stopping_ = false;
    thread_ = CreateThread(nullptr, 0, &WaveOutput::Run, this, 0, nullptr);
    return thread_ != nullptr;
  }

  void Resume() override {
    if (device_ != nullptr) waveOutRestart(device_);
  }
  void Pause() override {
    if (device_ != nullptr) waveOutPause(device_);
  }

  void Close() override {
    if (thread_ != nullptr) {
      stopping_ = true;
      SetEvent(event_);
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
    }
    if (device_ != nullptr) {
      waveOutReset(device_);
      for (WAVEHDR& header : headers_) waveOutUnprepareHeader(device_, &header, sizeof(WAVEHDR));
      waveOutClose(device_);
      device_ = nullptr;
    }
    if (event_ != nullptr) CloseHandle(event_);
    event_ = nullptr;
    player_ = nullptr;
  }

 private:
  // Decodes into buffer `i` and queues it.
  void Fill(size_t i) {
    player_->Render(samples_[i].data(), kFramesPerBuffer);
    waveOutWrite(device_, &headers_[i], sizeof(WAVEHDR));
  }

  static DWORD WINAPI Run(void* self) {
    auto* output = static_cast<WaveOutput*>(self);
    while (WaitForSingleObject(output->event_, INFINITE) == WAIT_OBJECT_0 && !output->stopping_) {
      for (size_t i = 0; i < kBuffers; ++i) {
        if ((output->headers_[i].dwFlags & WHDR_DONE) != 0) output->Fill(i);
      }
    }
    return 0;
  }

  HWAVEOUT device_ = nullptr;
  HANDLE event_ = nullptr;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stopping_{false};
  LoopingPlayer* player_ = nullptr;
  std::array<std::vector<int16_t>, kBuffers> samples_;
  std::array<WAVEHDR, kBuffers> headers_{};
};

}  // namespace

bool InitAudioSystem() {
  return waveOutGetNumDevs() > 0;
}

void QuitAudioSystem() {}

std::unique_ptr<AudioOutput> MakeAudioOutput() {
  return std::make_unique<WaveOutput>();
}

}  // namespace solvane::audio
