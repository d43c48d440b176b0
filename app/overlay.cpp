#include "app/overlay.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/settings.h"
#include "platform/opengl.h"

namespace solvane {

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

OverlayTextures overlayTextures;

void LoadOverlayTextures() {
  overlayTextures.load.Load("load.jpg", true, kLoadImageResource);
  overlayTextures.sign.Load("sign.jpg", false, 0);
  const char* const names[] = {"4loader_rd.tga", "4loader_ld.tga", "4loader_lu.tga",
                               "4loader_ru.tga"};
  for (size_t i = 0; i < 4; ++i) {
    overlayTextures.corners[i] = LoadTgaTextureFromResource(names[i], kCornerResources[i]);
  }
}

void BuildDigitFont() {
  const Texture* atlas = FindTexture("textures\\c.jpg");
  overlayTextures.glyphs = atlas != nullptr ? atlas->id : 0;
  overlayTextures.fontBase = glGenLists(13);
  if (overlayTextures.fontBase == 0) return;
  glBindTexture(GL_TEXTURE_2D, overlayTextures.glyphs);
  // The atlas is a 4 x 4 grid of cells, counted from the top left.
  for (int i = 0; i < 13; ++i) {
    const float left = 0.25f * float(i % 4), right = left + 0.25f;
    const float top = 1 - 0.25f * float(i / 4), bottom = top - 0.25f;
    glNewList(overlayTextures.fontBase + GLuint(i), GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(left, bottom);
    glVertex2f(0, 0);
    glTexCoord2f(right, bottom);
    glVertex2f(40, 0);
    glTexCoord2f(right, top);
    glVertex2f(40, 40);
    glTexCoord2f(left, top);
    glVertex2f(0, 40);
    glEnd();
    glTranslated(kGlyphAdvance, 0, 0);
    glEndList();
  }
}

namespace {

// One display list per character, from the glyph for '0' on.
void DrawGlyphs(const std::string& text) {
  if (overlayTextures.fontBase == 0) return;
  glListBase(overlayTextures.fontBase - '0');
  glCallLists(GLsizei(text.size()), GL_UNSIGNED_BYTE, text.data());
}

// Two digits with a leading zero: the clock's fields.
std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  if (value < 10) text.insert(text.begin(), '0');
  return text;
}

}  // namespace

std::string FpsText(int framesPerSecond) {
  return std::to_string(framesPerSecond < 0 ? 0 : framesPerSecond);
}

std::string ClockText(const LocalTime& time, bool twelveHour) {
  int hour = std::clamp(time.hour, 0, 23);
  const int minute = std::clamp(time.minute, 0, 59);
  const int second = std::clamp(time.second, 0, 59);
  bool pm = false;
  std::string text;
  if (hour == 12) {
    pm = true;
    text = "12:";
  } else if (hour == 0 && twelveHour) {
    text = "12:";
  } else {
    if (twelveHour && hour > 12) {
      hour -= 12;
      pm = true;
    }
    text = TwoDigits(hour) + ":";
  }
  text += TwoDigits(minute) + ":" + TwoDigits(second);
  if (twelveHour) text += pm ? "<" : ";";
  return text;
}

void DrawFps(int framesPerSecond) {
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glColor4f(1, 1, 1, 1);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, overlayTextures.glyphs);
  glTranslated(4, 558, 0);
  DrawGlyphs(FpsText(framesPerSecond));
}

void DrawClock() {
  BeginOverlay2D();
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_ALWAYS, 0);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  const LocalTime now = Host().CurrentLocalTime();
  glBindTexture(GL_TEXTURE_2D, overlayTextures.glyphs);
  glColor4f(1, 1, 1, 1);
  const std::string text = ClockText(now, settings.clock12h);
  glEnable(GL_BLEND);
  // 275 units in from the right edge: room for the longest (12-hour) text.
  glTranslated(OverlayWidth() - 275, 2, 0);
  DrawGlyphs(text);
  EndOverlay2D();
}

void DrawLoadingScreen() {
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, overlayTextures.sign.id);
  BeginOverlay2D();
  const float width = float(OverlayWidth()), middle = width / 2;
  glColor4f(1, 1, 1, 1);
  DrawCenteredQuad(middle, 350, 110, 110);
  glBindTexture(GL_TEXTURE_2D, overlayTextures.load.id);
  DrawCenteredQuad(middle, 140, 100, 100);

  // Each corner image covers 256 x 128 pixels flush with its corner, whatever the mode. The
  // units are square, so one scale serves both directions.
  const float unitsPerPixel =
      viewSize.height > 0 ? float(kOverlayHeight) / float(viewSize.height) : 1.0f;
  const float cornerWidth = 256 * unitsPerPixel, cornerHeight = 128 * unitsPerPixel;
  const float right = width - cornerWidth, top = float(kOverlayHeight) - cornerHeight;
  const float origins[4][2] = {{right, 0}, {0, 0}, {0, top}, {right, top}};
  for (size_t i = 0; i < 4; ++i) {
    glLoadIdentity();
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_ALWAYS, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, overlayTextures.corners[i]);
    glColor4f(1, 1, 1, 1);
    const float x0 = origins[i][0], y0 = origins[i][1];
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0);
    glTexCoord2f(1, 0);
    glVertex2f(x0 + cornerWidth, y0);
    glTexCoord2f(1, 1);
    glVertex2f(x0 + cornerWidth, y0 + cornerHeight);
    glTexCoord2f(0, 1);
    glVertex2f(x0, y0 + cornerHeight);
    glEnd();
  }
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  EndOverlay2D();
}

void ReleaseLoadingScreen() {
  const auto release = [](uint32_t& id) {
    if (id != 0) glDeleteTextures(1, &id);
    id = 0;
  };
  release(overlayTextures.load.id);
  release(overlayTextures.sign.id);
  for (uint32_t& corner : overlayTextures.corners) release(corner);
}

void ResetOverlay() {
  overlayTextures = {};
}

}  // namespace solvane
