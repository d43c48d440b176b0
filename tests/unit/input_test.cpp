#include "app/input.h"

#include <gtest/gtest.h>

#include "app/display.h"
#include "app/settings.h"
#include "objects/view.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using ::solvane::testing::HeadlessTest;

TEST(InputTest, KeysAndClicksSetTheExitFlagAndNoReleaseClearsIt) {
  inputState = {};
  sceneWindowEvents.KeyDown(0x41);
  sceneWindowEvents.KeyDown(255);  // the table's last key
  EXPECT_EQ(inputState.keys[0x41], 1);
  EXPECT_EQ(inputState.keys[255], 1);
  sceneWindowEvents.KeyUp(0x41);
  sceneWindowEvents.KeyUp(0);
  EXPECT_EQ(inputState.keys[0x41], 0);
  EXPECT_EQ(inputState.keys[255], 1);
  EXPECT_EQ(inputState.keys[0], 1) << "a release never clears the exit flag";

  // Codes past the table still end the run; a click does too.
  for (uint32_t code : {256u, 0xFFFFFFFFu}) {
    inputState = {};
    sceneWindowEvents.KeyDown(code);
    sceneWindowEvents.KeyUp(code);
    EXPECT_EQ(inputState.keys, (decltype(inputState.keys){1})) << code;
  }
  inputState = {};
  sceneWindowEvents.ButtonDown();
  EXPECT_EQ(inputState.keys, (decltype(inputState.keys){1}));
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
