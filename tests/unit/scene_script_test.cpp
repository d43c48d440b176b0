// Scene scripts: the dispatch, the keywords, the budgets; the lists that name the scripts.
#include "scene/scene_script.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/input.h"
#include "objects/billboard.h"
#include "objects/mesh.h"
#include "objects/mesh_file.h"
#include "objects/particle_system.h"
#include "objects/sphere.h"
#include "objects/view.h"
#include "platform/opengl.h"
#include "scene/content_problem.h"
#include "scene/texture_manager.h"
#include "scene/world_list.h"
#include "tests/support/content_files.h"
#include "tests/support/headless_fixture.h"

namespace solvane {
namespace {

using testing::Bytes;
using testing::TextBytes;

template <typename T>
T& As(SceneObject* object) {
  T* typed = dynamic_cast<T*>(object);
  EXPECT_NE(typed, nullptr);
  static T none;
  return typed != nullptr ? *typed : none;
}

void ExpectFloats(std::initializer_list<float> read, std::initializer_list<float> written) {
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_FLOAT_EQ(read.begin()[i], written.begin()[i]) << "value " << i;
  }
}

void ExpectVecs(std::initializer_list<std::pair<Vec3, Vec3>> vectors) {
  int i = 0;
  for (const auto& [read, written] : vectors) {
    SCOPED_TRACE("vector " + std::to_string(i++));
    ExpectFloats({read.x, read.y, read.z}, {written.x, written.y, written.z});
  }
}

class SceneScriptTest : public ::solvane::testing::HeadlessTest {
 protected:
  // A platform with a scene window; with `files`, a content archive of just those.
  void Start(const std::vector<std::pair<std::string, Bytes>>& files = {}) {
    HeadlessOptions options;
    if (!files.empty()) options.resources[126] = testing::PackContent(files);
    Install(options);
    MainWindow = platform().CreateSceneWindow(64, 64, sceneWindowEvents);
    ASSERT_NE(MainWindow, 0u);
  }

