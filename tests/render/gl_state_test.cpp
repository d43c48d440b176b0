// The OpenGL state frames start from, the spaces drawn in, and the state each draw leaves.
#include <gtest/gtest.h>

#include "tests/support/render_checks.h"

#ifndef GL_FRAGMENT_PROGRAM_ARB
#define GL_FRAGMENT_PROGRAM_ARB 0x8804
#endif

namespace solvane {
namespace {

// The OpenGL state one draw can leave behind for the next, by name: values, then enables.
using GlState = std::map<std::string, std::vector<double>>;

// A piece of state by its enum in hex, an enable as "on" and its enum.
std::string Key(GLenum what, const char* prefix = "") {
  char text[24];
  std::snprintf(text, sizeof text, "%s0x%x", prefix, unsigned(what));
  return text;
}

GlState Snapshot() {
  GlState state;
  for (const auto& [count, list] :
       {std::pair{
            16, std::vector<GLenum>{GL_MODELVIEW_MATRIX, GL_PROJECTION_MATRIX, GL_TEXTURE_MATRIX}},
        {4, {GL_CURRENT_COLOR, GL_VIEWPORT}},
        {1,
         {GL_MODELVIEW_STACK_DEPTH, GL_PROJECTION_STACK_DEPTH, GL_TEXTURE_STACK_DEPTH,
          GL_MATRIX_MODE, GL_DEPTH_WRITEMASK, GL_DEPTH_FUNC, GL_BLEND_SRC, GL_BLEND_DST,
          GL_ALPHA_TEST_FUNC, GL_ALPHA_TEST_REF, GL_TEXTURE_BINDING_2D, GL_CULL_FACE_MODE}}}) {
    for (GLenum what : list) {
      GLfloat values[16] = {};
      glGetFloatv(what, values);
      state[Key(what)].assign(values, values + count);
    }
  }
  for (GLenum on : std::vector<GLenum>{GL_DEPTH_TEST, GL_LIGHTING, GL_BLEND, GL_TEXTURE_2D,
                                       GL_ALPHA_TEST, GL_CULL_FACE, GL_COLOR_MATERIAL, GL_LIGHT0,
                                       GL_LIGHT1, GL_LIGHT2, GL_FOG, GL_NORMALIZE, GL_TEXTURE_GEN_S,
                                       GL_TEXTURE_GEN_T, GL_FRAGMENT_PROGRAM_ARB, GL_VERTEX_ARRAY,
                                       GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY}) {
    state[Key(on, "on ")] = {double(glIsEnabled(on))};
  }
  GLint mode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  state["texture mode"] = {double(mode)};
  return state;
}

float Get(GLenum what, int index = 0) {
  GLfloat values[16] = {};
  glGetFloatv(what, values);
  return values[index];
}

using GlStateTest = ::solvane::testing::RenderTest;

// The state a frame's draws start from, as far as they rely on it.
TEST_F(GlStateTest, InitialState) {
  Open(800, 600);
  ASSERT_TRUE(InitGLState());
  for (GLenum on : {GL_ALPHA_TEST, GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT1, GL_BLEND, GL_TEXTURE_2D,
                    GL_NORMALIZE}) {
    EXPECT_TRUE(glIsEnabled(on)) << std::hex << on;
  }
  EXPECT_EQ(Get(GL_BLEND_SRC), GL_SRC_ALPHA);
  EXPECT_EQ(Get(GL_BLEND_DST), GL_ONE);
  EXPECT_GE(Get(GL_DEPTH_BITS), 16);  // for the meshes; a stencil buffer would only cost fill
  EXPECT_EQ(Get(GL_STENCIL_BITS), 0);
}

// A resized window draws at its new size in every space; the stored mode stays; no area, 1 x 1.
TEST_F(GlStateTest, ResizeMovesTheDrawingSizeNotTheStoredMode) {
  Open(800, 600);
  settings.width = 1024, settings.height = 768;
  const int cases[][4] = {{640, 400, 640, 400},
                          {1, 1, 1, 1},
                          {0, 300, 1, 1},
                          {500, -1, 1, 1},
                          {1080, 1920, 1080, 1920}};
  for (const auto& [width, height, drawnWidth, drawnHeight] : cases) {
    ResizeScene(width, height);
    const float w = float(drawnWidth), h = float(drawnHeight);
    EXPECT_EQ(viewSize, (ViewSize{drawnWidth, drawnHeight})) << width << "x" << height;
    EXPECT_EQ(Get(GL_VIEWPORT, 2) * 10000 + Get(GL_VIEWPORT, 3), w * 10000 + h);
    // glFrustum puts 2 near / (right - left) at [0] and 2 near / (top - bottom) at [5].
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), 2.0f * h / w);
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 5), 2.0f);
    PushPrivateProjection(2);
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), h / (2 * w));
    PopPrivateProjection();
    BeginScreen2D();
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), 2.0f / w);
    EndOverlay2D();
    EXPECT_EQ(settings.width * 10000 + settings.height, 1024 * 10000 + 768);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Every object kind in its variants, the overlay and a whole frame leave the state as found, but
