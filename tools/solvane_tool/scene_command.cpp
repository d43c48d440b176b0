// solvane-tool scene dump: the full-screen start-up on the headless platform, then everything
// it loaded as JSON.
#include "tools/solvane_tool/scene_command.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/application.h"
#include "objects/billboard.h"
#include "objects/flame.h"
#include "objects/lens_flare.h"
#include "objects/mesh.h"
#include "objects/mesh_file.h"
#include "objects/particle_system.h"
#include "objects/sphere.h"
#include "platform/headless/headless_platform.h"
#include "platform/opengl.h"
#include "scene/content_problem.h"
#include "scene/texture_manager.h"
#include "scene/world_list.h"
#include "tools/solvane_tool/json_writer.h"
#include "tools/solvane_tool/tool_options.h"

namespace solvane {

namespace {

class SceneDumper {
 public:
  explicit SceneDumper(JsonWriter& json) : json_(json) {}

  void Textures() {
    json_.Key("textures");
    json_.BeginArray();
    for (const Texture* texture : textureManager) {
      GLint width = 0, height = 0;
      if (texture->id != 0) {
        glBindTexture(GL_TEXTURE_2D, texture->id);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
      }
      json_.BeginObject();
      json_.Key("path");
      json_.String(texture->path.data());
      Field("id", texture->id);
      Field("width", width);
      Field("height", height);
      json_.EndObject();
    }
    json_.EndArray();
  }

  void Meshes() {
    json_.Key("meshes");
    json_.BeginObject();
    Field("EnvCubeMesh", EnvCubeMesh.displayList);
    Field("SphereMesh", SphereMesh.displayList);
    Field("NoisedSphereMesh", NoisedSphereMesh.displayList);
    Field("SceneGeometryMesh", SceneGeometryMesh.displayList);
    Field("AtmosphereList", AtmosphereList);
    json_.EndObject();
  }

  void Environments() {
    json_.Key("environments");
    json_.BeginArray();
    for (const Environment* environment : environmentCatalog) {
      json_.BeginObject();
      Field("name", environment->name);
      Objects("firstPass", environment->firstPass);
      Objects("postPass", environment->postPass);
      json_.EndObject();
    }
    json_.EndArray();
  }

  void Worlds() {
    json_.Key("worlds");
    json_.BeginArray();
    for (const World* world : worldCatalog) {
      json_.BeginObject();
      Field("name", world->name);
      Field("system", world->system);
      Field("sceneDir", world->sceneDir);
      json_.Key("environment");
      const Environment* environment = EnvironmentOf(*world);
      if (environment != nullptr) {
        json_.String(environment->name);
      } else {
        json_.Null();
      }
      Objects("objects", world->objects);
      json_.EndObject();
    }
    json_.EndArray();
    json_.Key("currentWorld");
    if (CurrentWorld != nullptr) {
      json_.String(CurrentWorld->name);
    } else {
      json_.Null();
    }
  }

 private:
  static const Environment* EnvironmentOf(const World& world) {
    for (const Environment* environment : environmentCatalog) {
      if (world.firstPass == &environment->firstPass) return environment;
    }
    return nullptr;
  }

  void Field(const char* key, float value) {
    json_.Key(key);
    json_.Number(value);
  }
  void Field(const char* key, bool value) {
    json_.Key(key);
    json_.Bool(value);
  }
  void Field(const char* key, int32_t value) {
    json_.Key(key);
    json_.Integer(value);
  }
  void Field(const char* key, uint32_t value) {
    json_.Key(key);
    json_.Integer(value);
  }
  void Field(const char* key, const std::string& value) {
    json_.Key(key);
    json_.String(value);
  }
  void Field(const char* key, const Vec3& v) {
    json_.Key(key);
    json_.Numbers({v.x, v.y, v.z});
  }
  // Objects refer to each other by name.
  void Field(const char* key, const SceneObject* object) {
    json_.Key(key);
    if (object != nullptr) {
      json_.String(object->name);
    } else {
      json_.Null();
    }
  }
  void Field(const char* key, const std::vector<float>& values) {
    json_.Key(key);
    json_.Numbers(values);
  }
  void Field(const char* key, const std::vector<Vec3>& vectors) {
    json_.Key(key);
    json_.BeginArray();
    for (const Vec3& v : vectors) json_.Numbers({v.x, v.y, v.z});
    json_.EndArray();
  }

