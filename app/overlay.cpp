#include "app/overlay.h"

#include <cstdint>

#include "app/settings.h"
#include "platform/opengl.h"

namespace solvane {

namespace {

void BeginFlatSpace(double width, double height) {
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glViewport(0, 0, settings.width, settings.height);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
}

}  // namespace

void BeginOverlay2D() {
  BeginFlatSpace(800, 600);
}

void BeginScreen2D() {
  BeginFlatSpace(static_cast<uint32_t>(settings.width), static_cast<uint32_t>(settings.height));
}

void EndOverlay2D() {
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
}

void DrawCenteredQuad(float x, float y, float halfWidth, float halfHeight) {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(x - halfWidth, y - halfHeight);
  glTexCoord2f(1, 0);
  glVertex2f(x + halfWidth, y - halfHeight);
  glTexCoord2f(1, 1);
  glVertex2f(x + halfWidth, y + halfHeight);
  glTexCoord2f(0, 1);
  glVertex2f(x - halfWidth, y + halfHeight);
  glEnd();
}

// The glyph font, the loading-screen images and the texts drawn with them need the texture
// loader; until the program carries them these draw nothing.
void LoadOverlayTextures() {}
void BuildDigitFont() {}
void DrawFps(int) {}
void DrawClock() {}
void DrawLoadingScreen() {}

}  // namespace solvane
