#include "app/main_loop.h"

#include "app/display.h"
#include "app/input.h"
#include "app/overlay.h"
#include "app/run_options.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "objects/view.h"
#include "platform/opengl.h"
#include "platform/platform.h"
#include "scene/world_list.h"

namespace solvane {

FrameClock frameClock;
ObjectList FirstPassList;
ObjectList WorldList;
ObjectList PostPassList;
float cameraSpeedFactor = 0;

float CameraSpeedFactor(int32_t cameraSpeed) {
  return static_cast<float>(static_cast<uint32_t>(cameraSpeed)) * 0.02f + 0.5f;
}

namespace {

// Mouse offsets are consumed once per idle pass, and the cursor goes back to the centre so
// that the next move is measured from there again.
void ConsumeMouseOffset(float& offset) {
  if (offset == 0) return;
  inputState.mouseTravel += offset;
  offset = 0;
  Host().SetCursorPos(SceneWindowCentre());
}

// Checks the exit conditions, then advances the clock, the camera and every object.
bool AdvanceFrame() {
  bool running = inputState.keys[0] == 0;
  ConsumeMouseOffset(inputState.mouseDX);
  ConsumeMouseOffset(inputState.mouseDY);
  // A signed sum: movement to the left or upwards counts against movement the other way.
  if (settings.exitOnMouseMove && inputState.mouseTravel > 7.0f) running = false;

  const uint64_t now = Host().PerformanceCounter();
  frameClock.frameTime = static_cast<double>(now - frameClock.lastTick) * frameClock.secondsPerTick;
  frameClock.lastTick = Host().PerformanceCounter();

  camera.UpdateFlight(frameClock.frameTime * cameraSpeedFactor);
  for (const ObjectList* list : {&FirstPassList, &WorldList, &PostPassList}) {
    for (SceneObject* object : *list) object->Update(frameClock.frameTime);
  }
  camera.eye = camera.position;
  return running;
}

void DrawList(const ObjectList& list) {
  for (SceneObject* object : list) object->Draw(camera);
}

void CountFrames() {
  const uint64_t now = Host().PerformanceCounter();
  if (static_cast<double>(now - frameClock.fpsStartTick) * frameClock.secondsPerTick > 1.0) {
    frameClock.shownFps = frameClock.frameCount;
    frameClock.frameCount = 0;
    inputState.mouseTravel = 0;
    frameClock.fpsStartTick = Host().PerformanceCounter();
  }
}

}  // namespace

void FramePacer::Start(int32_t maxFps) {
  // A stored cap past the range counts as the largest one; none or a negative one as no cap.
  const int32_t cap = maxFps > kMaxFpsLimit ? kMaxFpsLimit : maxFps;
  period = cap > 0 ? 1.0 / cap : 0;
  nextFrame = Host().PerformanceCounter();
}

void FramePacer::Wait() {
  if (period <= 0) return;
  const double secondsPerTick = 1.0 / static_cast<double>(Host().PerformanceFrequency());
  const uint64_t periodTicks = static_cast<uint64_t>(period / secondsPerTick);
  nextFrame += periodTicks;
  const uint64_t now = Host().PerformanceCounter();
  if (now >= nextFrame) {
    // Late (a slow frame, or the run was suspended): the cap does not make up for lost time
    // with a burst of frames.
    if (now - nextFrame > periodTicks) nextFrame = now;
    return;
  }
  Host().SleepFor(static_cast<double>(nextFrame - now) * secondsPerTick);
}

void RunMainLoop() {
  FramePacer pacer;
  pacer.Start(settings.maxFps);
  bool running = true;
  while (running) {
    const PumpResult pumped = Host().PumpMessage();
    if (pumped == PumpResult::Quit) return;
    if (pumped == PumpResult::Dispatched) continue;

    running = AdvanceFrame();
    DrawViews(RenderFrame);
    pacer.Wait();
  }
}

void DrawViews(void (*draw)(bool first)) {
  bool first = true;
  for (uint32_t i = 0; i < Host().ViewCount(); ++i) {
    int32_t width = viewSize.width;
    int32_t height = viewSize.height;
    if (!Host().SelectView(i, width, height)) continue;
    if (ViewSize{width, height} != viewSize) ResizeScene(width, height);
    draw(first);
    Host().SwapBuffers();
    first = false;
  }
}

void RenderFrame(bool countFrame) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (CurrentWorld == nullptr) return;

  FirstPassList = CurrentWorld->firstPass ? *CurrentWorld->firstPass : ObjectList{};
  PostPassList = CurrentWorld->postPass ? *CurrentWorld->postPass : ObjectList{};
  WorldList = CurrentWorld->objects;

  glLoadIdentity();
  camera.ApplyView();
  if (CurrentWorld->system) {
    const GLfloat atStar[] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT1, GL_POSITION, atStar);
  } else {
    const GLfloat overhead[] = {0, 0, 1000000, 1};
    glLightfv(GL_LIGHT1, GL_POSITION, overhead);
    glLightfv(GL_LIGHT0, GL_POSITION, overhead);
  }
  DrawList(FirstPassList);
  DrawList(WorldList);
  DrawList(PostPassList);

  glLoadIdentity();
  camera.ApplyView();
  if (countFrame) CountFrames();
  glFlush();

  // The clock and the counter set the blending they draw with; the scene's objects, next frame,
  // find the additive blending they left.
  BeginOverlay2D();
  glLoadIdentity();
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  if (settings.showFps) DrawFps(frameClock.shownFps);
  EndOverlay2D();
  if (settings.showTime) DrawClock();
  glEnable(GL_BLEND);

  if (countFrame) ++frameClock.frameCount;
  glFlush();
}

}  // namespace solvane
