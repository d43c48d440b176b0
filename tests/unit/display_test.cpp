#include "app/display.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "app/input.h"
#include "app/settings.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

TEST(GammaTest, ExponentAndRamp) {
  EXPECT_EQ((std::array{GammaExponent(0), GammaExponent(50), GammaExponent(100)}),
            (std::array{1.5f, 1.0f, 0.5f}));
  EXPECT_LT(GammaExponent(-1), -1e6f) << "stored as unsigned: a negative setting is a huge one";
  const auto channels = GammaRamp(0.5f, 1.0f, 1.5f);  // sqrt(1/4), linear, (1/4)^1.5
  EXPECT_EQ((std::array{channels[0], channels[64], channels[256 + 64], channels[512 + 64]}),
            (std::array<uint16_t, 4>{0, 32768, 16384, 8192}));
  for (float exponent : {-3.0f, -4e7f}) {  // out of range: saturated; 0 to a negative power too
    const auto ramp = GammaRamp(exponent, exponent, exponent);
    EXPECT_EQ((std::array{ramp[0], ramp[255]}), (std::array<uint16_t, 2>{65535, 65535}));
  }
}

TEST(FrustumTest, HorizontalExtentFollowsTheWindow) {
  for (const auto& [width, height, half] :
       {std::tuple{800, 600, 53.333333}, std::tuple{1920, 1080, 71.111111},
        std::tuple{1080, 1920, 22.5}, std::tuple{0, 600, 53.333333}, std::tuple{800, 0, 53.333333}})
    EXPECT_NEAR(FrustumHalfWidth(width, height), half, 1e-5) << width << " x " << height;
}

class MonitorTest : public ::solvane::testing::HeadlessTest {
 protected:
  MonitorTable Enumerate(std::vector<DisplayDevice> devices, bool api = true) {
    HeadlessOptions options;
    options.devices = std::move(devices);
    options.multiMonitorApi = api;
    Install(options);
    MonitorTable table;
    table.count = 5;  // stale contents must not survive
    table.entries[0].window = 99;
    EnumerateMonitors(table);
    return table;
  }
};

constexpr uint32_t kAttached = kDeviceAttachedToDesktop;
constexpr uint32_t kPrimary = kDeviceAttachedToDesktop | kDevicePrimary;

TEST_F(MonitorTest, AttachedDevicesGetTheirAreasMirrorsNoSlotDetachedAnEmptyOne) {
  const MonitorTable table = Enumerate({
      {kPrimary, {1024, 768, 32}, {500, 500}},  // the primary's origin is always (0, 0)
      {kAttached | kDeviceMirroring, {800, 600, 32}, {0, 0}},
      {kAttached, {800, 600, 32}, {1024, 0}},
      {0, {800, 600, 32}, {800, 0}},
      {kAttached, {640, 480, 16}, {-640, 100}},
  });
  ASSERT_EQ(table.count, 4u);
  const std::array<int, 4> expected[] = {
      {0, 0, 1024, 768}, {1024, 0, 1824, 600}, {0, 0, 0, 0}, {-640, 100, 0, 580}};
  for (int i = 0; i < 4; ++i) {
    const MonitorEntry& e = table.entries[i];
    EXPECT_EQ((std::array{e.rect.left, e.rect.top, e.rect.right, e.rect.bottom}), expected[i]) << i;
    EXPECT_EQ(e.monitor != 0, i != 2) << i;
    EXPECT_EQ(e.window, 0u) << i;
  }
}

TEST_F(MonitorTest, StopsAtNineSlotsAndNeedsTheSystemsSupport) {
  std::vector<DisplayDevice> devices(MonitorTable::kCapacity, DisplayDevice{0, {}, {}});
  devices[0] = {kPrimary, {800, 600, 32}, {0, 0}};
  EXPECT_EQ(Enumerate(devices).count, MonitorTable::kCapacity) << "exactly full";
  devices.push_back({kAttached, {800, 600, 32}, {800, 0}});
  EXPECT_EQ(Enumerate(devices).count, MonitorTable::kCapacity) << "one past";
  EXPECT_EQ(Enumerate(devices, false).count, 0u);
}

TEST_F(MonitorTest, TheStoredGammaIsHandedToTheDisplayOnEveryChannel) {
  ASSERT_NE(platform().CreateSceneWindow(64, 64, sceneWindowEvents), 0u);
  settings.defaultGamma = false;
  settings.gamma = 100;
  InitGLState();
  EXPECT_EQ(platform().Record().gammaRamps, (std::vector{GammaRamp(0.5f, 0.5f, 0.5f)}));
}

TEST_F(MonitorTest, DisplayModeUsesTheSettingsAndHidesTheCursor) {
  settings.width = 1024;
  settings.height = 768;
  settings.bitsPerPixel = 16;
  SetDisplayMode();
  EXPECT_EQ(platform().Record().modeChanges, (std::vector<DisplayMode>{{1024, 768, 16}}));
  EXPECT_EQ(platform().Record().cursorShowCount, -1);
}

}  // namespace
}  // namespace solvane