  // Loads `script` as the only file of the archive (besides `extra`) into a fresh list.
  ObjectList Load(const std::string& script,
                  std::vector<std::pair<std::string, Bytes>> extra = {}) {
    extra.emplace_back("s.txt", TextBytes(script));
    Start(extra);
    viewSize.width = 800;
    for (const auto& [path, id] : {std::pair{"textures\\a.jpg", 41u}, {"textures\\b.tga", 42u}}) {
      textureManager.push_back(new Texture);
      std::strncpy(textureManager.back()->path.data(), path, 31);
      textureManager.back()->id = id;
    }
    ObjectList list;
    LoadScene(list, "s.txt");
    return list;
  }
};

// The texture, environment and world lists share the scripts' reader and fixture.
using WorldListTest = SceneScriptTest;

TEST_F(SceneScriptTest, MipmapsStayWhereAnObjectMayShrinkItsTexture) {
  const char* const kSky = "billboard\nbegin\nenv V(0 0 -20)\ntexture textures\\a.jpg\nend\n";
  const char* const kCorona = "billboard\nbegin\noreol V(0 0 0) 10\ntexture textures\\a.jpg\nend\n";
  const char* const kSkySphere = "sphere\nbegin\nenv\ntexture textures\\a.jpg\nend\n";
  const char* const kPlain = "billboard\nbegin\ntexture textures\\a.jpg\nend\n";
  const char* const kBare = "sphere\nbegin\nend\n";  // draws what the object before it bound
  const char* const kOther = "ps\nbegin\ntexture textures\\b.tga\nend\n";
  const struct {
    std::string script;
    GLint filter;  // a.jpg's
  } kCases[] = {
      {kSky, GL_LINEAR},
      {kCorona, GL_LINEAR},
      {kSkySphere, GL_LINEAR},
      {kPlain, GL_LINEAR_MIPMAP_LINEAR},
      {std::string(kSky) + kPlain + kCorona, GL_LINEAR_MIPMAP_LINEAR},
      {std::string(kCorona) + kBare, GL_LINEAR_MIPMAP_LINEAR},
      {std::string(kCorona) + kOther + kBare, GL_LINEAR},
      {kBare, GL_LINEAR_MIPMAP_LINEAR},
  };
  for (const auto& c : kCases) {
    Load(c.script);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0) << c.script << ": a filter change leaves the binding as found";
    const Texture& texture = *FindTexture("textures\\a.jpg");
    EXPECT_EQ(MinFilter(texture), c.filter) << c.script;
    if (c.filter == GL_LINEAR) {
      GLint filter = 0;
      glBindTexture(GL_TEXTURE_2D, texture.id);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
      EXPECT_EQ(filter, GL_LINEAR) << c.script;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }
}

TEST_F(SceneScriptTest, SphereKeywords) {
  const ObjectList list = Load(
      "sphere\r\nbegin first\r\nradius 7.5\r\nFOV 0.3\r\nalpha 0.25\r\ntiling 4\r\n"
      "detiling 45\r\nperiod 12\r\nlight\r\nspecular\r\ndepth\r\nwire\r\nsys\r\nuranmoon\r\n"
      "plt\r\nmask\r\nmoon\r\nrnd\r\ntexture textures\\b.tga\r\n"
      "rotation V(0 0 1) 350 2\r\norient V(0 0 1) 30\r\nposition V(10 20 30)\r\n"
      "color V(0.5 0.25 1)\r\nend\r\n"
      "sphere\r\nbegin second\r\norbit\r\nposition V(10 20 30)\r\nmoon\r\natmo\r\n"
      "parent first\r\nparent nobody\r\nend\r\n"
      "sphere\r\nbegin\r\nmoon\r\nenv\r\nflash\r\nend\r\nENDWORLD");
  ASSERT_EQ(list.size(), 3u);
  const Sphere& first = As<Sphere>(list[0]);
  EXPECT_EQ(first.name, "first");
  ExpectFloats({first.radius, first.fov, first.alpha, first.tiling, first.detiling, first.period,
                first.moonSpeed, first.rotationAngle, first.rotationSpeed, first.orientAngle},
               {7.5f, 0.3f, 0.25f, 4, 45, 12, 2, 350, 2, 30});
  EXPECT_TRUE(first.light && first.specular && first.depth && first.wire && first.sys &&
              first.uranmoon && first.plt && first.mask && first.rnd && first.isMoon);
  EXPECT_TRUE(first.texture == 42u && first.hasTexture && first.textureIsTga);
  ExpectVecs({{first.rotationAxis, {0, 0, 1}},
              {first.orientAxis, {0, 0, 1}},
              {first.position, {-1990, 20, 30}},
              {first.startPosition, {-1990, 20, 30}},
              {first.color, {0.5f, 0.25f, 1}}});
  EXPECT_FALSE(first.parent || first.flash || first.env || first.atmo);
  EXPECT_EQ(first.geometry, SphereMesh.displayList);

  const Sphere& second = As<Sphere>(list[1]);
  ExpectVecs({{second.position, {10, 20, 30}}});  // "orbit" came first
  EXPECT_FLOAT_EQ(second.moonSpeed, 1.5f);
  EXPECT_TRUE(second.atmo);
  EXPECT_FALSE(second.textureIsTga) << "\"atmo\" clears the flag carried from the first";
  EXPECT_EQ(second.geometry, AtmosphereList);
  EXPECT_EQ(second.parent, list[0]) << "an unknown parent leaves the found one";

  EXPECT_TRUE(As<Sphere>(list[2]).env && As<Sphere>(list[2]).name.empty());
  EXPECT_FLOAT_EQ(As<Sphere>(list[2]).moonSpeed, 1.125f);
}

TEST_F(SceneScriptTest, BillboardKeywords) {
  const ObjectList list = Load(
      "sphere\nbegin anchor\nend\n"
      "billboard\nbegin ignored\nsize 12\nrotation 135 0.5\ntiling 3\n"
      "parent anchor V(1 2 3)\nFOV 0.4\nalpha 0.6\norient off\nblend\ndepth\nsys\n"
      "env V(4 5 6)\noreol V(7 8 9) 13200\nflash 0 1 2)\ntexture textures\\a.jpg\n"
      "up V(0 2 0)\nright V(3 0 4)\nposition V(1 1 1)\ncolor V(1 0.5 0)\nxy 1.5\nend\n"
      "billboard\nbegin\norient\nrotation 5\nup V(0 0 0)\nparent\nend\n");
  ASSERT_EQ(list.size(), 3u);
  const Billboard& b = As<Billboard>(list[1]);
  EXPECT_TRUE(b.name.empty()) << "billboards take no name";
  ExpectFloats({b.size, b.spinAngle, b.spinSpeed, b.tiling, b.fov, b.alpha, b.oreolDistance,
                b.flashTimer, b.flashHidden, b.flashVisible, b.xy},
               {12, 135, 30, 3, 0.4f, 0.6f, 13200, 0, 1, 2, 1.5f});
  EXPECT_EQ(b.billboardParent, list[0]);
  EXPECT_EQ(b.parent, nullptr) << "billboards keep their own parent";
  EXPECT_TRUE(b.orientOff && b.blend && b.depth && b.sys && b.env && b.oreol && b.flash);
  ExpectVecs({{b.anchor, {7, 8, 9}}});  // the last of parent, env and oreol
  EXPECT_TRUE(b.texture == 41u && b.hasTexture && !b.textureIsTga);
  ExpectVecs({{b.up, {0, 1, 0}},
              {b.rightAxis, {0.6f, 0, 0.8f}},
              {b.position, {1, 1, 1}},
              {b.tint, {1, 0.5f, 0}}});

  const Billboard& plain = As<Billboard>(list[2]);
  EXPECT_FALSE(plain.orientOff) << "\"orient off\" is compared whole";
  EXPECT_FLOAT_EQ(plain.spinAngle, 5);
  EXPECT_LE(std::fabs(plain.spinSpeed), 60) << "a half-read rotation keeps the random spin";
  ExpectVecs({{plain.up, {0, 0, 0}}});
  EXPECT_EQ(plain.billboardParent, nullptr);
}

TEST_F(SceneScriptTest, ParticleSystemKeywords) {
  const ObjectList list = Load(
      "ps\nbegin\ntime 5\ndens 3\ntexture textures\\a.jpg\nsize 9\nline\ncircle\n"
      "point1 V(1 2 3)\npoint2 V(4 5 6)\nrot V(0 0 1)\nend\n"
      "psx\nbegin\nflash\ndens 2\ntime 0.5\nend\n"
      "ps\nbegin\ndens -5\nend\nps\nbegin\ndens 4000000000\nend\nps\nbegin\nend\n");
  ASSERT_EQ(list.size(), 5u);
  const ParticleSystem& circle = As<ParticleSystem>(list[0]);
  EXPECT_TRUE(circle.mode == ParticleMode::Circle && circle.count == 3);
  EXPECT_EQ(circle.period, 0) << "\"dens\" resets what an earlier \"time\" set";
  EXPECT_TRUE(circle.size == 9 && circle.texture == 41u);
  ExpectVecs({{circle.point1, {1, 2, 3}}, {circle.point2, {4, 5, 6}}, {circle.right, {0, 0, 1}}});
  for (int i = 0; i < 3; ++i) {
    const Vec3& p = circle.positions[i];
    EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 250, 0.01);
    ExpectVecs({{circle.velocities[i], {0, 0, -1000}}, {circle.accelerations[i], {0, 0, 0}}});
    EXPECT_TRUE(circle.lifetimes[i] == 0 && circle.ages[i] >= 0 && circle.ages[i] <= 25);
  }

