#include "objects/view.h"

#include "platform/opengl.h"

namespace solvane {

WindowHandle MainWindow = 0;
ViewSize viewSize;

double WindowAspect(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 4.0 / 3.0;
  return static_cast<double>(width) / height;
}

void LoadPrivateProjection(float fov) {
  const double halfWidth = fov * WindowAspect(viewSize.width, viewSize.height);
  glLoadIdentity();
  glFrustum(-halfWidth, halfWidth, -fov, fov, 1, 1000);
}

void PushPrivateProjection(float fov) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  LoadPrivateProjection(fov);
  glMatrixMode(GL_MODELVIEW);
}

void PopPrivateProjection() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

namespace {

void BeginFlatSpace(double width, double height) {
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glViewport(0, 0, viewSize.width, viewSize.height);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
}

}  // namespace

double OverlayWidth() {
  if (viewSize.width <= 0 || viewSize.height <= 0) return 800;
  // Exact for every 4:3 mode (600 * 1024 / 768 is 800), so those draw as they always did.
  return kOverlayHeight * double(viewSize.width) / double(viewSize.height);
}

void BeginOverlay2D() {
  BeginFlatSpace(OverlayWidth(), kOverlayHeight);
}

void BeginScreen2D() {
  BeginFlatSpace(static_cast<uint32_t>(viewSize.width), static_cast<uint32_t>(viewSize.height));
}

void EndOverlay2D() {
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
}

void ResetView() {
  MainWindow = 0;
  viewSize = {};
}

}  // namespace solvane
