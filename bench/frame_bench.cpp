// Speed of the start-up settings step and of one frame on the off-screen renderer.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/application.h"
#include "app/display.h"
#include "app/input.h"
#include "app/main_loop.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "objects/view.h"
#include "platform/headless/headless_platform.h"
#include "platform/opengl.h"
#include "scene/world_list.h"

namespace solvane {
namespace {

void BM_LoadSettings(benchmark::State& state) {
  HeadlessPlatform platform;
  SetHost(&platform);
  for (auto _ : state) {
    Application app;
    LoadSettings(app);
    benchmark::DoNotOptimize(settings);
  }
  SetHost(nullptr);
  ResetProcessState();
}
BENCHMARK(BM_LoadSettings);

// One frame of an empty world at the given size: clear, view, overlay, present.
void BM_EmptyFrame(benchmark::State& state) {
  const int width = int(state.range(0));
  const int height = int(state.range(1));
  HeadlessOptions options;
  options.desktop = {width, height, 32};
  HeadlessPlatform platform(options);
  SetHost(&platform);
  viewSize.width = width;
  viewSize.height = height;
  settings.defaultGamma = true;
  MainWindow = platform.CreateSceneWindow(width, height, sceneWindowEvents);
  InitGLState();
  World world;
  CurrentWorld = &world;
  for (auto _ : state) {
    RenderFrame();
    platform.SwapBuffers();
  }
  state.SetItemsProcessed(state.iterations());
  CurrentWorld = nullptr;
  platform.DeleteGLContext();
  SetHost(nullptr);
  ResetProcessState();
}
// The renderer draws on threads of its own: the wall clock paces the runs, and the processor
// time counts every thread.
BENCHMARK(BM_EmptyFrame)
    ->Args({800, 600})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The carried scene loaded as the full-screen start-up loads it, on a headless window of the
// given size; undone when the object goes. A start-up that fails skips the benchmark.
class LoadedScene {
 public:
  LoadedScene(benchmark::State& state, int width, int height) {
    HeadlessOptions options;
    options.commandLine = "solvane /s";
    options.desktop = {width, height, 32};
    platform_ = std::make_unique<HeadlessPlatform>(options);
    SetHost(platform_.get());
    LoadSettings(app_);
    settings.defaultGamma = true;
    started_ = StartSaver(app_);
    if (!started_) state.SkipWithError("the start-up failed");
  }
  ~LoadedScene() {
    StopSaver(app_, started_);
    ResetProcessState();
    SetHost(nullptr);
  }
  bool started() const { return started_; }
  HeadlessPlatform& platform() { return *platform_; }

 private:
  Application app_;
  std::unique_ptr<HeadlessPlatform> platform_;
  bool started_ = false;
};

// What the main loop does between frames: the camera, then every object, in pass order.
void AdvanceScene(double dt) {
  camera.UpdateFlight(dt * cameraSpeedFactor);
  const ObjectList* lists[] = {CurrentWorld->firstPass, &CurrentWorld->objects,
                               CurrentWorld->postPass};
  for (const ObjectList* list : lists) {
    for (SceneObject* object : *list) object->Update(dt);
  }
  camera.eye = camera.position;
}

// The CPU side of one frame of the carried scene: the camera and every object's Update, then
// the frame's drawing handed to OpenGL. The renderer's own work on it (rasterising on its
// threads, which glFinish waits for) is left out of the timing.
void BM_SceneUpdateAndSubmit(benchmark::State& state) {
  LoadedScene scene(state, 800, 600);
  if (!scene.started()) return;
  for (auto _ : state) {
    AdvanceScene(0.02);
    RenderFrame();
    state.PauseTiming();
    glFinish();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneUpdateAndSubmit)->Unit(benchmark::kMicrosecond);

// The two halves apart: the updates alone, and the drawing calls alone (without the flush at
// the end of the frame, which hands the work to the renderer's threads).
void BM_SceneUpdate(benchmark::State& state) {
  LoadedScene scene(state, 800, 600);
  if (!scene.started()) return;
  for (auto _ : state) AdvanceScene(0.02);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneUpdate)->Unit(benchmark::kMicrosecond);

void BM_SceneDrawCalls(benchmark::State& state) {
  LoadedScene scene(state, 800, 600);
  if (!scene.started()) return;
  const ObjectList* lists[] = {CurrentWorld->firstPass, &CurrentWorld->objects,
                               CurrentWorld->postPass};
  for (auto _ : state) {
    state.PauseTiming();
    AdvanceScene(0.02);
    glFinish();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    camera.ApplyView();
    state.ResumeTiming();
    for (const ObjectList* list : lists) {
      for (SceneObject* object : *list) object->Draw(camera);
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneDrawCalls)->Unit(benchmark::kMicrosecond);

// A whole frame of the carried scene, drawn and presented, at the given size.
void BM_SceneFrame(benchmark::State& state) {
  LoadedScene scene(state, int(state.range(0)), int(state.range(1)));
  if (!scene.started()) return;
  for (auto _ : state) {
    AdvanceScene(0.02);
    RenderFrame();
    scene.platform().SwapBuffers();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneFrame)
    ->Args({800, 600})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace solvane

BENCHMARK_MAIN();