  const ParticleSystem& flash = As<ParticleSystem>(list[1]);
  EXPECT_EQ(flash.mode, ParticleMode::Flash) << "any line beginning with \"ps\" is a system";
  EXPECT_FLOAT_EQ(flash.period, 0.5f);
  for (size_t i = 2; i < 5; ++i) {
    const ParticleSystem& empty = As<ParticleSystem>(list[i]);
    EXPECT_EQ(empty.count, 0) << i;
    EXPECT_TRUE(empty.positions.empty() && empty.ages.empty() && empty.lifetimes.empty());
    EXPECT_EQ(empty.mode, ParticleMode::None);
  }
}

TEST_F(SceneScriptTest, MeshKeywordsAndGeometry) {
  const ObjectList list = Load(
      "mesh\nbegin early\nend\n"
      "geometry tri.dat\n"
      "mesh\nbegin " +
          std::string(20, 'm') +
          "\norient V(1 0 0) 45\nposition V(1 2 3)\n"
          "look V(0 1 0)\nright V(0 0 1)\nmaterial\n\tmetal\n\tchrome\n\tmap1 textures\\a.jpg\n"
          "\tmap2 textures\\b.tga\nscale 2.5\nspeed 3\nlight\nillum\ninvup\nblend\ntiling 4\n"
          "color V(0.5 1 1)\nend\n"
          "mesh\nbegin\nmaterial\n metal\nend\nend\nscale 9\nend\n",
      {{"tri.dat", testing::TriangleMesh()}});
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(platform().Record().loadProgressReports, 4) << "three objects and one geometry";
  EXPECT_EQ(As<Mesh>(list[0]).displayList, 0u) << "no geometry yet";

  const Mesh& m = As<Mesh>(list[1]);
  EXPECT_TRUE(m.displayList != 0u && m.displayList == SceneGeometryMesh.displayList);
  EXPECT_EQ(m.name, std::string(14, 'm')) << "names are cut to their field";
  ExpectFloats({m.orientAngle, m.scale}, {45, 2.5f});
  ExpectVecs({{m.orientAxis, {1, 0, 0}},
              {m.position, {1, 2, 3}},
              {m.look, {0, 1, 0}},
              {m.right, {0, 0, 1}},
              {m.color, {0.5f, 1, 1}}});
  EXPECT_TRUE(m.metal && m.light && m.illum && m.blend && m.hasTexture && !m.hasTexture2);
  EXPECT_EQ(m.texture, 41u);

  const Mesh& blind = As<Mesh>(list[2]);
  EXPECT_FALSE(blind.metal) << "the material keywords need their tab";
  EXPECT_FLOAT_EQ(blind.scale, 9) << "the four lines after \"material\" are taken whole";
}

