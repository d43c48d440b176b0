// The carried scene as the full-screen run shows it: the star's disc, and the same frames with
// and without the texture program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/input.h"
#include "camera/camera.h"
#include "objects/modulate_program.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // RGBA, top row first
  Camera camera;

  int Luminance(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return -1;
    const uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
    return (p[0] * 3 + p[1] * 6 + p[2]) / 10;
  }
};

class SceneLookTest : public ::solvane::testing::HeadlessTest {
 protected:
  // The last of `frames` frames of a run seeded with `seed`, at 800 x 600, `step` seconds
  // apart.
  Frame Run(uint32_t seed, int frames, double step = 0.05) {
    HeadlessOptions options;
    options.maxFrames = frames;
    options.ticksPerFrame = uint64_t(step * double(options.frequency));
    options.firstCounter = seed;
    HeadlessPlatform& p = Install(options);
    RunApplication(1);
    return {p.FrameWidth(), p.FrameHeight(), p.PresentedFrame(), camera};
  }

  // Where the origin lands in the frame, and the star's radius there in pixels, from the
  // camera the frame was drawn with (the view frustum is 40 high at a near distance of 80).
  static bool ProjectOrigin(const Frame& frame, float& x, float& y, float& radius) {
    const Camera& c = frame.camera;
    const Vec3 forward = Normalize(c.look);
    const Vec3 side = Normalize(Cross(forward, c.up));
    const Vec3 up = Cross(side, forward);
    const Vec3 d = -c.eye;
    const float depth = Dot(d, forward);
    if (depth <= 0) return false;
    const float aspect = float(frame.width) / float(frame.height);
    const float ndcX = 80 * Dot(d, side) / depth / (40 * aspect);
    const float ndcY = 80 * Dot(d, up) / depth / 40;
    x = (ndcX + 1) / 2 * float(frame.width);
    y = (1 - ndcY) / 2 * float(frame.height);
    // A sphere of radius 10200 at distance D spans 2 x 10200 / D in normalised height.
    radius = 10200 * float(frame.height) / std::sqrt(Dot(d, d));
    return true;
  }

  // The mean luminance on a circle about (x, y).
  static double RingLuminance(const Frame& frame, float x, float y, float r) {
    double sum = 0;
    int count = 0;
    for (int i = 0; i < 64; ++i) {
      const float a = float(i) * 6.2831855f / 64;
      const int l = frame.Luminance(int(x + r * std::cos(a)), int(y + r * std::sin(a)));
      if (l < 0) continue;
      sum += l;
      ++count;
    }
    return count > 0 ? sum / count : 0;
  }
};

TEST_F(SceneLookTest, TheDiscShowsItsSurfaceUpToTheMiddle) {
  // From afar, at the flight's usual distance, and on a close pass: the corona drawn over the
  // disc must leave the surface visible to its middle, and the limb darker than the middle.
  const struct {
    const char* name;
    uint32_t seed;
    int frames;
    double step;
  } cases[] = {{"far", 7, 1, 0.05}, {"usual", 7, 30, 0.2}, {"close", 42, 50, 0.4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Frame frame = Run(c.seed, c.frames, c.step);
    float x = 0, y = 0, radius = 0;
    ASSERT_TRUE(ProjectOrigin(frame, x, y, radius));
    ASSERT_GT(radius, 30) << "a disc large enough to judge";
    // Luminance statistics of the middle third (by radius), the clipped share of the disc, and
    // the mean on a circle just inside the limb.
    double sum = 0, squares = 0;
    int middle = 0, disc = 0, clipped = 0;
    for (int py = int(y - radius); py <= int(y + radius); ++py) {
      for (int px = int(x - radius); px <= int(x + radius); ++px) {
        const float r = std::hypot(float(px) + 0.5f - x, float(py) + 0.5f - y) / radius;
        const int l = frame.Luminance(px, py);
        if (r > 0.95f || l < 0) continue;
        ++disc;
        const uint8_t* p = &frame.pixels[(size_t(py) * frame.width + px) * 4];
        if (p[0] >= 250 && p[1] >= 250 && p[2] >= 250) ++clipped;
        if (r > 1.0f / 3) continue;
        ++middle;
        sum += l;
        squares += double(l) * l;
      }
    }
    ASSERT_GT(middle, 0);
    const double mean = sum / middle, variance = squares / middle - mean * mean;
    const double limb = RingLuminance(frame, x, y, radius * 0.88f);
    SCOPED_TRACE("middle mean " + std::to_string(mean) + ", variance " + std::to_string(variance) +
                 ", limb " + std::to_string(limb) + ", clipped " + std::to_string(clipped) +
                 " of " + std::to_string(disc));
    // A flat white middle has no variance at all; the surface's granules, spots and bright
    // network give it some even from afar, where a granule is smaller than a pixel.
    EXPECT_GT(variance, 40) << "surface detail in the middle third";
    EXPECT_LT(mean, 245) << "not washed out";
    EXPECT_LT(double(clipped) / disc, 0.04) << "a clipped plateau";
    EXPECT_LT(limb, mean) << "the limb darker than the middle";
  }
}

// Textured fragments go through a fragment program where the renderer has one. It computes
// what the fixed pipeline does, rounded a little differently in places: never more than two
// levels apart, corona, star, sky and particles alike.
TEST_F(SceneLookTest, TheTextureProgramDrawsWhatTheFixedPipelineDraws) {
  const Frame fixed = [&] {
    AllowModulateProgram(false);
    const Frame frame = Run(5, 60, 0.2);
    AllowModulateProgram(true);
    return frame;
  }();
  HeadlessPlatform& p = Install({});
  ASSERT_NE(p.CreateSceneWindow(64, 64, sceneWindowEvents), 0u);
  PrepareModulateProgram();
  ASSERT_TRUE(HasModulateProgram()) << "the renderer offers no fragment programs";
  p.DeleteGLContext();

  const Frame programmed = Run(5, 60, 0.2);
  ASSERT_EQ(programmed.pixels.size(), fixed.pixels.size());
  int most = 0;
  for (size_t i = 0; i < fixed.pixels.size(); ++i) {
    most = std::max(most, std::abs(int(fixed.pixels[i]) - int(programmed.pixels[i])));
  }
  EXPECT_LE(most, 2);
  const auto lit =
      std::count_if(fixed.pixels.begin(), fixed.pixels.end(), [](uint8_t v) { return v > 64; });
  EXPECT_GT(lit, ptrdiff_t(fixed.pixels.size() / 20)) << "too little drawn to compare";
}

}  // namespace
}  // namespace solvane
