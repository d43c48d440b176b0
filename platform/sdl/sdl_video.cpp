#include "platform/sdl/sdl_video.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace solvane {

bool OpenSdlVideo() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
  };
  if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) return false;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  // The off-screen and dummy drivers accept windows that nobody can see.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "offscreen") == 0 ||
      std::strcmp(driver, "dummy") == 0) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  return true;
}

std::optional<DisplayMode> SdlDesktopMode() {
  if (!OpenSdlVideo()) return std::nullopt;
  std::optional<DisplayMode> mode;
  SDL_DisplayMode desktop;
  if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
    mode = DisplayMode{desktop.w, desktop.h, SdlBitsPerPixel(desktop.format)};
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return mode;
}

int SdlBitsPerPixel(unsigned format) {
  return int(SDL_BYTESPERPIXEL(format)) * 8;
}

}  // namespace solvane
