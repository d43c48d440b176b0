#include "app/input.h"

#include "app/display.h"
#include "app/main_loop.h"
#include "app/overlay.h"
#include "objects/view.h"
#include "platform/opengl.h"

namespace solvane {

InputState inputState;
SceneWindowEvents sceneWindowEvents;

// Key codes index `keys`; a code past its end is still a key press, it just has no flag of its
// own. Entry 0 is the run's exit flag, so no key release may clear it.
void SceneWindowEvents::KeyDown(uint32_t virtualKey) {
  inputState.keys[0] = 1;
  if (virtualKey < inputState.keys.size()) inputState.keys[virtualKey] = 1;
}

void SceneWindowEvents::KeyUp(uint32_t virtualKey) {
  if (virtualKey != 0 && virtualKey < inputState.keys.size()) inputState.keys[virtualKey] = 0;
}

void SceneWindowEvents::ButtonDown() {
  inputState.keys[0] = 1;
}

ScreenPoint SceneWindowCentre() {
  const ScreenRect client = Host().ClientRect(MainWindow);
  return Host().ClientToScreen(MainWindow, {client.right / 2, client.bottom / 2});
}

void SceneWindowEvents::MouseMove(uint16_t clientX, uint16_t clientY) {
  const ScreenPoint cursor = Host().ClientToScreen(MainWindow, {clientX, clientY});
  const ScreenPoint centre = SceneWindowCentre();
  inputState.mouseDX = static_cast<float>(cursor.x - centre.x) * 0.3f;
  inputState.mouseDY = static_cast<float>(cursor.y - centre.y) * 0.3f;
}

void SceneWindowEvents::Resized(int32_t width, int32_t height) {
  ResizeScene(width, height);
}

void SceneWindowEvents::LoadProgress() {
  // The loading screen does not change while the scene loads: a redraw for every one of a
  // large scene's objects would cost more than the loading itself. After the first, one redraw
  // per display frame at most.
  const uint64_t now = Host().PerformanceCounter();
  const uint64_t frequency = Host().PerformanceFrequency();
  if (loadScreenShown_ && now - lastLoadRedraw_ < frequency / 60) return;
  loadScreenShown_ = true;
  lastLoadRedraw_ = now;
  DrawViews([](bool) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawLoadingScreen();
    glFinish();
  });
}

}  // namespace solvane
