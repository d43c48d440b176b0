// Flat drawing over the scene: the overlay space, the clock, the frame counter and the loading
// screen.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "objects/view.h"
#include "platform/platform.h"
#include "scene/texture_manager.h"

namespace solvane {

// The images and the font the overlay draws with, loaded once at start-up.
struct OverlayTextures {
  Texture sign;                       // "textures\sign.jpg" from the archive
  Texture load;                       // "load.jpg" from resource 117
  std::array<uint32_t, 4> corners{};  // bottom right, bottom left, top left, top right
  uint32_t glyphs = 0;                // the texture list's "textures\c.jpg"
  uint32_t fontBase = 0;              // first of the 13 glyph display lists; 0 without a font
};
extern OverlayTextures overlayTextures;

// Resources "CustomData" of the loading screen.
inline constexpr int kLoadImageResource = 117;
inline constexpr int kCornerResources[] = {119, 120, 121, 122};

// The glyph lists advance by just under 28 units each.
inline constexpr double kGlyphAdvance = 27.999999523162842;

// The overlay draws in the flat spaces of objects/view.h.

void DrawCenteredQuad(float x, float y, float halfWidth, float halfHeight);

// The load image, the sign image and the four corner images, in that order.
void LoadOverlayTextures();
// 13 display lists over the glyph atlas: the digits '0' to '9', ':' (a colon), ';' (am) and
// '<' (pm), each moving the next glyph 28 units to the right.
void BuildDigitFont();
// The frame counter at the top left, inside the overlay space.
void DrawFps(int framesPerSecond);
// The local time at the bottom right, in the settings' 12- or 24-hour style.
void DrawClock();
// The sign and load images in the middle and the corner images flush with the window's
// corners, each image at its own proportions, into the cleared back buffer.
void DrawLoadingScreen();

// The texts those draw: only glyph codes, whatever the numbers. A negative count shows as 0;
// times outside the clock's ranges are brought into them.
std::string FpsText(int framesPerSecond);
std::string ClockText(const LocalTime& time, bool twelveHour);

// Gives the loading screen's images back to OpenGL once the scene has loaded: nothing draws
// that screen again in the run, and the driver's copies of the images are a few MiB.
void ReleaseLoadingScreen();

// Forgets the overlay's textures and font (the context that held them goes with them).
void ResetOverlay();

}  // namespace solvane
