// What the program draws flat over the scene: the clock, the frame counter and the loading
// screen, read back from the off-screen renderer.
#include "app/overlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/display.h"
#include "app/input.h"
#include "app/settings.h"
#include "objects/view.h"
#include "platform/opengl.h"
#include "scene/texture_manager.h"
#include "scene/world_list.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

TEST(OverlayTextTest, ClockAndCounterTexts) {
  const struct {
    LocalTime time;
    bool twelveHour;
    const char* text;
  } cases[] = {
      {{0, 5, 9}, true, "12:05:09;"},
      {{12, 0, 0}, true, "12:00:00<"},
      {{13, 7, 0}, true, "01:07:00<"},
      {{23, 59, 59}, true, "11:59:59<"},
      {{11, 30, 5}, true, "11:30:05;"},
      {{0, 5, 9}, false, "00:05:09"},
      {{13, 7, 0}, false, "13:07:00"},
      {{12, 0, 0}, false, "12:00:00"},
      {{9, 10, 11}, false, "09:10:11"},
      // A host that reports nonsense still gets glyph codes only.
      {{-5, 99, -1}, false, "00:59:00"},
      {{40, 0, 0}, true, "11:00:00<"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClockText(c.time, c.twelveHour), c.text)
        << c.time.hour << ":" << c.time.minute << ":" << c.time.second;
  }
  EXPECT_EQ(FpsText(0), "0");
  EXPECT_EQ(FpsText(1234), "1234");
  EXPECT_EQ(FpsText(-7), "0");
}

class OverlayTest : public ::solvane::testing::HeadlessTest {
 protected:
  void Open(int width, int height, LocalTime time = {}) {
    HeadlessOptions options;
    options.localTime = time;
    Install(options);
    viewSize.width = width;
    viewSize.height = height;
    settings.defaultGamma = true;
    MainWindow = platform().CreateSceneWindow(width, height, sceneWindowEvents);
    ASSERT_NE(MainWindow, 0u);
    InitGLState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }

  // The frame as drawn so far, top row first, RGB.
  std::vector<uint8_t> Read() {
    const int w = viewSize.width, h = viewSize.height;
    std::vector<uint8_t> bottomUp(size_t(w) * h * 3), topDown(bottomUp.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < h; ++y) {
      std::copy_n(&bottomUp[size_t(h - 1 - y) * w * 3], size_t(w) * 3, &topDown[size_t(y) * w * 3]);
    }
    return topDown;
  }

  int Luminance(const std::vector<uint8_t>& frame, int x, int y) const {
    const uint8_t* p = &frame[(size_t(y) * viewSize.width + x) * 3];
    return (p[0] * 3 + p[1] * 6 + p[2]) / 10;
  }

  // Which glyph cell of the atlas was drawn at overlay x `left` with its bottom at `bottom`:
  // the middle columns of the glyph (the neighbours overlap its first and last 12 units) are
  // compared with each cell of the atlas.
  int GlyphAt(const std::vector<uint8_t>& frame, const Image& atlas, int left, int bottom) {
    int best = -1;
    double bestDistance = 1e30;
    for (int cell = 0; cell < 13; ++cell) {
      double distance = 0;
      for (int dy = 0; dy < 40; ++dy) {
        for (int dx = 12; dx < 28; ++dx) {
          // Atlas rows are stored bottom first, like the texture.
          const int u = (cell % 4) * 64 + (dx * 64 + 32) / 40;
          const int v = (3 - cell / 4) * 64 + (dy * 64 + 32) / 40;
          const uint8_t* t = &atlas.pixels[size_t(v) * atlas.rowBytes + size_t(u) * 3];
          const int expected = (t[0] * 3 + t[1] * 6 + t[2]) / 10;
          const int actual = Luminance(frame, left + dx, viewSize.height - 1 - (bottom + dy));
          distance += double(expected - actual) * double(expected - actual);
        }
      }
      if (distance < bestDistance) {
        bestDistance = distance;
        best = cell;
      }
    }
    return best;
  }

  std::string ReadGlyphs(const std::vector<uint8_t>& frame, int left, int bottom, size_t count) {
    Image atlas;
    EXPECT_TRUE(LoadJpegImage("textures\\c.jpg", atlas, false, 0));
    std::string text;
    for (size_t i = 0; i < count; ++i) {
      const int cell =
          GlyphAt(frame, atlas, left + int(std::lround(kGlyphAdvance * double(i))), bottom);
      text += char('0' + cell);
    }
    return text;
  }
};

