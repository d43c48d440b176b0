// The Linux output: an SDL audio device whose callback decodes straight into its buffer.
#include <SDL.h>

#include "audio/audio_output.h"

namespace solvane::audio {

namespace {

class SdlOutput final : public AudioOutput {
 public:
  ~SdlOutput() override { Close(); }

  bool Open(LoopingPlayer& player) override {
    Close();
    SDL_AudioSpec wanted{};
    wanted.freq = player.rate();
    wanted.format = AUDIO_S16SYS;
    wanted.channels = Uint8(player.channels());
    // SDL's device thread sleeps for two buffers' time before a close returns (it lets the
    // device drain, whatever the device holds): 1024 frames keep that at 46 ms at 44.1 kHz,
    // and are still 23 ms of decoding ahead of what is heard.
    wanted.samples = 1024;
    wanted.callback = [](void* user, Uint8* stream, int length) {
      auto* p = static_cast<LoopingPlayer*>(user);
      p->Render(reinterpret_cast<int16_t*>(stream),
                size_t(length) / (sizeof(int16_t) * size_t(p->channels())));
    };
    wanted.userdata = &player;
    // SDL converts to whatever the device takes.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    return device_ != 0;
  }
  void Resume() override {
    if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
  }
  void Pause() override {
    if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
  }
  void Close() override {
    // Paused first: the device plays silence instead of decoding more for the drain.
    if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    device_ = 0;
  }

 private:
  SDL_AudioDeviceID device_ = 0;
};

}  // namespace

bool InitAudioSystem() {
  return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

void QuitAudioSystem() {
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  // When nothing else of SDL is in use in this process (a program without an SDL window), SDL
  // is released entirely, so that nothing it allocated outlives the module.
  if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

std::unique_ptr<AudioOutput> MakeAudioOutput() {
  return std::make_unique<SdlOutput>();
}

}  // namespace solvane::audio