  void Objects(const char* key, const ObjectList& list) {
    json_.Key(key);
    json_.BeginArray();
    for (const SceneObject* object : list) Object(*object);
    json_.EndArray();
  }

  void Object(const SceneObject& object) {
    json_.BeginObject();
    json_.Key("type");
    if (const auto* sphere = dynamic_cast<const Sphere*>(&object)) {
      json_.String("sphere");
      Base(object);
      Fields(*sphere);
    } else if (const auto* billboard = dynamic_cast<const Billboard*>(&object)) {
      json_.String("billboard");
      Base(object);
      Fields(*billboard);
    } else if (const auto* system = dynamic_cast<const ParticleSystem*>(&object)) {
      json_.String("ps");
      Base(object);
      Fields(*system);
    } else if (const auto* mesh = dynamic_cast<const Mesh*>(&object)) {
      json_.String("mesh");
      Base(object);
      Fields(*mesh);
    } else if (const auto* flare = dynamic_cast<const LensFlare*>(&object)) {
      json_.String("flare");
      Base(object);
      Fields(*flare);
    } else if (const auto* flame = dynamic_cast<const Flame*>(&object)) {
      json_.String("flame");
      Base(object);
      Fields(*flame);
    } else {
      json_.Null();
      Base(object);
    }
    json_.EndObject();
  }

  void Base(const SceneObject& o) {
    Field("name", o.name);
    Field("parent", o.parent);
    Field("position", o.position);
    Field("look", o.look);
    Field("right", o.right);
    Field("startPosition", o.startPosition);
    Field("color", o.color);
    Field("keys", int32_t(o.keys.size()));
    Field("texture", o.texture);
    Field("texture2", o.texture2);
    Field("hasTexture", o.hasTexture);
    Field("hasTexture2", o.hasTexture2);
    Field("visible", o.visible);
    Field("textureIsTga", o.textureIsTga);
    Field("isMoon", o.isMoon);
    Field("moonAngle", o.moonAngle);
    Field("moonSpeed", o.moonSpeed);
  }

  void Fields(const Sphere& s) {
    Field("rotationAxis", s.rotationAxis);
    Field("geometry", s.geometry);
    Field("rotationAngle", s.rotationAngle);
    Field("rotationSpeed", s.rotationSpeed);
    Field("radius", s.radius);
    Field("alpha", s.alpha);
    Field("fov", s.fov);
    Field("tiling", s.tiling);
    Field("detiling", s.detiling);
    Field("flashTimer", s.flashTimer);
    Field("flashPeriod", s.flashPeriod);
    Field("flashOffsetS", s.flashOffsetS);
    Field("flashOffsetT", s.flashOffsetT);
    Field("flashTexAngle", s.flashTexAngle);
    Field("orientAxis", s.orientAxis);
    Field("orientAngle", s.orientAngle);
    Field("period", s.period);
    Field("env", s.env);
    Field("light", s.light);
    Field("atmo", s.atmo);
    Field("wire", s.wire);
    Field("orbitMotion", s.orbitMotion);
    Field("depth", s.depth);
    Field("mask", s.mask);
    Field("flash", s.flash);
    Field("flashOn", s.flashOn);
    Field("rnd", s.rnd);
    Field("sys", s.sys);
    Field("uranmoon", s.uranmoon);
    Field("plt", s.plt);
    Field("specular", s.specular);
  }

  void Fields(const Billboard& b) {
    Field("spinAngle", b.spinAngle);
    Field("size", b.size);
    Field("alpha", b.alpha);
    Field("tiling", b.tiling);
    Field("spinSpeed", b.spinSpeed);
    Field("fov", b.fov);
    Field("xy", b.xy);
    Field("oreolDistance", b.oreolDistance);
    Field("up", b.up);
    Field("rightAxis", b.rightAxis);
    Field("anchor", b.anchor);
    Field("tint", b.tint);
    Field("env", b.env);
    Field("orientOff", b.orientOff);
    Field("flash", b.flash);
    Field("blend", b.blend);
    Field("depth", b.depth);
    Field("oreol", b.oreol);
    Field("sys", b.sys);
    Field("flashTimer", b.flashTimer);
    Field("flashVisible", b.flashVisible);
    Field("flashHidden", b.flashHidden);
    Field("billboardParent", b.billboardParent);
  }

