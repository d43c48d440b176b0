// What keys, clicks and mouse moves over the scene window do: the scene window's procedure,
// written once for every front end.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace solvane {

struct InputState {
  // Entry 0 is set by any key press or left/right click and never cleared; the others are
  // the virtual keys held down.
  std::array<uint8_t, 256> keys{};
  // The cursor's offset from the centre of the scene window at the last move, times 0.3.
  float mouseDX = 0;
  float mouseDY = 0;
  // Signed sum of the offsets within the current frames-per-second interval.
  float mouseTravel = 0;
};

extern InputState inputState;

// The scene window's events, applied to `inputState`.
class SceneWindowEvents final : public WindowEvents {
 public:
  void KeyDown(uint32_t virtualKey) override;
  void KeyUp(uint32_t virtualKey) override;
  void ButtonDown() override;
  void MouseMove(uint16_t clientX, uint16_t clientY) override;
  void LoadProgress() override;
  void Resized(int32_t width, int32_t height) override;

  // Back to a state where the next progress report redraws.
  void Reset() { loadScreenShown_ = false; }

 private:
  bool loadScreenShown_ = false;
  uint64_t lastLoadRedraw_ = 0;  // counter reading of the last loading-screen redraw
};

extern SceneWindowEvents sceneWindowEvents;

// The centre of the scene window's client area in screen coordinates.
ScreenPoint SceneWindowCentre();

}  // namespace solvane
