// The Linux front end on a Wayland desktop's layer shell: one layer surface per output, all
// showing the one scene, drawn through EGL with the desktop OpenGL API. On the overlay layer it
// is a saver (input ends it, as with /s); on the background layer it is a wallpaper that no input
// reaches and that runs until a quit signal or until the compositor closes it. SDL's video stays
// closed: the windows are this client's own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/placed_surface_platform.h"

namespace solvane {

class WaylandLayerPlatform final : public PlacedSurfacePlatform {
 public:
  // `outputs`: the names of the outputs to draw on; empty for every one.
  WaylandLayerPlatform(std::string commandLine, std::string settingsPath, bool overlay,
                       std::vector<std::string> outputs);
  ~WaylandLayerPlatform() override;

  struct Failure {
    int exitStatus = 0;  // 0: connected
    std::string line;
  };
  // Connects to the compositor, puts a layer surface on each chosen output and makes the one
  // OpenGL context they share.
  Failure Connect();
  // The run ended because the compositor went away, or because no surface could be drawn on.
  bool Failed() const;

  // The cursor is hidden over every surface whenever the pointer enters one (ShowCursor is left
  // as the base has it).
  DisplayMode CurrentDisplayMode() override;
  WindowHandle CreateSceneWindow(int32_t width, int32_t height, WindowEvents& events) override;
  ScreenRect ClientRect(WindowHandle window) override;
  // Wayland clients cannot move the pointer: the motion reported from here on is measured from
  // the centre again, as if the pointer had been put there.
  void SetCursorPos(ScreenPoint point) override;

  PumpResult PumpMessage() override;
  void RunMessageLoop() override;
  void SendLoadProgress(WindowHandle window) override;

  void SwapBuffers() override;
  bool HasGLContext() override;
  void DeleteGLContext() override;
  void* GLFunction(const char* name) override;
  uint32_t ViewCount() override;
  bool SelectView(uint32_t index, int32_t& width, int32_t& height) override;

  struct Client;

 private:
  std::unique_ptr<Client> client_;
};

// The system's virtual-key code for a Linux input key code, 0 for keys that have none. Key
// codes are positions on the keyboard: letters are those of the common layout.
uint32_t VirtualKeyFromEvdev(uint32_t code);

}  // namespace solvane
