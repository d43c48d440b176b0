// The OpenGL state every frame starts from, the spaces drawn in, and the state each draw leaves
// for the ones after it.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/display.h"
#include "app/input.h"
#include "app/main_loop.h"
#include "app/overlay.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "objects/billboard.h"
#include "objects/flame.h"
#include "objects/lens_flare.h"
#include "objects/mesh.h"
#include "objects/mesh_file.h"
#include "objects/particle_system.h"
#include "objects/sphere.h"
#include "objects/view.h"
#include "platform/opengl.h"
#include "scene/texture_manager.h"
#include "scene/world_list.h"
#include "tests/support/headless_fixture.h"

#ifndef GL_FRAGMENT_PROGRAM_ARB
#define GL_FRAGMENT_PROGRAM_ARB 0x8804
#endif

namespace solvane {
namespace {

// The OpenGL state one draw can leave behind for the next, by name.
using GlState = std::map<std::string, std::vector<double>>;

GlState Snapshot() {
  const struct {
    const char* name;
    GLenum what;
    int count;
  } queries[] = {{"modelview matrix", GL_MODELVIEW_MATRIX, 16},
                 {"projection matrix", GL_PROJECTION_MATRIX, 16},
                 {"texture matrix", GL_TEXTURE_MATRIX, 16},
                 {"modelview depth", GL_MODELVIEW_STACK_DEPTH, 1},
                 {"projection depth", GL_PROJECTION_STACK_DEPTH, 1},
                 {"texture depth", GL_TEXTURE_STACK_DEPTH, 1},
                 {"matrix mode", GL_MATRIX_MODE, 1},
                 {"depth mask", GL_DEPTH_WRITEMASK, 1},
                 {"depth function", GL_DEPTH_FUNC, 1},
                 {"blend source", GL_BLEND_SRC, 1},
                 {"blend destination", GL_BLEND_DST, 1},
                 {"alpha function", GL_ALPHA_TEST_FUNC, 1},
                 {"alpha reference", GL_ALPHA_TEST_REF, 1},
                 {"bound texture", GL_TEXTURE_BINDING_2D, 1},
                 {"colour", GL_CURRENT_COLOR, 4},
                 {"cull face side", GL_CULL_FACE_MODE, 1},
                 {"viewport", GL_VIEWPORT, 4}};
  GlState state;
  for (const auto& q : queries) {
    GLfloat values[16] = {};
    glGetFloatv(q.what, values);
    state[q.name].assign(values, values + q.count);
  }
  GLint mode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  state["texture mode"] = {double(mode)};
  const std::pair<const char*, GLenum> enables[] = {
      {"depth test", GL_DEPTH_TEST},
      {"lighting", GL_LIGHTING},
      {"blend", GL_BLEND},
      {"texture 2D", GL_TEXTURE_2D},
      {"alpha test", GL_ALPHA_TEST},
      {"cull face", GL_CULL_FACE},
      {"colour material", GL_COLOR_MATERIAL},
      {"light 0", GL_LIGHT0},
      {"light 1", GL_LIGHT1},
      {"light 2", GL_LIGHT2},
      {"fog", GL_FOG},
      {"normalize", GL_NORMALIZE},
      {"texture gen s", GL_TEXTURE_GEN_S},
      {"texture gen t", GL_TEXTURE_GEN_T},
      {"texture program", GL_FRAGMENT_PROGRAM_ARB},
      {"vertex array", GL_VERTEX_ARRAY},
      {"colour array", GL_COLOR_ARRAY},
      {"texture coordinate array", GL_TEXTURE_COORD_ARRAY}};
  for (const auto& [name, capability] : enables) state[name] = {double(glIsEnabled(capability))};
  return state;
}

class GlStateTest : public ::solvane::testing::HeadlessTest {
 protected:
  void OpenWindow(int32_t width, int32_t height) {
    viewSize.width = width;
    viewSize.height = height;
    settings.defaultGamma = true;
    MainWindow = platform().CreateSceneWindow(width, height, sceneWindowEvents);
    ASSERT_NE(MainWindow, 0u);
  }
  static float Get(GLenum what, int index = 0) {
    GLfloat values[16] = {};
    glGetFloatv(what, values);
    return values[index];
  }
  static float Light(GLenum light, GLenum what, int index = 0) {
    GLfloat values[4] = {};
    glGetLightfv(light, what, values);
    return values[index];
  }
};

TEST_F(GlStateTest, InitialState) {
  OpenWindow(800, 600);
  ASSERT_TRUE(InitGLState());
  for (GLenum on : {GL_ALPHA_TEST, GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT1, GL_BLEND, GL_TEXTURE_2D,
                    GL_NORMALIZE}) {
    EXPECT_TRUE(glIsEnabled(on)) << std::hex << on;
  }
  EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
  EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
  EXPECT_EQ(Get(GL_BLEND_SRC), GL_SRC_ALPHA);
  EXPECT_EQ(Get(GL_BLEND_DST), GL_ONE);
  EXPECT_EQ(Get(GL_LIGHT_MODEL_LOCAL_VIEWER), 1);
  EXPECT_EQ(Get(GL_LIGHT_MODEL_TWO_SIDE), 0);
  EXPECT_EQ(Get(GL_LIGHT_MODEL_COLOR_CONTROL), GL_SEPARATE_SPECULAR_COLOR);
  EXPECT_FLOAT_EQ(Get(GL_LIGHT_MODEL_AMBIENT, 2), 0.1f);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT1, GL_POSITION, 2), 9100);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT1, GL_DIFFUSE, 0), 1);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT0, GL_DIFFUSE, 0), 0.3f);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT0, GL_SPECULAR, 0), 0);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT0, GL_SPOT_EXPONENT), 3);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT0, GL_SPOT_CUTOFF), 60);
  EXPECT_FLOAT_EQ(Light(GL_LIGHT2, GL_LINEAR_ATTENUATION), 0.006f);
  EXPECT_FLOAT_EQ(Get(GL_COLOR_CLEAR_VALUE, 3), 1);
  EXPECT_FLOAT_EQ(Get(GL_MODELVIEW_MATRIX, 0), 1);
  // Depth for the meshes; a stencil buffer nothing uses would only cost fill.
  EXPECT_GE(Get(GL_DEPTH_BITS), 16);
  EXPECT_EQ(Get(GL_STENCIL_BITS), 0);
}

