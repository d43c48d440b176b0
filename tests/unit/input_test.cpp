#include "app/input.h"

#include <gtest/gtest.h>

#include "app/display.h"
#include "app/settings.h"
#include "objects/view.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using ::solvane::testing::HeadlessTest;

TEST(InputTest, KeysSetTheirFlagAndTheExitFlag) {
  inputState = {};
  sceneWindowEvents.KeyDown(0x41);
  EXPECT_EQ(inputState.keys[0], 1);
  EXPECT_EQ(inputState.keys[0x41], 1);
  sceneWindowEvents.KeyUp(0x41);
  EXPECT_EQ(inputState.keys[0x41], 0);
  EXPECT_EQ(inputState.keys[0], 1) << "a release never clears the exit flag";
}

TEST(InputTest, ReleaseWithoutPressClearsOnlyItsOwnFlag) {
  inputState = {};
  inputState.keys[0x20] = 1;
  sceneWindowEvents.KeyUp(0x20);
  sceneWindowEvents.KeyUp(0);
  EXPECT_EQ(inputState.keys[0], 0);
  EXPECT_EQ(inputState.keys[0x20], 0);
  inputState.keys[0] = 1;
  sceneWindowEvents.KeyUp(0);
  EXPECT_EQ(inputState.keys[0], 1);
}

TEST(InputTest, CodesPastTheTableStillEndTheRun) {
  inputState = {};
  for (uint32_t code : {256u, 1000u, 0xFFFFFFFFu}) {
    sceneWindowEvents.KeyDown(code);
    sceneWindowEvents.KeyUp(code);
  }
  EXPECT_EQ(inputState.keys[0], 1);
  for (size_t i = 1; i < inputState.keys.size(); ++i) ASSERT_EQ(inputState.keys[i], 0) << i;
}

TEST(InputTest, ClickSetsTheExitFlag) {
  inputState = {};
  sceneWindowEvents.ButtonDown();
  EXPECT_EQ(inputState.keys[0], 1);
}

class MouseTest : public HeadlessTest {};

TEST_F(MouseTest, OffsetFromTheCentreTimesPointThree) {
  viewSize.width = 800;
  viewSize.height = 600;
  MainWindow = platform().CreateSceneWindow(800, 600, sceneWindowEvents);
  ASSERT_NE(MainWindow, 0u);
  const struct {
    uint16_t x, y;
    float dx, dy;
  } cases[] = {
      {400, 300, 0, 0},
      {410, 300, 3, 0},
      {400, 280, 0, -6},
      {0, 0, -120, -90},
      {65535, 0, (65535 - 400) * 0.3f, -90},  // positions are unsigned words
  };
  for (const auto& c : cases) {
    inputState.mouseDX = inputState.mouseDY = 99;
    sceneWindowEvents.MouseMove(c.x, c.y);
    EXPECT_FLOAT_EQ(inputState.mouseDX, c.dx) << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(inputState.mouseDY, c.dy) << c.x << "," << c.y;
  }
}

}  // namespace
}  // namespace solvane
