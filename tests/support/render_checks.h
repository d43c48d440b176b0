// What the render tests share and draw with: a scene window, a camera aimed at the origin, a pixel.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/display.h"
#include "app/input.h"
#include "app/main_loop.h"
#include "app/overlay.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "objects/billboard.h"
#include "objects/flame.h"
#include "objects/lens_flare.h"
#include "objects/mesh.h"
#include "objects/mesh_file.h"
#include "objects/modulate_program.h"
#include "objects/particle_system.h"
#include "objects/random.h"
#include "objects/sphere.h"
#include "objects/view.h"
#include "platform/opengl.h"
#include "scene/texture_manager.h"
#include "scene/world_list.h"
#include "tests/support/headless_fixture.h"

namespace solvane::testing {

// A headless test drawing into a scene window of its own, with the state a frame starts from.
class RenderTest : public HeadlessTest {
 protected:
  void Open(int width, int height) {
    viewSize = {width, height};
    settings.defaultGamma = true;
    MainWindow = platform().CreateSceneWindow(width, height, sceneWindowEvents);
    ASSERT_NE(MainWindow, 0u);
    InitGLState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
};

// A camera at `eye` looking at the origin, its view loaded as the frame step loads it.
inline void LookFrom(const Vec3& eye) {
  camera.position = camera.eye = eye;
  camera.look = Normalize(-eye);
  camera.up = std::fabs(camera.look.y) > 0.99f ? Vec3{0, 0, 1} : Vec3{0, 1, 0};
  glLoadIdentity();
  camera.ApplyView();
}

// The brightness of the drawn pixel at `x`, `yFromTop` rows down.
inline int Luminance(int x, int yFromTop) {
  GLubyte rgb[3] = {};
  glReadPixels(x, viewSize.height - 1 - yFromTop, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  return (rgb[0] * 3 + rgb[1] * 6 + rgb[2]) / 10;
}

}  // namespace solvane::testing
