#include "app/application.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

#include "app/input.h"
#include "app/main_loop.h"
#include "app/mod_content.h"
#include "app/music.h"
#include "app/overlay.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "camera/camera.h"
#include "data/archive_file.h"
#include "objects/mesh_file.h"
#include "objects/modulate_program.h"
#include "objects/random.h"
#include "objects/sphere.h"
#include "objects/view.h"
#include "platform/opengl.h"
#include "scene/content_problem.h"
#include "scene/scene_script.h"
#include "scene/texture_manager.h"
#include "scene/world_list.h"
#include "ui/config_dialog.h"

namespace solvane {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The decimal number at the first digit at or after `from`, if there is one. Numbers past the
// 32-bit range saturate: no window has such a handle.
bool NumberAfter(std::string_view text, size_t from, uint32_t& number) {
  while (from < text.size() && !IsDigit(text[from])) ++from;
  if (from == text.size()) return false;
  uint64_t value = 0;
  for (; from < text.size() && IsDigit(text[from]); ++from) {
    value =
        std::min<uint64_t>(value * 10 + (text[from] - '0'), std::numeric_limits<uint32_t>::max());
  }
  number = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

RunMode ParseCommandLine(std::string_view text, uint32_t& parentWindow) {
  parentWindow = 0;
  size_t pos = 0;
  // The program name, quoted when its path has spaces; switch characters inside it don't count.
  if (!text.empty() && text[0] == '"') {
    pos = text.find('"', 1);
    pos = pos == std::string_view::npos ? text.size() : pos + 1;
  } else {
    pos = text.find(' ');
    pos = pos == std::string_view::npos ? text.size() : pos + 1;
  }

  const size_t switchAt = text.find_first_of("/-", pos);
  if (switchAt == std::string_view::npos) return RunMode::Configure;
  const size_t letterAt = switchAt + 1;
  const char letter = letterAt < text.size() ? text[letterAt] : '\0';
  switch (letter) {
    case 'c':
    case 'C':
      NumberAfter(text, letterAt + 1, parentWindow);
      return RunMode::Configure;
    case 'p':
    case 'P':
      NumberAfter(text, letterAt + 1, parentWindow);
      return RunMode::Preview;
    case 't':
    case 'T':
      return RunMode::SaverT;
    default:
      return RunMode::Saver;
  }
}

namespace {

// The widest and the tallest of the display's modes and the desktop's own.
DisplayMode LargestDisplayMode(const DisplayMode& desktop) {
  DisplayMode largest = desktop;
  DisplayMode mode;
  for (uint32_t i = 0; i < 10000 && Host().DisplayModeAt(i, mode); ++i) {
    largest.width = std::max(largest.width, mode.width);
    largest.height = std::max(largest.height, mode.height);
  }
  return largest;
}

}  // namespace

void LoadSettings(Application& app) {
  LoadDefaultsText();
  LoadStringTable();
  defaultSettings = settings;
  ApplyDefaults(defaultSettings);
  settings = defaultSettings;

  app.mode = ParseCommandLine(Host().CommandLine(), app.parentWindow);
  ReadRegistrySettings();
  EnumerateMonitors(app.monitors);

  const DisplayMode desktop = Host().CurrentDisplayMode();
  // A zero or negative size would make an empty window and a degenerate projection, and one
  // larger than the display can show would only cost memory (off screen, gigabytes): such a
  // mode is replaced by the desktop's, as if the desktop mode had been asked for.
  const DisplayMode largest = LargestDisplayMode(desktop);
  if (!settings.useDesktop &&
      (settings.width > largest.width || settings.height > largest.height)) {
    Host().LogLine("the stored mode " + std::to_string(settings.width) + " x " +
                   std::to_string(settings.height) + " is larger than the display's largest, " +
                   std::to_string(largest.width) + " x " + std::to_string(largest.height) +
                   "; the desktop's mode is used");
    settings.width = 0;
  }
  if (settings.useDesktop || settings.width <= 0 || settings.height <= 0) {
    settings.width = desktop.width;
    settings.height = desktop.height;
    settings.bitsPerPixel = desktop.bitsPerPixel;
  }

  defaultSettings = settings;
  ApplyDefaults(defaultSettings);
}

void RunConfigure(Application& app) {
  ui::RunConfigurationDialog(app.parentWindow);
}

void RunPreview(Application& app) {
  Host().RegisterPreviewClass();
  const WindowHandle window = Host().CreatePreviewWindow(app.parentWindow);
  if (window == 0) {
    Host().ShowMessage("Cannot creat window!", "ERROR");
    return;
  }
  Host().ShowWindow(window, app.showCommand);
  Host().RunMessageLoop();
}

namespace {

// The scene window on the first monitor that has a handle, blanking windows on the others.
// False when a window could not be made or no monitor had a handle.
bool CreateSaverWindows(Application& app) {
  bool any = false;
  for (uint32_t i = 0; i < app.monitors.count; ++i) {
    MonitorEntry& entry = app.monitors.entries[i];
    if (entry.monitor == 0) continue;
    if (!any) {
      entry.window = Host().CreateSceneWindow(settings.width, settings.height, sceneWindowEvents);
      MainWindow = entry.window;
      viewSize = {settings.width, settings.height};
    } else {
      entry.window = Host().CreateBlankingWindow(entry.rect);
    }
    if (entry.window == 0) return false;
    any = true;
  }
  return any;
}

// Everything the scene needs, behind the loading screen.
void LoadSceneContent() {
  LoadTextureList("texture.txt", true);
  BuildDigitFont();
  ReportContentProblem(BuildStandardMeshes());
  camera.position = {0, 0, 1500};
  camera.look = {0, 0, -1};
  camera.up = {0, 1, 0};
  LoadSphereArrays("meshes\\sphere.dat");
  ReportContentProblem(SphereArrays.problem);
  LoadEnvironments(environmentCatalog, "env.txt");
  LoadWorlds(worldCatalog, environmentCatalog, "worlds.txt");
  // The music is extracted with the scene's entries, so that damaged music counts with them; it
  // starts once the scene has loaded.
  if (settings.music) ReportContentProblem(PrepareMusic());
}

// Gives back what LoadSceneContent made, so that other content can load in its place.
void UnloadSceneContent() {
  for (const Texture* texture : textureManager) {
    const GLuint id = texture->id;
    if (id != 0) glDeleteTextures(1, &id);
  }
  ResetTextures();
  ResetMeshes();
  ResetWorldLists();
  ResetContentProblem();
}

// The archive to play: a mod's when the settings name one that can be read, the carried one
// otherwise. True when it is a mod's.
bool ChooseContent() {
  const std::string& mod = settings.content;
  if (mod.empty()) return false;
  const std::string reason = ChooseModArchive(mod);
  if (reason.empty()) return true;
  Host().LogLine(reason + "; the carried scene plays instead");
  return false;
}

// The chosen scene, or the carried one when a mod's does not load as written. A mod that cannot
// be shown is told in one line, never in a box on an idle desktop.
void LoadChosenContent(bool mod) {
  if (mod) {
    LoadSceneContent();
    if (LoadingCancelled()) return;
    std::string problem = ContentProblem();
    if (problem.empty() && FindWorld(worldCatalog, "world") == nullptr) {
      problem = "it has no world named \"world\"";
    }
    if (problem.empty()) return;
    Host().LogLine("the mod " + settings.content + " cannot be shown (" + problem +
                   "); the carried scene plays instead");
    // The texture worker stops before the mod's archive goes.
    UnloadSceneContent();
    UseContentArchive({});
  }
  LoadSceneContent();
}

}  // namespace

void StopSaver(Application& app, bool started) {
  if (started && settings.music) StopMusic();
  if (started && !settings.defaultGamma) SetGammaRamp(1.0f, 1.0f, 1.0f);
  worldCatalog.clear();
  environmentCatalog.clear();
  FirstPassList.clear();
  PostPassList.clear();
  WorldList.clear();
  // The texture list's records go with the objects that drew them; their images go with the
  // context.
  ResetTextures();
  Host().ChangeDisplayMode(nullptr);
  ReleaseModulateProgram();
  if (Host().HasGLContext()) Host().DeleteGLContext();
  Host().ShowCursor(true);
  for (uint32_t i = 0; i < app.monitors.count; ++i) {
    if (app.monitors.entries[i].window != 0) Host().CloseWindow(app.monitors.entries[i].window);
  }
  if (AudioLibraryLoaded()) UnloadAudioLibrary();
  Host().UnregisterSaverClasses();
}

bool StartSaver(Application& app) {
  CurrentWorld = nullptr;
  inputState.mouseDX = 0;
  inputState.mouseDY = 0;
  Host().RegisterSaverClasses();
  SetDisplayMode();

  // The images decode on a worker thread while the windows and the renderer start.
  const bool mod = ChooseContent();
  PrepareTextureList("texture.txt");
  if (!CreateSaverWindows(app)) return false;
  frameClock.secondsPerTick = 1.0 / static_cast<double>(Host().PerformanceFrequency());
  LoadOverlayTextures();
  inputState.keys.fill(0);
  for (uint32_t i = 0; i < app.monitors.count; ++i) {
    const WindowHandle window = app.monitors.entries[i].window;
    if (window != 0) Host().ShowWindow(window, app.showCommand);
  }
  Host().SetFocus(MainWindow);
  InitGLState();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  LoadChosenContent(mod);
  ReleaseLoadingScreen();
  // A run asked to end while it loaded ends at the first pump: no music is started for it.
  if (settings.music && !LoadingCancelled()) StartMusic();

  // The random generator stays unseeded through loading: scenes load the same every time.
  frameClock.lastTick = Host().PerformanceCounter();
  SeedRandom(static_cast<uint32_t>(frameClock.lastTick));
  frameClock.fpsStartTick = Host().PerformanceCounter();
  cameraSpeedFactor = CameraSpeedFactor(settings.cameraSpeed);
  CurrentWorld = FindWorld(worldCatalog, "world");
  SceneTime = 0;
  Host().SetCursorPos(SceneWindowCentre());
  camera.StartFlight();
  return true;
}

void RunSaver(Application& app) {
  const bool started = StartSaver(app);
  if (started) RunMainLoop();
  StopSaver(app, started);
}

int RunApplication(int showCommand, const RunOptions& options) {
  Application app;
  app.showCommand = showCommand;
  LoadSettings(app);
  ApplyRunOptions(options, settings);
  if (options.target != DrawTarget::Switches) {
    app.mode = RunMode::Saver;
    const DisplayMode window = Host().CurrentDisplayMode();
    settings.width = window.width;
    settings.height = window.height;
    settings.bitsPerPixel = window.bitsPerPixel;
    settings.defaultGamma = true;
  }
  switch (app.mode) {
    case RunMode::Saver:
    case RunMode::SaverT:
      RunSaver(app);
      break;
    case RunMode::Configure:
      RunConfigure(app);
      break;
    case RunMode::Preview:
      RunPreview(app);
      break;
  }
  return 0;
}

void ResetProcessState() {
  ResetSettings();
  ResetTextures();
  ResetOverlay();
  ResetMusic();
  ResetStringTable();
  ResetMeshes();
  ReleaseModulateProgram();
  inputState = {};
  sceneWindowEvents.Reset();
  frameClock = {};
  FirstPassList.clear();
  WorldList.clear();
  PostPassList.clear();
  ResetWorldLists();
  ResetContentProblem();
  UseContentArchive({});
  ResetView();
  camera = {};
  cameraSpeedFactor = 0;
  SeedRandom(1);
}

}  // namespace solvane