TEST_F(OverlayTest, ClockGlyphsAtTheBottomRight) {
  const struct {
    LocalTime time;
    bool twelveHour;
    const char* glyphs;
  } cases[] = {
      {{0, 5, 9}, true, "12:05:09;"},  {{12, 0, 0}, true, "12:00:00<"},
      {{13, 7, 0}, true, "01:07:00<"}, {{0, 5, 9}, false, "00:05:09"},
      {{12, 0, 0}, false, "12:00:00"}, {{13, 7, 0}, false, "13:07:00"},
  };
  for (const auto& c : cases) {
    Open(800, 600, c.time);
    settings.clock12h = c.twelveHour;
    LoadTextureList("texture.txt", false);
    BuildDigitFont();
    DrawClock();
    const std::vector<uint8_t> frame = Read();
    EXPECT_EQ(ReadGlyphs(frame, 525, 2, std::string(c.glyphs).size()), c.glyphs)
        << c.time.hour << ":" << c.time.minute << ":" << c.time.second;
    // Nothing left of the clock's first glyph.
    for (int x = 0; x < 520; x += 7) EXPECT_EQ(Luminance(frame, x, 600 - 20), 0) << x;
  }
}

TEST_F(OverlayTest, CounterAtTheTopLeft) {
  Open(1024, 768);
  LoadTextureList("texture.txt", false);
  BuildDigitFont();
  BeginOverlay2D();
  DrawFps(1907);
  EndOverlay2D();
  const std::vector<uint8_t> frame = Read();
  // The overlay space is 800 x 600 stretched over the window: read it back at that scale.
  std::vector<uint8_t> scaled(size_t(800) * 600 * 3);
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const uint8_t* p = &frame[(size_t(y * 768 / 600) * 1024 + size_t(x * 1024 / 800)) * 3];
      std::copy_n(p, 3, &scaled[(size_t(y) * 800 + x) * 3]);
    }
  }
  viewSize.width = 800;
  viewSize.height = 600;
  EXPECT_EQ(ReadGlyphs(scaled, 4, 558, 4), "1907");
}

TEST_F(OverlayTest, LoadingScreenLayoutAtAnyMode) {
  int cornerPixels[2] = {};
  const int sizes[][2] = {{800, 600}, {1024, 768}};
  for (int s = 0; s < 2; ++s) {
    const int w = sizes[s][0], h = sizes[s][1];
    Open(w, h);
    LoadOverlayTextures();
    ASSERT_NE(overlayTextures.sign.id, 0u);
    ASSERT_NE(overlayTextures.load.id, 0u);
    ASSERT_NE(overlayTextures.corners[0], 0u);
    DrawLoadingScreen();
    const std::vector<uint8_t> frame = Read();
    const auto at = [&](float overlayX, float overlayY) {
      return Luminance(frame, int(overlayX * float(w) / 800),
                       int((600 - overlayY) * float(h) / 600));
    };
    EXPECT_GT(at(400, 350), 150) << "the sign image's centre, " << w;
    EXPECT_GT(at(400, 140), 150) << "the load image's centre, " << w;
    EXPECT_EQ(at(100, 300), 0) << w;
    EXPECT_EQ(at(700, 450), 0) << w;

    // The bottom-right image covers exactly the last 256 x 128 pixels.
    for (int y = h - 128; y < h; ++y) {
      for (int x = w - 256; x < w; ++x) cornerPixels[s] += Luminance(frame, x, y) > 0;
    }
    for (int y = h - 200; y < h; ++y) {
      for (int x = w - 280; x < w; ++x) {
        if (x >= w - 256 && y >= h - 128) continue;
        ASSERT_EQ(Luminance(frame, x, y), 0) << "outside the corner at " << x << "," << y;
      }
    }
  }
  EXPECT_GT(cornerPixels[0], 1000);
  EXPECT_EQ(cornerPixels[0], cornerPixels[1]) << "the same pixels at both modes";
}