// A resized window draws at its new size from then on, in every space, while the display mode
// the settings ask for stays as it was; a size without area changes nothing.
TEST_F(GlStateTest, ResizeMovesTheDrawingSizeNotTheStoredMode) {
  OpenWindow(800, 600);
  settings.width = 1024;
  settings.height = 768;
  InitGLState();
  const struct {
    int32_t width, height;
    ViewSize expected;
  } cases[] = {{640, 400, {640, 400}},
               {1, 1, {1, 1}},
               {0, 300, {1, 1}},
               {500, -1, {1, 1}},
               {1080, 1920, {1080, 1920}}};
  for (const auto& c : cases) {
    ResizeScene(c.width, c.height);
    const float w = float(c.expected.width), h = float(c.expected.height);
    EXPECT_EQ(viewSize, c.expected) << c.width << "x" << c.height;
    EXPECT_EQ(Get(GL_VIEWPORT, 2), w);
    EXPECT_EQ(Get(GL_VIEWPORT, 3), h);
    // glFrustum puts 2 near / (right - left) at [0] and 2 near / (top - bottom) at [5].
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), 2.0f * h / w);
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 5), 2.0f);
    PushPrivateProjection(2);
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), h / (2 * w));
    PopPrivateProjection();
    BeginScreen2D();
    EXPECT_FLOAT_EQ(Get(GL_PROJECTION_MATRIX, 0), 2.0f / w);
    EndOverlay2D();
    EXPECT_EQ(settings.width, 1024);
    EXPECT_EQ(settings.height, 768);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Every kind of object in the variants scripts give it, every piece of the overlay and a whole
