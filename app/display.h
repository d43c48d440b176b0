// Monitors, the display mode, the one-time OpenGL state and the gamma ramp of the full-screen run.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace solvane {

struct MonitorEntry {
  MonitorHandle monitor = 0;  // 0: no window is made for this entry
  ScreenRect rect;            // the device's area in virtual-screen coordinates at start-up
  WindowHandle window = 0;    // the window the full-screen run made for it
};

struct MonitorTable {
  static constexpr uint32_t kCapacity = 9;
  uint32_t count = 0;
  std::array<MonitorEntry, kCapacity> entries{};
};

// Lists the display devices into `table`: mirroring drivers take no slot, devices that are not
// attached to the desktop take an empty one, and listing stops at nine slots.
void EnumerateMonitors(MonitorTable& table);

// Switches the primary display to the settings' mode and hides the cursor.
void SetDisplayMode();

// The OpenGL state every frame starts from; runs once with the scene window's context current.
bool InitGLState();

// The scene's frustum for the window's shape, loaded into the projection matrix.
void LoadSceneProjection();
// The scene window has a new size: the run draws at that size from the next frame on.
void ResizeScene(int32_t width, int32_t height);

// The horizontal half extent of the view frustum at the near plane: the vertical one is fixed
// at 40 (at a near distance of 80), the horizontal one follows the window's shape.
double FrustumHalfWidth(int32_t width, int32_t height);
// The gamma exponent of the `gamma` setting (read as unsigned, as it is stored): 0 gives 1.5,
// 50 gives 1.0, 100 gives 0.5.
float GammaExponent(int32_t gamma);
std::array<uint16_t, 768> GammaRamp(float red, float green, float blue);
bool SetGammaRamp(float red, float green, float blue);

}  // namespace solvane