TEST_F(SceneScriptTest, Dispatch) {
  const struct {
    const char* what;
    const char* script;
    size_t objects;  // each reported once
  } kCases[] = {
      {"separators and unknown lines", "BEGINWORLD\n//////\n\nhello\nsphere\nbegin\nend\n", 1},
      {"a type line right after another is skipped with everything up to begin",
       "sphere\nbillboard\nbegin\nend\nmesh\nbegin\nend\n", 2},
      {"nothing after ENDWORLD", "ps\nbegin\nend\nENDWORLD\nsphere\nbegin\nend\n", 1},
      {"the data ends inside a block", "sphere\nbegin\nradius 3", 1},
      {"a tab in front of begin", "sphere\n\tbegin\nend\n", 1},
      {"a last line without its line feed", "flame\nbegin\nend\nENDWORLD", 1},
      {"endless ends a block", "sphere\nbegin\nendless\nsphere\nbegin\nend", 2},
      {"an empty script", "", 0},
  };
  for (const auto& c : kCases) {
    const ObjectList list = Load(c.script);
    EXPECT_EQ(list.size(), c.objects) << c.what;
    EXPECT_EQ(platform().Record().loadProgressReports, int(c.objects)) << c.what;
  }
}

std::string Repeat(const std::string& text, size_t times) {
  std::string all;
  for (size_t i = 0; i < times; ++i) all += text;
  return all;
}

