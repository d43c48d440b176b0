// The Linux front end inside a screen-saver host's window: the host (or whoever made the window)
// owns the screen, so the run draws into that X window through GLX and touches nothing else —
// no display mode, no gamma ramp, no cursor, no grabs, no input. The host ends the run with a
// signal or by destroying the window.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sdl/placed_surface_platform.h"

namespace solvane {

class X11HostPlatform final : public PlacedSurfacePlatform {
 public:
  X11HostPlatform(std::string commandLine, std::string settingsPath);
  ~X11HostPlatform() override;

  // Connects to the display and makes the OpenGL context for `window`; 0 stands for the root
  // window of the default screen. The reason, one line, when the window cannot be drawn into.
  std::string Attach(uint32_t window);

  DisplayMode CurrentDisplayMode() override;
  WindowHandle CreateSceneWindow(int32_t width, int32_t height, WindowEvents& events) override;
  ScreenRect ClientRect(WindowHandle window) override;

  PumpResult PumpMessage() override;
  void RunMessageLoop() override;
  void SendLoadProgress(WindowHandle window) override;

  void SwapBuffers() override;
  bool HasGLContext() override { return context_ != nullptr; }
  void DeleteGLContext() override;
  void* GLFunction(const char* name) override;

 private:
  bool WindowGone();

  void* display_ = nullptr;     // Display*, kept opaque to keep Xlib's names out of this header
  unsigned long target_ = 0;    // the window the host gave
  unsigned long drawable_ = 0;  // the target, or a child of it when its visual has no OpenGL
  bool ownChild_ = false;
  void* context_ = nullptr;  // GLXContext
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t depth_ = 0;
  WindowEvents* events_ = nullptr;
  bool gone_ = false;
};

}  // namespace solvane