// frame: each starts from the state a frame's objects start from and leaves it as it found it,
// but for the colour, the bound texture where it binds one, and what it is meant to leave
// changed for the draws after it.
TEST_F(GlStateTest, EveryDrawLeavesTheStateAsItFoundIt) {
  OpenWindow(800, 600);
  InitGLState();
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
  const GlState burst = {{"lighting", {0}}, {"alpha test", {0}}};
  // Three frames of `o`, the first without an update as in a run; at `sceneTime`.
  const auto frames = [&](std::string name, SceneObject* o, GlState leaves, float sceneTime = 0) {
    cases.push_back({std::move(name),
                     [o, sceneTime] {
                       SceneTime = sceneTime;
                       for (int frame = 0; frame < 3; ++frame) {
                         if (frame > 0) o->Update(0.4);
                         o->Draw(camera);
                       }
                       SceneTime = 0;
                     },
                     std::move(leaves), o->hasTexture || dynamic_cast<ParticleSystem*>(o)});
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
  made("sphere atmo", new S, [](S& s) { s.atmo = true; });
  made("sphere mask", new S, [](S& s) { s.mask = true; });
  made("sphere specular", new S, [](S& s) { s.specular = true; });
  made("sphere sys", new S, [&](S& s) { s.sys = true, s.parent = planet; });
  made("sphere flash", new S, [](S& s) { s.flash = true; });
  made("sphere rnd", new S, [](S& s) { s.flash = s.rnd = true; });
  made("sphere env", new S, [](S& s) { s.env = true; });
  made("sphere depth", new S, [](S& s) { s.depth = true; });
  made("sphere alpha", new S, [](S& s) { s.alpha = 0.5f; });
  made("sphere tga", new S, [](S& s) { s.textureIsTga = true; });
  made("sphere light", new S, [](S& s) { s.light = true; });
  for (const int t : {0, 12, 30}) {
    made(
        "sphere wire at " + std::to_string(t), new S, [](S& s) { s.wire = true; }, {}, float(t));
  }
  using B = Billboard;
  made("billboard", new B, [](B&) {});
  made("billboard blend", new B, [](B& b) { b.blend = true; });
  made("billboard sys", new B, [&](B& b) { b.sys = true, b.billboardParent = planet; });
  made("billboard depth", new B, [](B& b) { b.depth = true; });
  made("billboard env", new B, [](B& b) { b.env = true; });
  made("billboard oreol", new B, [](B& b) { b.oreol = true; });
  made("billboard flash", new B, [](B& b) { b.flash = true; });
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
  cases.push_back({"clock", [] { DrawClock(); }, {}, true});
  cases.push_back({"frame counter",
                   [] {
                     BeginOverlay2D();
                     DrawFps(1907);
                     EndOverlay2D();
                   },
                   {},
                   true});
  cases.push_back({"whole frame",
                   [] {
                     CurrentWorld = worldCatalog.at(0);
                     settings.showFps = settings.showTime = true;
                     RenderFrame();
                   },
                   {},
                   true});

  GLuint unused = 0;
  glGenTextures(1, &unused);
  for (const Case& c : cases) {
    InitGLState();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, unused);
    camera.position = camera.eye = {3000, 20000, 60000};
    camera.look = Normalize(-camera.eye);
    camera.up = {0, 1, 0};
    glLoadIdentity();
    camera.ApplyView();
    GlState expected = Snapshot();
    c.draw();
    GlState after = Snapshot();
    for (const auto& [name, value] : c.leaves) expected[name] = value;
    after["colour"] = expected["colour"];
    if (c.binds) after["bound texture"] = expected["bound texture"];
    std::string changed;
    for (const auto& [name, value] : expected) {
      if (after[name] != value) changed += " " + name;
    }
    EXPECT_EQ(changed, "") << c.name;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << c.name;
  }
}

}  // namespace
}  // namespace solvane
