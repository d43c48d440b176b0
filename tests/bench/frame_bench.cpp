// Speed of the start-up settings step and of one frame on the off-screen renderer.
#include <benchmark/benchmark.h>

#include "app/application.h"
#include "app/display.h"
#include "app/input.h"
#include "app/main_loop.h"
#include "app/settings.h"
#include "platform/headless/headless_platform.h"
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
  settings.width = width;
  settings.height = height;
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
BENCHMARK(BM_EmptyFrame)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace solvane

BENCHMARK_MAIN();
