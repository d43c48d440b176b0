// What the program draws flat over the scene: the clock, the frame counter and the loading
// screen, read back from the off-screen renderer.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/render_checks.h"

namespace solvane {
namespace {

TEST(OverlayTextTest, ClockAndCounterTexts) {
  const struct {
    LocalTime time;
    bool twelveHour;
    const char* text;
  } cases[] = {{{0, 0, 0}, true, "12:00:00;"},    {{0, 5, 9}, true, "12:05:09;"},
               {{11, 59, 59}, true, "11:59:59;"}, {{12, 0, 0}, true, "12:00:00<"},
               {{12, 59, 59}, true, "12:59:59<"}, {{23, 59, 59}, true, "11:59:59<"},
               {{0, 0, 0}, false, "00:00:00"},    {{12, 0, 0}, false, "12:00:00"},
               {{23, 59, 59}, false, "23:59:59"}, {{-5, 99, -1}, false, "00:59:00"},
               {{40, 60, 60}, true, "11:59:59<"}};  // nonsense from a host: still glyph codes
  for (const auto& c : cases) {
    EXPECT_EQ(ClockText(c.time, c.twelveHour), c.text)
        << c.time.hour << ":" << c.time.minute << ":" << c.time.second << " " << c.twelveHour;
  }
  const std::pair<int, const char*> counts[] = {{0, "0"},         {9, "9"},
                                                {10, "10"},       {9999, "9999"},
                                                {10000, "10000"}, {INT_MAX, "2147483647"},
                                                {-7, "0"},        {INT_MIN, "0"}};
  for (const auto& [fps, text] : counts) EXPECT_EQ(FpsText(fps), text) << fps;
}
class OverlayTest : public ::solvane::testing::RenderTest {
 protected:
  void OpenAt(int width, int height, LocalTime time = {}) {
    HeadlessOptions options;
    options.localTime = time;
    Install(options);
    Open(width, height);
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

  static int Lum(const std::vector<uint8_t>& frame, int width, int x, int y) {
    const uint8_t* p = &frame[(size_t(y) * width + x) * 3];
    return (p[0] * 3 + p[1] * 6 + p[2]) / 10;
  }

  // The brightness at overlay unit `x`, `y` (square, 600 over the height) of a frame.
  static int UnitLum(const std::vector<uint8_t>& frame, int x, int y) {
    const int w = viewSize.width, h = viewSize.height;
    return Lum(frame, w, std::min(w - 1, int((x + 0.5) * h / 600)), (y * 2 + 1) * h / 1200);
  }

  // The glyphs drawn at overlay x `left` with their bottom at `bottom`: the middle columns of
  // each (its neighbours overlap its first and last 12 units) compared with each atlas cell.
  static std::string ReadGlyphs(const std::vector<uint8_t>& frame, int left, int bottom,
                                size_t count) {
    Image atlas;
    EXPECT_TRUE(LoadJpegImage("textures\\c.jpg", atlas, false, 0));
    std::string text;
    for (size_t i = 0; i < count; ++i) {
      const int x0 = left + int(std::lround(kGlyphAdvance * double(i)));
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
            const int actual = UnitLum(frame, x0 + dx, 599 - (bottom + dy));
            distance += double(expected - actual) * double(expected - actual);
          }
        }
        if (distance < bestDistance) bestDistance = distance, best = cell;
      }
      text += char('0' + best);
    }
    return text;
  }

  // State the frame may leave: no colour, no texture, a blend that keeps the background.
  static void Dirty() {
    glColor4f(0, 0, 0, 0), glBindTexture(GL_TEXTURE_2D, 0), glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND), glBlendFunc(GL_ZERO, GL_ONE);
  }
};