// What a mod may ask of start-up is bounded: past a budget the rest is left out, and the first
// reason is recorded for the tools to tell.
TEST_F(SceneScriptTest, BudgetsLeaveTheRestOutAndSayWhy) {
  const std::string big = "ps\nbegin\ndens 50000\nline\nend\n";
  const struct {
    const char* what;
    std::string script;
    size_t objects;       // in the list after loading
    int64_t particles;    // held by the list's systems together
    const char* problem;  // the start of the recorded reason; empty: none
  } cases[] = {
      {"two systems of 50000 fit", Repeat(big, 2), 2, 100'000, ""},
      {"a third stays empty", Repeat(big, 3), 3, 100'000,
       "particle budget exceeded: the scene asks for 150000 particles, at most 100000"},
      {"a million alone is past it", "ps\nbegin\ndens 1000000\nend\n", 1, 0,
       "particle budget exceeded: the scene asks for 1000000 particles"},
      {"a second dens line replaces the first",
       "ps\nbegin\ndens 75000\ndens 45000\nend\n" + Repeat(big, 1), 2, 95'000, ""},
      {"objects past the budget", Repeat("ps\nbegin\nend\n", kMaxSceneObjects + 5),
       kMaxSceneObjects, 0, "the scene has more than 10000 objects"},
      {"a script of exactly the largest size",
       std::string(ArchiveFile::kMaxTextSize - 13, '\n') + "ps\nbegin\nend\n", 1, 0, ""},
      {"a script one byte larger",
       std::string(ArchiveFile::kMaxTextSize - 12, '\n') + "ps\nbegin\nend\n", 0, 0,
       "s.txt unpacks to 4194305 bytes; a text file may hold at most 4194304"},
  };
  for (const auto& c : cases) {
    ObjectList list = Load(c.script);
    ReportParticleBudget();
    EXPECT_EQ(list.size(), c.objects) << c.what;
    int64_t particles = 0;
    for (SceneObject* object : list) {
      if (auto* system = dynamic_cast<ParticleSystem*>(object)) particles += system->count;
    }
    EXPECT_EQ(particles, c.particles) << c.what;
    EXPECT_EQ(particles, particleBudget.granted) << c.what;
    EXPECT_EQ(ContentProblem().rfind(c.problem, 0), 0u) << c.what << ": " << ContentProblem();
    if (c.problem[0] == '\0') {
      EXPECT_EQ(ContentProblem(), "") << c.what;
    }
  }
}

// Loads are bounded in number (a script and each "geometry" line's mesh count one each) and in
// their scripts' bytes together (four scripts of the largest size are all they may hold).
TEST_F(SceneScriptTest, LoadsPastTheirBudgetsAreRefused) {
  const struct {
    const char* what;
    std::string script;
    size_t loads;  // that fit
    const char* problem;
  } cases[] = {
      {"file loads", "ps\nbegin\nend\ngeometry m\n", kMaxSceneFileLoads / 2,
       "the scene loads more than 1000 scripts and meshes"},
      {"script bytes", std::string(ArchiveFile::kMaxTextSize - 13, '\n') + "ps\nbegin\nend\n", 4,
       "the scene's scripts hold more than 16777216 bytes in all"},
  };
  for (const auto& c : cases) {
    ObjectList list = Load(c.script);
    for (size_t i = 1; i < c.loads; ++i) LoadScene(list, "s.txt");
    EXPECT_EQ(ContentProblem(), "") << c.what;
    LoadScene(list, "s.txt");
    LoadScene(list, "s.txt");
    EXPECT_EQ(ContentProblem(), c.problem) << c.what;
    EXPECT_EQ(list.size(), c.loads) << c.what << ": the refused loads added nothing";
  }
}

TEST_F(WorldListTest, ListsOfOurOwn) {
  Start(
      {{"texture.txt", TextBytes("  sun.jpg\r\n\r\nnope.png extra\r\nEND_TEXT\r\nc.jpg")},
       {"env.txt", TextBytes("junk\r\nenv first\r\nfirstpass a.txt\r\nendless\r\n\r\nenv "
                             "second\r\nend\r\nENV_END\r\nenv third\r\nend")},
       {"worlds.txt", TextBytes("world one\r\nobjects w.txt\r\nenv second\r\nsystem\r\nscenedir " +
                                std::string(60, 'd') + "\r\nend\r\nworld " + std::string(30, 'n') +
                                "\r\nenv nowhere\r\nend\r\nWORLD_END\r\nworld never\r\nend")}});
  LoadTextureList("texture.txt", false);
  ASSERT_EQ(textureManager.size(), 2u) << "the blank line adds nothing; END_TEXT ends the list";
  EXPECT_STREQ(textureManager[0]->path.data(), "textures\\sun.jpg");
  EXPECT_STREQ(textureManager[1]->path.data(), "textures\\nope.png") << "the first word";
  EXPECT_EQ(textureManager[0]->id, 0u) << "this archive has no such image";
  EXPECT_EQ(platform().Record().loadProgressReports, 0);

  LoadEnvironments(environmentCatalog, "env.txt");
  ASSERT_EQ(environmentCatalog.size(), 2u) << "\"endless\" ends a block; ENV_END ends the file";
  EXPECT_EQ(environmentCatalog[1]->name, "second");

  LoadWorlds(worldCatalog, environmentCatalog, "worlds.txt");
  ASSERT_EQ(worldCatalog.size(), 2u);
  EXPECT_TRUE(worldCatalog[0]->system);
  EXPECT_EQ(worldCatalog[0]->firstPass, &environmentCatalog[1]->firstPass);
  EXPECT_EQ(worldCatalog[0]->sceneDir, std::string(49, 'd'));
  const World& two = *worldCatalog[1];
  EXPECT_EQ(two.name, std::string(19, 'n'));
  ASSERT_NE(two.firstPass, nullptr) << "an unknown environment gives empty passes";
  EXPECT_TRUE(two.firstPass->empty() && two.postPass->empty());
}

// Each list holds at most 1000 records: exactly that many load, one more is left out and said.
TEST_F(WorldListTest, CountsStopAtTheirLimit) {
  const struct {
    const char* file;
    const char* record;  // with a number
    const char* what;
  } kLists[] = {{"texture.txt", "t%d.jpg\r\n", "textures"},
                {"env.txt", "env e%d\r\nend\r\n", "environments"},
                {"worlds.txt", "world w%d\r\nend\r\n", "worlds"}};
  for (const auto& list : kLists) {
    for (const int count : {1000, 1001}) {
      std::string text;
      char record[32];
      for (int i = 0; i < count; ++i) {
        std::snprintf(record, sizeof record, list.record, i);
        text += record;
      }
      Start({{list.file, TextBytes(text)}});
      LoadTextureList("texture.txt", false);
      LoadEnvironments(environmentCatalog, "env.txt");
      LoadWorlds(worldCatalog, environmentCatalog, "worlds.txt");
      // Only this list is in the archive: the others are empty.
      EXPECT_EQ(textureManager.size() + environmentCatalog.size() + worldCatalog.size(), 1000u)
          << list.file << " of " << count;
      EXPECT_EQ(ContentProblem(), count == 1000
                                      ? ""
                                      : std::string(list.file) + " lists more than 1000 " +
                                            list.what + "; the rest are left out")
          << list.file << " of " << count;
    }
  }
}

}  // namespace
}  // namespace solvane
