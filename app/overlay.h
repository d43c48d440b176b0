// Flat drawing over the scene: the 800 x 600 overlay space, the clock, the frame counter and
// the loading screen.
#pragma once

namespace solvane {

// The overlay space: 800 x 600 units stretched over the whole window, y up. Also sets the
// viewport to the whole window, which all scene drawing then uses.
void BeginOverlay2D();
// One unit per pixel of the scene window.
void BeginScreen2D();
// Leaves either space and turns depth test and lighting back on.
void EndOverlay2D();

void DrawCenteredQuad(float x, float y, float halfWidth, float halfHeight);

void LoadOverlayTextures();
void BuildDigitFont();
void DrawFps(int framesPerSecond);
void DrawClock();
void DrawLoadingScreen();

}  // namespace solvane
