// The scene window and the spaces drawn in it: its handle and size, the private projections of
// what rides with the eye, and the flat spaces over the scene. The scene's objects draw in
// these as much as the application's frame does, so they live below both.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace solvane {

// The scene window: the one window the scene is drawn into.
extern WindowHandle MainWindow;

// The size the scene is drawn at, in pixels: the scene window's client area. Set when the
// window is made and whenever it changes size; the display mode asked for stays in the
// settings, which a run never changes behind the user's back.
struct ViewSize {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const ViewSize&, const ViewSize&) = default;
};
extern ViewSize viewSize;

// Width over height; 4:3 for a size without area.
double WindowAspect(int32_t width, int32_t height);

// The projection of the objects that ride with the eye (sky spheres, sky billboards, flares):
// a frustum of half-height `fov` at a near distance of 1, far 1000, as wide as the window's
// shape makes it. Pushed onto the projection stack; the modelview matrix stays current.
void PushPrivateProjection(float fov);
// The same frustum loaded into the current matrix, without a push.
void LoadPrivateProjection(float fov);
void PopPrivateProjection();

// The overlay space: 600 units over the window's height and as many over its width as keep the
// units square (800 on a 4:3 window), y up. Each element keeps to the side it belongs to, so on
// any window shape nothing is stretched. Also sets the viewport to the whole window, which all
// scene drawing then uses.
inline constexpr double kOverlayHeight = 600;
void BeginOverlay2D();
// The overlay space's width for the window's size; 800 for a size with no shape.
double OverlayWidth();
// One unit per pixel of the scene window.
void BeginScreen2D();
// Leaves either space and turns depth test and lighting back on.
void EndOverlay2D();

// Forgets the scene window and its size.
void ResetView();

}  // namespace solvane