  void Fields(const ParticleSystem& p) {
    Field("positions", p.positions);
    Field("velocities", p.velocities);
    Field("accelerations", p.accelerations);
    Field("ages", p.ages);
    Field("lifetimes", p.lifetimes);
    Field("size", p.size);
    Field("twist", p.twist);
    Field("count", p.count);
    // The numbers the system stores: 0 none, 2 flash, 3 line, 4 circle.
    Field("mode", static_cast<int32_t>(p.mode));
    Field("period", p.period);
    Field("timer", p.timer);
    Field("step", p.step);
    Field("point1", p.point1);
    Field("point2", p.point2);
  }

  void Fields(const Mesh& m) {
    Field("displayList", m.displayList);
    Field("orientAngle", m.orientAngle);
    Field("scale", m.scale);
    Field("metal", m.metal);
    Field("light", m.light);
    Field("illum", m.illum);
    Field("blend", m.blend);
    Field("orientAxis", m.orientAxis);
  }

  void Fields(const LensFlare& f) {
    Field("level", f.level);
    Field("size", f.size);
    Field("lensSize", f.lensSize);
    Field("fadeIn", f.fadeIn);
    Field("fadeOut", f.fadeOut);
    Field("fov", f.fov);
    Field("spinAngle", f.spinAngle);
    Field("spinSpeed", f.spinSpeed);
    Field("xy", f.xy);
    Field("flickerTimer", f.flickerTimer);
    Field("flickerDimEnd", f.flickerDimEnd);
    Field("flickerCycleEnd", f.flickerCycleEnd);
    Field("flash", f.flash);
    Field("focus", f.focus);
    Field("lumin", f.lumin);
    Field("flareParent", f.flareParent);
    Field("unoccluded", f.unoccluded);
    Field("hasLensEffect", f.hasLensEffect);
    Field("isEnv", f.isEnv);
    Field("hasFocus", f.hasFocus);
    Field("hasOrient", f.hasOrient);
    Field("anchor", f.anchor);
    Field("orient", f.orient);
    json_.Key("lensTextures");
    json_.BeginArray();
    for (const uint32_t id : f.lensTextures) json_.Integer(id);
    json_.EndArray();
  }

  void Fields(const Flame& f) {
    Field("flameParent", f.flameParent);
    Field("orient", f.orient);
    Field("colorFrom", f.colorFrom);
    Field("colorTo", f.colorTo);
    Field("offset", f.offset);
    Field("size", f.size);
    Field("angle", f.angle);
    Field("ell", f.ell);
  }

  JsonWriter& json_;
};

}  // namespace

int SceneCommand(int argc, char** argv) {
  if (argc < 1 || std::strcmp(argv[0], "dump") != 0) return ToolUsage();
  HeadlessOptions options;
  options.commandLine = "solvane /s";
  options.echoMessageBoxes = true;
  if (const int status = ReadContentOption(argc - 1, argv + 1, options)) return status;

  HeadlessPlatform platform(options);
  SetHost(&platform);
  Application app;
  LoadSettings(app);
  const bool started = StartSaver(app);
  JsonWriter json;
  if (started) {
    SceneDumper dumper(json);
    json.BeginObject();
    dumper.Textures();
    dumper.Meshes();
    dumper.Environments();
    dumper.Worlds();
    json.Key("loadProgress");
    json.Integer(platform.Record().loadProgressReports);
    json.EndObject();
  }
  StopSaver(app, started);
  // What the content could not give is told, not dumped as if the scene had loaded as written.
  const std::string problem = ContentProblem();
  ResetProcessState();
  SetHost(nullptr);
  if (!started) {
    std::fputs("solvane-tool: the start-up could not open its windows\n", stderr);
    return 1;
  }
  if (!problem.empty()) {
    std::fprintf(stderr, "solvane-tool: %s\n", problem.c_str());
    return 1;
  }
  std::fputs(json.Text().c_str(), stdout);
  return 0;
}

}  // namespace solvane
