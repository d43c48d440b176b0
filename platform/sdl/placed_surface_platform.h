// What the front ends that draw on surfaces placed by somebody else share: a screen-saver host's
// X window, or a Wayland compositor's layer surfaces. The display is not theirs to change: no
// mode switch, no gamma ramp, no black windows, no preview, no focus; the one "display" is what
// they draw on, whose size the derived front end gives as its current mode. Nothing modal may
// appear over an idle desktop: messages go to standard error.
#pragma once

#include <string>

#include "platform/sdl/sdl_platform.h"

namespace solvane {

class PlacedSurfacePlatform : public SdlPlatform {
 public:
  PlacedSurfacePlatform(std::string commandLine, std::string settingsPath)
      : SdlPlatform(std::move(commandLine), std::move(settingsPath), false) {}

  bool MultiMonitorAvailable() override { return true; }
  bool DisplayDeviceAt(uint32_t index, DisplayDevice& device) override;
  MonitorHandle MonitorFromRect(const ScreenRect&) override { return 1; }
  bool DisplayModeAt(uint32_t index, DisplayMode& mode) override;
  void ChangeDisplayMode(const DisplayMode*) override {}
  void ShowCursor(bool) override {}
  bool SetGammaRamp(std::span<const uint16_t, 768>) override { return false; }

  WindowHandle CreateBlankingWindow(const ScreenRect&) override { return 0; }
  void ShowWindow(WindowHandle, int) override {}
  void SetFocus(WindowHandle) override {}
  void CloseWindow(WindowHandle) override {}
  ScreenPoint ClientToScreen(WindowHandle, ScreenPoint point) override { return point; }
  void SetCursorPos(ScreenPoint) override {}
  WindowHandle CreatePreviewWindow(uint32_t) override { return 0; }

  bool HasSwapControl() override { return false; }
  void SetSwapInterval(int) override {}

  void ShowMessage(std::string_view text, std::string_view caption) override;
};

}  // namespace solvane
