// Where the start-up time goes: from the process's start to the first frame of the scene on
// the headless front end, then the loading steps one by one.
// Usage: solvane_startup_bench [WIDTHxHEIGHT]
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/display.h"
#include "app/input.h"
#include "app/main_loop.h"
#include "app/music.h"
#include "app/overlay.h"
#include "app/settings.h"
#include "objects/mesh_file.h"
#include "objects/view.h"
#include "platform/headless/headless_platform.h"
#include "platform/opengl.h"
#include "platform/posix/posix_files.h"
#include "scene/texture_manager.h"
#include "scene/world_list.h"

namespace solvane {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Time(const std::function<void()>& step) {
  const Clock::time_point start = Clock::now();
  step();
  glFinish();
  return MillisecondsSince(start);
}

int Run(int width, int height) {
  const double ageAtMain = posix::ProcessAgeMilliseconds();
  const Clock::time_point mainStart = Clock::now();

  // The whole start-up as the full-screen run does it, up to the first presented frame.
  HeadlessOptions options;
  options.commandLine = "solvane /s";
  options.desktop = {width, height, 32};
  options.maxFrames = 1;
  HeadlessPlatform platform(options);
  SetHost(&platform);
  Application app;
  LoadSettings(app);
  const double settingsMs = MillisecondsSince(mainStart);
  Clock::time_point stepStart = Clock::now();
  if (!StartSaver(app)) {
    std::fputs("the start-up failed\n", stderr);
    return 1;
  }
  glFinish();
  const double startSaverMs = MillisecondsSince(stepStart);
  stepStart = Clock::now();
  RunMainLoop();  // one frame: the camera and the objects advance, then the frame is drawn
  const double firstFrameMs = MillisecondsSince(stepStart);
  const double toFirstFrame = MillisecondsSince(mainStart);
  const int reports = platform.Record().loadProgressReports;
  StopSaver(app, true);
  ResetProcessState();

  // The loading steps again, one at a time, on a fresh window: first without the loading
  // screen's redraws, then the redraws on their own.
  MainWindow = platform.CreateSceneWindow(width, height, sceneWindowEvents);
  viewSize.width = width;
  viewSize.height = height;
  settings.defaultGamma = true;
  InitGLState();
  const WindowHandle window = MainWindow;
  MainWindow = 0;  // progress reports go nowhere
  double jpeg = 0;
  {
    const std::vector<std::string> names = {"c.jpg",      "500.jpg",    "stars2.jpg",
                                            "stars.jpg",  "roreol.jpg", "refl.jpg",
                                            "soreol.jpg", "sun.jpg",    "bs.jpg"};
    for (const std::string& name : names) {
      jpeg += Time([&] {
        Image image;
        LoadJpegImage(("textures\\" + name).c_str(), image, false, 0);
      });
    }
  }
  const double overlay = Time([] { LoadOverlayTextures(); });
  const double textures = Time([] { LoadTextureList("texture.txt", false); });
  const double font = Time([] { BuildDigitFont(); });
  const double meshes = Time([] {
    BuildStandardMeshes();
    LoadSphereArrays("meshes\\sphere.dat");
  });
  const double scripts = Time([] {
    LoadEnvironments(environmentCatalog, "env.txt");
    LoadWorlds(worldCatalog, environmentCatalog, "worlds.txt");
  });
  MainWindow = window;
  const double redraws = Time([&] {
    for (int i = 0; i < reports; ++i) platform.SendLoadProgress(MainWindow);
  });
  const double musicStart = Time([] { StartMusic(); });
  const double musicStop = Time([] {
    StopMusic();
    UnloadAudioLibrary();
  });
  platform.DeleteGLContext();
  ResetProcessState();
  SetHost(nullptr);

  std::printf("start-up at %dx%d, milliseconds\n", width, height);
  std::printf("  process start to main          %8.1f\n", ageAtMain);
  std::printf("  main to first scene frame      %8.1f\n", toFirstFrame);
  std::printf("  process start to first frame  %8.1f\n", ageAtMain + toFirstFrame);
  std::printf("    settings                      %8.1f\n", settingsMs);
  std::printf("    windows and loading           %8.1f\n", startSaverMs);
  std::printf("    first frame drawn, presented  %8.1f\n", firstFrameMs);
  std::printf("loading steps measured apart:\n");
  std::printf("  overlay images                 %8.1f\n", overlay);
  std::printf("  JPEG decoding (9 images)       %8.1f\n", jpeg);
  std::printf("  textures and mipmaps           %8.1f  (decoding included)\n", textures);
  std::printf("  glyph font                     %8.1f\n", font);
  std::printf("  meshes and display lists       %8.1f\n", meshes);
  std::printf("  environment and world scripts  %8.1f\n", scripts);
  std::printf("  loading-screen redraws (%2d)    %8.1f\n", reports, redraws);
  std::printf("  music: module written, loaded, playing  %8.1f\n", musicStart);
  std::printf("  music: stopped and unloaded (shutdown)  %8.1f\n", musicStop);
  return 0;
}

}  // namespace
}  // namespace solvane

int main(int argc, char** argv) {
  int width = 800, height = 600;
  if (argc > 1 && std::sscanf(argv[1], "%dx%d", &width, &height) != 2) {
    std::fputs("usage: solvane_startup_bench [WIDTHxHEIGHT]\n", stderr);
    return 2;
  }
  return solvane::Run(width, height);
}
