// The carried scene drawn with and without the texture program: the same frame either way.
#include <gtest/gtest.h>

#include "tests/support/render_checks.h"

namespace solvane {
namespace {

class SceneLookTest : public ::solvane::testing::HeadlessTest {
 protected:
  // The last of `frames` frames, `step` seconds apart, of a run seeded with `seed`.
  std::vector<uint8_t> Run(uint32_t seed, int frames, double step) {
    HeadlessOptions options;
    options.maxFrames = frames, options.firstCounter = seed;
    options.ticksPerFrame = uint64_t(step * double(options.frequency));
    HeadlessPlatform& p = Install(options);
    RunApplication(1);
    return p.PresentedFrame();
  }
};

// The fragment program computes what the fixed pipeline does, at most two levels apart.
TEST_F(SceneLookTest, TheTextureProgramDrawsWhatTheFixedPipelineDraws) {
  AllowModulateProgram(false);
  const std::vector<uint8_t> fixed = Run(5, 60, 0.2);
  AllowModulateProgram(true);
  HeadlessPlatform& p = Install({});
  ASSERT_NE(p.CreateSceneWindow(64, 64, sceneWindowEvents), 0u);
  PrepareModulateProgram();
  ASSERT_TRUE(HasModulateProgram()) << "the renderer offers no fragment programs";
  p.DeleteGLContext();

  const std::vector<uint8_t> programmed = Run(5, 60, 0.2);
  ASSERT_EQ(programmed.size(), fixed.size());
  int most = 0;
  for (size_t i = 0; i < fixed.size(); ++i)
    most = std::max(most, std::abs(fixed[i] - programmed[i]));
  EXPECT_LE(most, 2);
  const auto lit = std::count_if(fixed.begin(), fixed.end(), [](uint8_t v) { return v > 64; });
  EXPECT_GT(lit, ptrdiff_t(fixed.size() / 20)) << "too little drawn to compare";
}

}  // namespace
}  // namespace solvane