// for the colour, the bound texture where they bind one, and what they are meant to change.
TEST_F(GlStateTest, EveryDrawLeavesTheStateAsItFoundIt) {
  Open(800, 600);
  LoadTextureList("texture.txt", false);
  BuildStandardMeshes();
  LoadSphereArrays("meshes\\sphere.dat");
  LoadEnvironments(environmentCatalog, "env.txt");
  LoadWorlds(worldCatalog, environmentCatalog, "worlds.txt");
  LoadOverlayTextures();
  BuildDigitFont();
  const Environment& environment = *environmentCatalog.at(0);
  ObjectList scene = environment.firstPass;
  const ObjectList& world = worldCatalog.at(0)->objects;
  scene.insert(scene.end(), world.begin(), world.end());
  scene.insert(scene.end(), environment.postPass.begin(), environment.postPass.end());
  SceneObject* const planet = FindObjectByName(scene, "planet0");
  ASSERT_NE(planet, nullptr);

  struct Case {
    std::string name;
    std::function<void()> draw;
    GlState leaves;  // what it leaves changed, and to what
    bool binds = true;
  };
  std::vector<Case> cases;
  std::vector<std::unique_ptr<SceneObject>> owned;
  const GlState burst = {{Key(GL_LIGHTING, "on "), {0}}, {Key(GL_ALPHA_TEST, "on "), {0}}};
  // Three frames of `o`, the first without an update as in a run; at `sceneTime`.
  const auto frames = [&](std::string name, SceneObject* o, GlState leaves, float sceneTime = 0) {
    const auto draw = [o, sceneTime] {
      SceneTime = sceneTime;
      for (int frame = 0; frame < 3; ++frame)
        (frame > 0 ? o->Update(0.4) : void()), o->Draw(camera);
      SceneTime = 0;
    };
    cases.push_back({name, draw, leaves, o->hasTexture || dynamic_cast<ParticleSystem*>(o)});
  };
  for (size_t i = 0; i < scene.size(); ++i) {
    frames("carried object " + std::to_string(i), scene[i],
           dynamic_cast<ParticleSystem*>(scene[i]) ? burst : GlState{});
  }
  // An object of our own, textured unless `setUp` says otherwise.
  const auto made = [&]<typename T>(std::string name, T* o, auto setUp, GlState leaves = {},
                                    float sceneTime = 0) {
    owned.emplace_back(o);
    o->hasTexture = true;
    o->SetTexture("textures\\sun.jpg");
    setUp(*o);
    frames(std::move(name), o, std::move(leaves), sceneTime);
  };
  using S = Sphere;
  bool S::*const sphereFlags[] = {&S::atmo, &S::mask,  &S::specular,     &S::flash,
                                  &S::env,  &S::depth, &S::textureIsTga, &S::light};
  for (bool S::*const& on : sphereFlags) {
    made("sphere flag " + std::to_string(&on - sphereFlags), new S, [on](S& s) { s.*on = true; });
  }
  made("sphere sys", new S, [&](S& s) { s.sys = true, s.parent = planet; });
  made("sphere rnd", new S, [](S& s) { s.flash = s.rnd = true; });
  made("sphere alpha", new S, [](S& s) { s.alpha = 0.5f; });
  for (const int t : {0, 12, 30})
    made(
        "wire at " + std::to_string(t), new S, [](S& s) { s.wire = true; }, {}, float(t));
  using B = Billboard;
  made("billboard", new B, [](B&) {});
  made("billboard sys", new B, [&](B& b) { b.sys = true, b.billboardParent = planet; });
  bool B::*const billboardFlags[] = {&B::blend, &B::depth, &B::env, &B::oreol, &B::flash};
  for (bool B::*const& on : billboardFlags) {
    made("billboard flag " + std::to_string(&on - billboardFlags), new B,
         [on](B& b) { b.*on = true; });
  }
  using M = Mesh;
  const auto mesh = [&](const char* name, auto setUp, GlState leaves = {}) {
    made(
        name, new M, [&](M& m) { m.displayList = SphereMesh.displayList, setUp(m); }, leaves);
  };
  mesh("mesh", [](M&) {});
  mesh("mesh untextured", [](M& m) { m.hasTexture = false; });
  mesh("mesh light", [](M& m) { m.light = true; }, {{"texture mode", {GL_ADD}}});
  mesh("mesh illum", [](M& m) { m.illum = true; });
  mesh("mesh metal", [](M& m) { m.metal = true; });
  mesh("mesh blend", [](M& m) { m.blend = true; });
  using L = LensFlare;
  const auto flare = [&](const char* name, auto setUp) {
    made(name, new L, [&](L& f) { f.level = 1, f.anchor = {0, 0, -1}, setUp(f); });
  };
  flare("flare", [](L&) {});
  flare("flare untextured", [](L& f) { f.hasTexture = false; });
  flare("flare lens", [](L& f) { f.hasLensEffect = true; });
  flare("flare env", [](L& f) { f.isEnv = f.hasFocus = f.hasLensEffect = true; });
  flare("flare child", [&](L& f) { f.hasOrient = f.hasLensEffect = true, f.flareParent = planet; });
  made("flame", new Flame, [](Flame& f) { f.hasTexture = false; });
  for (const ParticleMode mode : {ParticleMode::Circle, ParticleMode::Line, ParticleMode::Flash}) {
    made(
        "particles " + std::to_string(int(mode)), new ParticleSystem,
        [&](ParticleSystem& p) { p.mode = mode, p.SetUpEmitter(8); },
        mode == ParticleMode::Flash ? GlState{} : burst);
  }
  cases.push_back({"clock", [] { DrawClock(); }, {}});
  cases.push_back({"frame counter", [] { BeginOverlay2D(), DrawFps(1907), EndOverlay2D(); }, {}});
  // A frame gives back the additive blending it found, also with the overlay hidden, which
  // leaves the last object's alpha test off.
  for (const bool overlay : {false, true}) {
    const auto frame = [overlay] {
      CurrentWorld = worldCatalog.at(0);
      settings.showFps = settings.showTime = overlay, RenderFrame();
    };
    const GlState leaves = {{Key(GL_ALPHA_TEST, "on "), {0}}};
    cases.push_back(
        {overlay ? "whole frame" : "frame, no overlay", frame, overlay ? GlState{} : leaves});
  }
  cases.push_back({"loading screen", [] { DrawLoadingScreen(); }, {}});

  GLuint unused = 0;
  glGenTextures(1, &unused);
  for (const Case& c : cases) {
    InitGLState();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, unused);
    ::solvane::testing::LookFrom({3000, 20000, 60000});
    GlState expected = Snapshot();
    c.draw();
    GlState after = Snapshot();
    for (const auto& [name, value] : c.leaves) expected[name] = value;
    after[Key(GL_CURRENT_COLOR)] = expected[Key(GL_CURRENT_COLOR)];
    if (c.binds) after[Key(GL_TEXTURE_BINDING_2D)] = expected[Key(GL_TEXTURE_BINDING_2D)];
    std::string changed;
    for (const auto& [name, value] : expected) changed += after[name] != value ? " " + name : "";
    EXPECT_EQ(changed, "") << c.name;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << c.name;
  }
}

}  // namespace
}  // namespace solvane
