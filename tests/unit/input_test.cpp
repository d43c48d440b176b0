#include "app/input.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

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
  using Case = std::tuple<uint16_t, uint16_t, float, float>;  // positions are unsigned words
  for (const auto& [x, y, dx, dy] :
       {Case{400, 300, 0, 0}, Case{410, 300, 3, 0}, Case{400, 280, 0, -6}, Case{0, 0, -120, -90},
        Case{65535, 0, (65535 - 400) * 0.3f, -90}}) {
    inputState.mouseDX = inputState.mouseDY = 99;
    sceneWindowEvents.MouseMove(x, y);
    EXPECT_FLOAT_EQ(inputState.mouseDX, dx) << x << "," << y;
    EXPECT_FLOAT_EQ(inputState.mouseDY, dy) << x << "," << y;
  }
}

}  // namespace
}  // namespace solvane