// The window shapes of desktops, wide monitors and a phone held upright: the overlay keeps its
// proportions on each, and every element stays on its side of the window.
TEST_F(OverlayTest, EveryWindowShapeKeepsTheProportions) {
  struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // pixels, inclusive
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
  };
  // The lit pixels inside a rectangle of the frame.
  const auto litBox = [this](const std::vector<uint8_t>& frame, int x0, int y0, int x1, int y1) {
    Box box;
    for (int y = std::max(y0, 0); y < std::min(y1, viewSize.height); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, viewSize.width); ++x) {
        if (Luminance(frame, x, y) < 40) continue;
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
    }
    return box;
  };
  // The frame read back in overlay units (square, 600 over the height), for the glyph reader.
  const auto inUnits = [this](const std::vector<uint8_t>& frame, int& unitsWide) {
    const int w = viewSize.width, h = viewSize.height;
    unitsWide = int(std::lround(600.0 * w / h));
    std::vector<uint8_t> scaled(size_t(unitsWide) * 600 * 3);
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < unitsWide; ++x) {
        const int px = std::min(w - 1, int((x + 0.5) * h / 600)), py = (y * 2 + 1) * h / 1200;
        std::copy_n(&frame[(size_t(py) * w + size_t(px)) * 3], 3,
                    &scaled[(size_t(y) * unitsWide + x) * 3]);
      }
    }
    return scaled;
  };

  const struct {
    int width, height;
  } sizes[] = {{800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}, {2560, 1080}, {1080, 1920}};
  Box sign0, clock0;
  std::vector<uint8_t> corner0;
  for (const auto& size : sizes) {
    const int w = size.width, h = size.height;
    const double scale = h / 600.0;  // pixels per overlay unit, both ways
    const std::string mode = std::to_string(w) + "x" + std::to_string(h);
    SCOPED_TRACE(mode);

    Open(w, h);
    EXPECT_NEAR(OverlayWidth() * h, 600.0 * w, 1e-6);
    LoadOverlayTextures();
    DrawLoadingScreen();
    const std::vector<uint8_t> screen = Read();
    // The sign, above the load image's top edge (overlay y 240), round as drawn at 4:3.
    const int loadTop = h - int(std::lround(240 * scale));
    const Box sign = litBox(screen, 0, 0, w, loadTop - 1);
    if (w == 800) sign0 = sign;
    EXPECT_NEAR(sign.Width(), sign.Height(), 2);
    // Linear filtering blurs each edge over about one texel of the magnified image.
    EXPECT_NEAR(sign.Width(), sign0.Width() * scale, 2 * scale);
    EXPECT_NEAR((sign.left + sign.right + 1) / 2.0, w / 2.0, 2) << "in the middle";
    // The load image's middle, under it.
    EXPECT_GT(Luminance(screen, w / 2, h - int(140 * scale)), 150);
    // The bottom-right image: the same 256 x 128 pixels in its corner at every mode, and nothing
    // lit beside it.
    std::vector<uint8_t> corner;
    for (int y = h - 128; y < h; ++y) {
      corner.insert(corner.end(), &screen[(size_t(y) * w + size_t(w - 256)) * 3],
                    &screen[(size_t(y) * w + size_t(w)) * 3]);
    }
    if (w == 800) corner0 = corner;
    EXPECT_TRUE(corner == corner0) << "the corner image moved or was scaled";
    const Box beside = litBox(screen, w - 300, h - 180, w - 256, h);
    EXPECT_EQ(beside.right, -1) << "lit left of the corner image at " << beside.left;
    const Box above = litBox(screen, w - 300, h - 180, w, h - 128);
    EXPECT_EQ(above.right, -1) << "lit above the corner image at " << above.top;

    // The clock at the bottom right: its glyphs as at 4:3, only scaled, as far in from the
    // right edge in overlay units.
    Open(w, h, {0, 5, 9});
    settings.clock12h = true;
    LoadTextureList("texture.txt", false);
    BuildDigitFont();
    DrawClock();
    const std::vector<uint8_t> clockFrame = Read();
    const Box clock = litBox(clockFrame, 0, 0, w, h);
    if (w == 800) clock0 = clock;
    EXPECT_NEAR(clock.Width(), clock0.Width() * scale, 2 * scale);
    EXPECT_NEAR(clock.Height(), clock0.Height() * scale, 2 * scale);
    EXPECT_NEAR(w - 1 - clock.right, (799 - clock0.right) * scale, 2 * scale);
    EXPECT_NEAR(h - 1 - clock.bottom, (599 - clock0.bottom) * scale, 2 * scale);
    int unitsWide = 0;
    const std::vector<uint8_t> clockUnits = inUnits(clockFrame, unitsWide);

    // The frame counter at the top left, drawn over the clock's frame.
    BeginOverlay2D();
    DrawFps(1907);
    EndOverlay2D();
    const std::vector<uint8_t> both = inUnits(Read(), unitsWide);
    viewSize.width = unitsWide;
    viewSize.height = 600;
    EXPECT_EQ(ReadGlyphs(clockUnits, unitsWide - 275, 2, 9), "12:05:09;");
    EXPECT_EQ(ReadGlyphs(both, 4, 558, 4), "1907");
  }
}

TEST_F(OverlayTest, WithoutAGlyphAtlasTheFontStillDraws) {
  Open(800, 600, {1, 2, 3});
  BuildDigitFont();  // no texture list: no "c.jpg"
  EXPECT_EQ(overlayTextures.glyphs, 0u);
  EXPECT_NE(overlayTextures.fontBase, 0u);
  DrawClock();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
}  // namespace solvane
