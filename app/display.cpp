#include "app/display.h"

#include <cmath>

#include "app/settings.h"
#include "objects/modulate_program.h"
#include "objects/view.h"
#include "platform/opengl.h"

namespace solvane {

void EnumerateMonitors(MonitorTable& table) {
  table.count = 0;
  DisplayDevice device;
  for (uint32_t index = 0; Host().MultiMonitorAvailable() && Host().DisplayDeviceAt(index, device);
       ++index) {
    if (device.stateFlags & kDeviceMirroring) continue;
    MonitorEntry& entry = table.entries[table.count];
    entry = {};
    if (device.stateFlags & kDeviceAttachedToDesktop) {
      const bool primary = device.stateFlags & kDevicePrimary;
      entry.rect.left = primary ? 0 : device.position.x;
      entry.rect.top = primary ? 0 : device.position.y;
      entry.rect.right = entry.rect.left + device.mode.width;
      entry.rect.bottom = entry.rect.top + device.mode.height;
      entry.monitor = Host().MonitorFromRect(entry.rect);
    }
    if (++table.count == MonitorTable::kCapacity) break;
  }
}

void SetDisplayMode() {
  const DisplayMode mode{settings.width, settings.height, settings.bitsPerPixel};
  Host().ChangeDisplayMode(&mode);
  Host().ShowCursor(false);
}

double FrustumHalfWidth(int32_t width, int32_t height) {
  return 40.0 * WindowAspect(width, height);
}

void LoadSceneProjection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double halfWidth = FrustumHalfWidth(viewSize.width, viewSize.height);
  glFrustum(-halfWidth, halfWidth, -40, 40, 80, 5000000);
  glMatrixMode(GL_MODELVIEW);
}

void ResizeScene(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  viewSize = {width, height};
  glViewport(0, 0, width, height);
  LoadSceneProjection();
}

bool InitGLState() {
  glEnable(GL_ALPHA_TEST);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT1);
  glEnable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_NORMALIZE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

  LoadSceneProjection();
  glLoadIdentity();

  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  const GLfloat ambient[] = {0, 0, 0.1f, 0};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);

  // Light 1 is the star; the frame step moves it every frame. Lights 0 and 2 are configured
  // for the objects that switch them on.
  const GLfloat starPosition[] = {0, 0, 9100, 1};
  const GLfloat white[] = {1, 1, 1, 1};
  glLightfv(GL_LIGHT1, GL_POSITION, starPosition);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT1, GL_SPECULAR, white);
  const GLfloat none[] = {0, 0, 0, 0};
  const GLfloat grey[] = {0.3f, 0.3f, 0.3f, 1};
  glLightfv(GL_LIGHT0, GL_SPECULAR, none);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, grey);
  glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 3);
  glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 60);
  glLightf(GL_LIGHT2, GL_LINEAR_ATTENUATION, 0.006f);

  if (Host().HasSwapControl()) Host().SetSwapInterval(settings.vsync ? 1 : 0);

  glClearColor(0, 0, 0, 1);
  glLineWidth(1);
  PrepareModulateProgram();

  if (!settings.defaultGamma) {
    const float exponent = GammaExponent(settings.gamma);
    SetGammaRamp(exponent, exponent, exponent);
  }
  return true;
}

float GammaExponent(int32_t gamma) {
  return 1.0f - (static_cast<float>(static_cast<uint32_t>(gamma)) - 50.0f) * 0.02f * 0.5f;
}

std::array<uint16_t, 768> GammaRamp(float red, float green, float blue) {
  std::array<uint16_t, 768> ramp{};
  const float exponents[] = {red, green, blue};
  for (int channel = 0; channel < 3; ++channel) {
    for (int i = 0; i < 256; ++i) {
      const double entry = std::pow(i / 256.0, exponents[channel]) * 65536.0;
      // An exponent outside the settings' range (a negative one from a corrupt store) would
      // push entries past the 16-bit range or to infinity: saturate rather than wrap.
      ramp[channel * 256 + i] = entry < 65535.0 ? static_cast<uint16_t>(entry) : 65535;
    }
  }
  return ramp;
}

bool SetGammaRamp(float red, float green, float blue) {
  const std::array<uint16_t, 768> ramp = GammaRamp(red, green, blue);
  return Host().SetGammaRamp(ramp);
}

}  // namespace solvane
