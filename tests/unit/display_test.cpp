#include "app/display.h"

#include <gtest/gtest.h>

#include <array>

#include "app/input.h"
#include "app/settings.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using ::solvane::testing::HeadlessTest;

TEST(GammaTest, ExponentAndRamp) {
  EXPECT_FLOAT_EQ(GammaExponent(0), 1.5f);
  EXPECT_FLOAT_EQ(GammaExponent(50), 1.0f);
  EXPECT_FLOAT_EQ(GammaExponent(100), 0.5f);
  // Stored as unsigned: a negative setting is a huge one, not a small one.
  EXPECT_LT(GammaExponent(-1), -1e6f);

  const auto identity = GammaRamp(1, 1, 1);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(identity[i], i * 256) << i;
    ASSERT_EQ(identity[256 + i], i * 256) << i;
    ASSERT_EQ(identity[512 + i], i * 256) << i;
  }
  const auto channels = GammaRamp(0.5f, 1.0f, 1.5f);
  EXPECT_EQ(channels[64], 32768);        // sqrt(1/4) of full scale
  EXPECT_EQ(channels[256 + 64], 16384);  // linear
  EXPECT_EQ(channels[512 + 64], 8192);   // (1/4)^1.5
  EXPECT_EQ(channels[0], 0);
  // Out-of-range exponents saturate.
  for (float exponent : {-3.0f, -4e7f}) {
    const auto ramp = GammaRamp(exponent, exponent, exponent);
    EXPECT_EQ(ramp[0], 65535) << exponent;  // 0 to a negative power is infinite
    EXPECT_EQ(ramp[255], 65535) << exponent;
  }
}

TEST(FrustumTest, HorizontalExtentFollowsTheWindow) {
  EXPECT_NEAR(FrustumHalfWidth(800, 600), 53.333333, 1e-5);
  EXPECT_NEAR(FrustumHalfWidth(1920, 1080), 71.111111, 1e-5);
  EXPECT_NEAR(FrustumHalfWidth(1080, 1920), 22.5, 1e-9);
  EXPECT_NEAR(FrustumHalfWidth(0, 600), 53.333333, 1e-5);
  EXPECT_NEAR(FrustumHalfWidth(800, 0), 53.333333, 1e-5);
}

class MonitorTest : public HeadlessTest {
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

TEST_F(MonitorTest, AttachedDevicesGetTheirAreas) {
  const MonitorTable table = Enumerate({
      {kPrimary, {1024, 768, 32}, {500, 500}},  // the primary's origin is always (0, 0)
      {kAttached, {800, 600, 32}, {1024, 0}},
      {kAttached, {640, 480, 16}, {-640, 100}},
  });
  ASSERT_EQ(table.count, 3u);
  const ScreenRect expected[] = {{0, 0, 1024, 768}, {1024, 0, 1824, 600}, {-640, 100, 0, 580}};
  for (int i = 0; i < 3; ++i) {
    const ScreenRect& rect = table.entries[i].rect;
    EXPECT_EQ(
        (std::array{rect.left, rect.top, rect.right, rect.bottom}),
        (std::array{expected[i].left, expected[i].top, expected[i].right, expected[i].bottom}))
        << i;
    EXPECT_NE(table.entries[i].monitor, 0u) << i;
    EXPECT_EQ(table.entries[i].window, 0u) << i;
  }
}

TEST_F(MonitorTest, MirrorsTakeNoSlotDetachedDevicesAnEmptyOne) {
  const MonitorTable table = Enumerate({
      {kAttached | kDeviceMirroring, {800, 600, 32}, {0, 0}},
      {kPrimary, {800, 600, 32}, {0, 0}},
      {0, {800, 600, 32}, {800, 0}},
      {kAttached, {800, 600, 32}, {800, 0}},
  });
  ASSERT_EQ(table.count, 3u);
  EXPECT_NE(table.entries[0].monitor, 0u);
  EXPECT_EQ(table.entries[1].monitor, 0u);
  EXPECT_EQ(table.entries[1].rect.right, 0);
  EXPECT_NE(table.entries[2].monitor, 0u);
}

TEST_F(MonitorTest, StopsAtNineSlotsAndNeedsTheSystemsSupport) {
  std::vector<DisplayDevice> devices(MonitorTable::kCapacity, DisplayDevice{0, {}, {}});
  devices[0] = {kPrimary, {800, 600, 32}, {0, 0}};
  EXPECT_EQ(Enumerate(devices).count, MonitorTable::kCapacity) << "exactly full";
  devices.push_back({kAttached, {800, 600, 32}, {800, 0}});
  EXPECT_EQ(Enumerate(devices).count, MonitorTable::kCapacity);
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
  ASSERT_EQ(platform().Record().modeChanges.size(), 1u);
  EXPECT_EQ(platform().Record().modeChanges[0], (DisplayMode{1024, 768, 16}));
  EXPECT_EQ(platform().Record().cursorShowCount, -1);
}

}  // namespace
}  // namespace solvane
