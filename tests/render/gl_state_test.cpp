// The OpenGL state every frame starts from, and the overlay space.
#include <gtest/gtest.h>

#include "app/display.h"
#include "app/input.h"
#include "app/overlay.h"
#include "app/settings.h"
#include "objects/view.h"
#include "platform/opengl.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

class GlStateTest : public ::solvane::testing::HeadlessTest {
 protected:
  void OpenWindow(int32_t width, int32_t height) {
    viewSize.width = width;
    viewSize.height = height;
    settings.defaultGamma = true;
    MainWindow = platform().CreateSceneWindow(width, height, sceneWindowEvents);
    ASSERT_NE(MainWindow, 0u);
  }
  static float Get(GLenum what, int index = 0) {
    GLfloat values[16] = {};
    glGetFloatv(what, values);
    return values[index];
  }
  static float Light(GLenum light, GLenum what, int index = 0) {
    GLfloat values[4] = {};
    glGetLightfv(light, what, values);
    return values[index];
  }
};

TEST_F(GlStateTest, InitialState) {
  OpenWindow(800, 600);
  ASSERT_TRUE(InitGLState());
  for (GLenum on : {GL_ALPHA_TEST, GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT1, GL_BLEND, GL_TEXTURE_2D,
                    GL_NORMALIZE}) {
    EXPECT_TRUE(glIsEnabled(on)) << std::hex << on;
  }
  EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
  EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
  EXPECT_EQ(Get(GL_BLEND_SRC), GL_SRC_ALPHA);
  EXPECT_EQ(Get(GL_BLEND_DST), GL_ONE);
  EXPECT_EQ(Get(GL_LIGHT_MODEL_LOCAL_VIEWER), 1);
  EXPECT_EQ(Get(GL_LIGHT_MODEL_TWO_SIDE), 0);
  EXPECT_EQ(Get(GL_LIGHT_MODEL_COLOR_CONTROL), GL_SEPARATE_SPECULAR_COLOR);
  EXPECT_FLOAT_EQ(Get(GL_LIGHT_MODEL_AMBIENT, 2), 0.1f);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT1, GL_POSITION, 2), 9100);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT1, GL_DIFFUSE, 0), 1);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT0, GL_DIFFUSE, 0), 0.3f);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT0, GL_SPECULAR, 0), 0);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT0, GL_SPOT_EXPONENT), 3);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT0, GL_SPOT_CUTOFF), 60);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT2, GL_LINEAR_ATTENUATION), 0.006f);
  EXPECT_FLOAT_EQ(Get(GL_COLOR_CLEAR_VALUE, 3), 1);
  EXPECT_FLOAT_EQ(Get(GL_MODELVIEW_MATRIX, 0), 1);
  // Depth for the meshes; a stencil buffer nothing uses would only cost fill.
  EXPECT_GE(Get(GL_DEPTH_BITS), 16);
  EXPECT_EQ(Get(GL_STENCIL_BITS), 0);
}

TEST_F(GlStateTest, ProjectionKeepsTheVerticalExtentAndFollowsTheAspect) {
  const struct {
    int32_t width, height;
  } windows[] = {{800, 600}, {1920, 1080}, {1024, 1280}, {1, 1}};
  for (const auto& w : windows) {
    Install({});
    OpenWindow(w.width, w.height);
    InitGLState();
    // glFrustum puts 2 near / (right - left) at [0] and 2 near / (top - bottom) at [5].
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 5), 2.0f);
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), 2.0f * w.height / w.width)
        << w.width << "x" << w.height;
  }
}

TEST_F(GlStateTest, OverlaySpaceCoversTheWindowAndRestoresTheState) {
  OpenWindow(1024, 768);
  InitGLState();
  BeginOverlay2D();
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_EQ(Get(GL_VIEWPORT, 2), 1024);
  EXPECT_EQ(Get(GL_VIEWPORT, 3), 768);
  EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), 2.0f / 800);
  EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 5), 2.0f / 600);
  EndOverlay2D();
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 5), 2.0f);

  BeginScreen2D();
  EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), 2.0f / 1024);
  EndOverlay2D();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A resized window draws at its new size from then on, in every space, while the display mode
// the settings ask for stays as it was; a size without area changes nothing.
TEST_F(GlStateTest, ResizeMovesTheDrawingSizeNotTheStoredMode) {
  OpenWindow(800, 600);
  settings.width = 1024;
  settings.height = 768;
  InitGLState();
  const struct {
    int32_t width, height;
    ViewSize expected;
  } cases[] = {{640, 400, {640, 400}},
               {0, 300, {640, 400}},
               {500, -1, {640, 400}},
               {1080, 1920, {1080, 1920}}};
  for (const auto& c : cases) {
    ResizeScene(c.width, c.height);
    const float w = float(c.expected.width), h = float(c.expected.height);
    EXPECT_EQ(viewSize, c.expected) << c.width << "x" << c.height;
    EXPECT_EQ(Get(GL_VIEWPORT, 2), w);
    EXPECT_EQ(Get(GL_VIEWPORT, 3), h);
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), 2.0f * h / w);
    PushPrivateProjection(2);
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), h / (2 * w));
    PopPrivateProjection();
    BeginScreen2D();
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), 2.0f / w);
    EndOverlay2D();
    EXPECT_EQ(settings.width, 1024);
    EXPECT_EQ(settings.height, 768);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
}  // namespace solvane
