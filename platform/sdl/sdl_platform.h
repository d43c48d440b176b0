// The Linux front end: SDL2 windows with an OpenGL context, full screen on the first display and
// black windows over the others.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/settings_file.h"

struct SDL_Window;

namespace solvane {

class SdlPlatform : public Platform {
 public:
  // `openVideo` false leaves SDL's video alone, for a front end that brings its own windows.
  SdlPlatform(std::string commandLine, std::string settingsPath, bool openVideo = true);
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  // Whether a display could be opened at all.
  bool HasDisplay() const { return videoReady_; }

  std::string CommandLine() override { return commandLine_; }
  std::span<const uint8_t> Resource(std::string_view type, int id) override;
  SettingsStore& Settings() override { return store_; }

  bool MultiMonitorAvailable() override { return videoReady_; }
  bool DisplayDeviceAt(uint32_t index, DisplayDevice& device) override;
  MonitorHandle MonitorFromRect(const ScreenRect& rect) override;
  DisplayMode CurrentDisplayMode() override;
  bool DisplayModeAt(uint32_t index, DisplayMode& mode) override;
  void ChangeDisplayMode(const DisplayMode* mode) override;
  void ShowCursor(bool show) override;
  bool SetGammaRamp(std::span<const uint16_t, 768> ramp) override;

  WindowHandle CreateSceneWindow(int32_t width, int32_t height, WindowEvents& events) override;
  WindowHandle CreateBlankingWindow(const ScreenRect& rect) override;
  void ShowWindow(WindowHandle window, int showCommand) override;
  void SetFocus(WindowHandle window) override;
  void CloseWindow(WindowHandle window) override;
  ScreenRect ClientRect(WindowHandle window) override;
  ScreenPoint ClientToScreen(WindowHandle window, ScreenPoint point) override;
  void SetCursorPos(ScreenPoint point) override;

  WindowHandle CreatePreviewWindow(uint32_t parentWindow) override;

  PumpResult PumpMessage() override;
  void RunMessageLoop() override;
  void SendLoadProgress(WindowHandle window) override;
  bool QuitRequested() override;

  bool HasSwapControl() override { return context_ != nullptr; }
  void SetSwapInterval(int interval) override;
  void SwapBuffers() override;
  bool HasGLContext() override { return context_ != nullptr; }
  void DeleteGLContext() override;

  uint64_t PerformanceCounter() override;
  uint64_t PerformanceFrequency() override;
  LocalTime CurrentLocalTime() override;
  void SleepFor(double seconds) override;

  std::string CreateTemporaryFile(std::string_view prefix) override;
  bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) override;
  void RemoveFile(const std::string& path) override;
  ModuleHandle OpenModule(const std::string& path) override;
  void* ModuleSymbol(ModuleHandle module, const char* name) override;
  void CloseModule(ModuleHandle module) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  void LogLine(std::string_view text) override;
  void* GLFunction(const char* name) override;

 protected:
  // A front end's swap: with $SOLVANE_REPORT_FIRST_FRAME set, the end of the first swap that is
  // not the loading screen's is reported on standard error, once (the start-up measurement).
  void NoteSwap();
  // Set while the loaders' redraw runs: its swaps are not the scene's.
  bool inLoadProgress_ = false;

 private:
  SDL_Window* Window(WindowHandle handle) const;
  bool Handle(const void* event);  // true when the event was the quit message
  void PaintBlanking();
  void ApplyDisplayMode();
  bool OnWayland() const;
  bool WindowManagerRuns() const;

  std::string commandLine_;
  FileSettingsStore store_;
  bool videoReady_ = false;
  std::vector<SDL_Window*> windows_;  // handle = index + 1
  SDL_Window* scene_ = nullptr;
  void* context_ = nullptr;
  WindowEvents* events_ = nullptr;
  bool modeRequested_ = false;
  bool gammaRefused_ = false;
  bool pointerArrived_ = false;
  DisplayMode requestedMode_;
  bool firstFrameReported_ = false;
};

// The system's virtual-key code for an SDL key, 0 for keys that have none.
uint32_t VirtualKeyFromSdl(int32_t sdlKey);

}  // namespace solvane