// On every window shape: the loading screen's sign and load image in the middle, as large in
// overlay units, its corner image at the same 256 x 128 pixels with nothing lit beside it; then
// the clock bottom right and the counter top left at the same places in overlay units, whatever
// state the scene left. Without a glyph atlas the font still draws.
TEST_F(OverlayTest, OverlayOnEveryWindowShape) {
  OpenAt(800, 600, {1, 2, 3});
  BuildDigitFont();  // no texture list: no "c.jpg"
  EXPECT_EQ(overlayTextures.glyphs, 0u);
  EXPECT_NE(overlayTextures.fontBase, 0u);
  DrawClock();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  struct Box {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;  // pixels, inclusive
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
  };
  // The lit pixels inside a rectangle of the frame.
  const auto litBox = [this](const std::vector<uint8_t>& frame, int x0, int y0, int x1, int y1) {
    Box box;
    for (int y = std::max(y0, 0); y < std::min(y1, viewSize.height); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, viewSize.width); ++x) {
        if (Lum(frame, viewSize.width, x, y) < 40) continue;
        box.left = std::min(box.left, x), box.right = std::max(box.right, x);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
      }
    }
    return box;
  };
  const struct {
    int width, height;
    LocalTime time;
    bool twelveHour;
    const char* clock;
    int fps;
  } cases[] = {
      {800, 600, {0, 5, 9}, true, "12:05:09;", 1907},
      {1024, 768, {13, 7, 0}, false, "13:07:00", 23},
      {1280, 720, {12, 34, 56}, true, "12:34:56<", 60},
      {1920, 1080, {23, 48, 36}, false, "23:48:36", 2468},
      {2560, 1080, {13, 7, 0}, true, "01:07:00<", 5},
      {1080, 1920, {0, 5, 9}, false, "00:05:09", 1357},
  };
  std::vector<uint8_t> corner0;
  for (const auto& c : cases) {
    const int w = c.width, h = c.height;
    const double scale = h / 600.0;  // pixels per overlay unit, both ways
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    OpenAt(w, h, c.time);
    EXPECT_NEAR(OverlayWidth() * h, 600.0 * w, 1e-6);
    LoadOverlayTextures();
    DrawLoadingScreen();
    const std::vector<uint8_t> screen = Read();
    // The sign, above the load image's top edge (overlay y 240): its lit disc 184 units across,
    // in the middle. Linear filtering blurs each edge over about one texel.
    const Box sign = litBox(screen, 0, 0, w, h - int(std::lround(240 * scale)) - 1);
    EXPECT_NEAR(sign.Width(), sign.Height(), 2);
    EXPECT_NEAR(sign.Width(), 184 * scale, 2 * scale);
    EXPECT_NEAR((sign.left + sign.right + 1) / 2.0, w / 2.0, 2) << "in the middle";
    // The load image under it, lit 162 of its 200 units across above the corners.
    EXPECT_GT(Lum(screen, w, w / 2, h - int(140 * scale)), 150);
    const Box load = litBox(screen, 0, h - int(240 * scale) + 2, w, h - 130);
    EXPECT_NEAR(load.Width(), 162 * scale, 2 * scale);
    EXPECT_NEAR((load.left + load.right + 1) / 2.0, w / 2.0, 2);
    std::vector<uint8_t> corner;
    int lit = 0;
    for (int y = h - 128; y < h; ++y) {
      corner.insert(corner.end(), &screen[(size_t(y) * w + size_t(w - 256)) * 3],
                    &screen[(size_t(y) * w + size_t(w)) * 3]);
      for (int x = w - 256; x < w; ++x) lit += Lum(screen, w, x, y) > 0;
    }
    if (w == 800) corner0 = corner;
    EXPECT_GT(lit, 1000);
    EXPECT_TRUE(corner == corner0) << "the corner image moved or was scaled";
    EXPECT_EQ(litBox(screen, w - 300, h - 180, w - 256, h).right, -1) << "lit left of the corner";
    EXPECT_EQ(litBox(screen, w - 300, h - 180, w, h - 128).right, -1) << "lit above the corner";

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    settings.clock12h = c.twelveHour;
    LoadTextureList("texture.txt", false);
    BuildDigitFont();
    Dirty(), DrawClock(), Dirty();
    BeginOverlay2D(), DrawFps(c.fps), EndOverlay2D();
    const int unitsWide = int(std::lround(OverlayWidth()));
    const std::vector<uint8_t> frame = Read();
    const std::string fps = std::to_string(c.fps);
    EXPECT_EQ(ReadGlyphs(frame, unitsWide - 275, 2, std::strlen(c.clock)), c.clock);
    for (const int separator : {2, 5}) {  // two dots: two lit runs down the middle of each
      const int x = unitsWide - 275 + int(std::lround(kGlyphAdvance * separator)) + 20;
      int runs = 0;
      for (int y = 2, lit = 0; y < 42; ++y) {
        const int now = UnitLum(frame, x, 599 - y) > 128;
        runs += now > lit, lit = now;
      }
      EXPECT_EQ(runs, 2) << "separator " << separator << " of " << c.clock;
    }
    EXPECT_EQ(ReadGlyphs(frame, 4, 558, fps.size()), fps);
    for (int x = 0; x < unitsWide - 280; x += 7) {  // nothing left of the clock along its row
      ASSERT_EQ(UnitLum(frame, x, 580), 0) << "at " << x;
    }
  }
}

}  // namespace
}  // namespace solvane
