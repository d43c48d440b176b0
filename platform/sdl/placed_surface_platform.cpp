#include "platform/sdl/placed_surface_platform.h"

#include <cstdio>

namespace solvane {

bool PlacedSurfacePlatform::DisplayDeviceAt(uint32_t index, DisplayDevice& device) {
  if (index != 0) return false;
  device.stateFlags = kDeviceAttachedToDesktop | kDevicePrimary;
  device.mode = CurrentDisplayMode();
  device.position = {0, 0};
  return true;
}

bool PlacedSurfacePlatform::DisplayModeAt(uint32_t index, DisplayMode& mode) {
  if (index != 0) return false;
  mode = CurrentDisplayMode();
  return true;
}

void PlacedSurfacePlatform::ShowMessage(std::string_view text, std::string_view caption) {
  if (caption.empty()) return LogLine(text);
  std::fprintf(stderr, "solvane: %.*s: %.*s\n", int(caption.size()), caption.data(),
               int(text.size()), text.data());
}

}  // namespace solvane
