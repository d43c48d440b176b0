#include "app/input.h"

#include <gtest/gtest.h>

#include <array>

#include "app/display.h"
#include "app/settings.h"
#include "objects/view.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

TEST(InputTest, KeysAndClicksSetTheExitFlagAndNoReleaseClearsIt) {
  inputState = {};
  sceneWindowEvents.KeyDown(0x41);
  sceneWindowEvents.KeyDown(255);  // the table's last key
  sceneWindowEvents.KeyUp(0x41);
  sceneWindowEvents.KeyUp(0);
  EXPECT_EQ((std::array{inputState.keys[0], inputState.keys[0x41], inputState.keys[255]}),
            (std::array<uint8_t, 3>{1, 0, 1}))
      << "a release never clears the exit flag";
  for (uint32_t code : {256u, 0xFFFFFFFFu, 0u}) {  // past the table still ends the run, a click too
    inputState = {};
    code ? sceneWindowEvents.KeyDown(code) : sceneWindowEvents.ButtonDown();
    sceneWindowEvents.KeyUp(code);
    EXPECT_EQ(inputState.keys, (decltype(inputState.keys){1})) << code;
  }
}

class MouseTest : public ::solvane::testing::HeadlessTest {};

TEST_F(MouseTest, OffsetFromTheCentreTimesPointThree) {
  viewSize = {800, 600};
  ASSERT_NE(MainWindow = platform().CreateSceneWindow(800, 600, sceneWindowEvents), 0u);
  const struct {
    uint16_t x, y;
    float dx, dy;
  } cases[] = {{400, 300, 0, 0},
               {410, 300, 3, 0},
               {400, 280, 0, -6},
               {0, 0, -120, -90},
               {65535, 0, (65535 - 400) * 0.3f, -90}};  // positions are unsigned words
  for (const auto& c : cases) {
    inputState.mouseDX = inputState.mouseDY = 99;
    sceneWindowEvents.MouseMove(c.x, c.y);
    EXPECT_FLOAT_EQ(inputState.mouseDX, c.dx) << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(inputState.mouseDY, c.dy) << c.x << "," << c.y;
  }
}

}  // namespace
}  // namespace solvane
