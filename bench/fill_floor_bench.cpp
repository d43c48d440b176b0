// How close the carried scene's frame comes to the renderer's fill floor: the frame time over
// seconds 1 to 11 of a fixed flight, divided by the fragments drawn (in screens, counted with
// occlusion queries, per kind of object) times the cost of one full-screen additive layer with
// a magnified, trilinear-filtered texture. 1.0 would mean every fragment drawn costs no more
// than such a layer's; more means time spent beyond the fragments themselves.
// Each kind's processor time is taken too, the renderer's threads included, one object at a time.
// Usage: solvane_fill_floor [WIDTHxHEIGHT] [--step SECONDS] [--seed N]
#define GL_GLEXT_PROTOTYPES 1

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <time.h>

#include "app/application.h"
#include "app/input.h"
#include "app/main_loop.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "objects/billboard.h"
#include "objects/modulate_program.h"
#include "objects/particle_system.h"
#include "objects/sphere.h"
#include "platform/headless/headless_platform.h"
#include "platform/opengl.h"
#include "scene/texture_manager.h"
#include "scene/world_list.h"

namespace solvane {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The processor time of every thread of the process, the renderer's included: what a drawing
// costs, whatever else the machine is running.
double ProcessCpuMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Options {
  int width = 1920;
  int height = 1080;
  double step = 0.1;  // seconds of flight between frames
  uint64_t seed = 7;  // the counter reading that seeds the random generator
};

// The carried scene started as the full-screen run starts it, with a fixed seed.
class Scene {
 public:
  explicit Scene(const Options& o) {
    HeadlessOptions options;
    options.desktop = {o.width, o.height, 32};
    options.firstCounter = o.seed;
    platform_ = std::make_unique<HeadlessPlatform>(options);
    SetHost(platform_.get());
    LoadSettings(app_);
    settings.defaultGamma = true;
    started_ = StartSaver(app_);
  }
  ~Scene() {
    StopSaver(app_, started_);
    ResetProcessState();
    SetHost(nullptr);
  }
  bool started() const { return started_; }

 private:
  Application app_;
  std::unique_ptr<HeadlessPlatform> platform_;
  bool started_ = false;
};

// The current world's object lists in drawing order; a missing pass is null.
std::array<const ObjectList*, 3> ScenePasses() {
  return {CurrentWorld->firstPass, &CurrentWorld->objects, CurrentWorld->postPass};
}

// What the main loop does between frames: the camera, then every object, in pass order.
void AdvanceScene(double dt) {
  camera.UpdateFlight(dt * cameraSpeedFactor);
  for (const ObjectList* list : ScenePasses()) {
    if (list == nullptr) continue;
    for (SceneObject* object : *list) object->Update(dt);
  }
  camera.eye = camera.position;
}

// The program's own choices, taken back one at a time in the same run, frame by frame, so that
// each one's share of the frame time is measured under the same load: every texture trilinear
// and every billboard a full square (as before either choice), the filters chosen per use but
// full squares, and both.
enum Variant { kTrilinearSquares, kFiltersOnly, kFixedTexturing, kProgram, kVariants };
const char* const kVariantNames[kVariants] = {
    "all trilinear, full squares", "filters by use, full squares",
    "filters and outlines, fixed-function texturing", "as the program"};

struct Choices {
  std::vector<std::vector<std::array<float, 2>>> outlines;  // per texture, as loaded
};

void Apply(Variant variant, const Choices& choices) {
  for (size_t i = 0; i < textureManager.size(); ++i) {
    Texture& texture = *textureManager[i];
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    variant == kTrilinearSquares ? GL_LINEAR_MIPMAP_LINEAR : MinFilter(texture));
    texture.outline =
        variant >= kFixedTexturing ? choices.outlines[i] : std::vector<std::array<float, 2>>{};
  }
  AllowModulateProgram(variant == kProgram);
}

enum Kind { kSkySphere, kSkyBillboards, kCoronas, kSpheres, kParticles, kOther, kKinds };
const char* const kKindNames[kKinds] = {"sky sphere", "sky billboards", "coronas",
                                        "spheres",    "particles",      "other"};

Kind KindOf(const SceneObject* object) {
  if (const auto* sphere = dynamic_cast<const Sphere*>(object)) {
    return sphere->env ? kSkySphere : kSpheres;
  }
  if (const auto* billboard = dynamic_cast<const Billboard*>(object)) {
    if (billboard->env) return kSkyBillboards;
    if (billboard->oreol) return kCoronas;
  }
  if (dynamic_cast<const ParticleSystem*>(object) != nullptr) return kParticles;
  return kOther;
}

// Frames `first`..`last` seconds into the flight, each drawn once in every variant (the order
// turning from frame to frame): the mean time of a whole frame (drawn and finished) per variant,
// or with `counts`, the samples each kind of object drew in `counted`, summed over the frames.
std::array<double, kVariants> RunFlight(const Options& o, double first, double last,
                                        std::array<double, kKinds>* counts,
                                        Variant counted = kProgram,
                                        std::array<double, kKinds>* cpu = nullptr) {
  Scene scene(o);
  if (!scene.started()) {
    std::fprintf(stderr, "solvane_fill_floor: the start-up failed\n");
    std::exit(1);
  }
  Choices choices;
  for (const Texture* texture : textureManager) choices.outlines.push_back(texture->outline);
  for (double t = 0; t < first; t += o.step) AdvanceScene(o.step);
  GLuint query = 0;
  glGenQueries(1, &query);
  std::array<double, kVariants> total{};
  int frames = 0;
  for (double t = first; t < last; t += o.step) {
    AdvanceScene(o.step);
    ++frames;
    if (counts == nullptr) {
      for (int i = 0; i < kVariants; ++i) {
        const auto variant = Variant((i + frames) % kVariants);
        Apply(variant, choices);
        glFinish();
        const Clock::time_point start = Clock::now();
        RenderFrame();
        glFinish();
        total[variant] += MillisecondsSince(start);
      }
      continue;
    }
    Apply(counted, choices);
    // The scene part of RenderFrame, one query per object; the overlay is left out.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    camera.ApplyView();
    for (const ObjectList* list : ScenePasses()) {
      if (list == nullptr) continue;
      for (SceneObject* object : *list) {
        glFinish();
        const double cpuStart = ProcessCpuMilliseconds();
        glBeginQuery(GL_SAMPLES_PASSED, query);
        object->Draw(camera);
        glEndQuery(GL_SAMPLES_PASSED);
        GLuint samples = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
        (*counts)[KindOf(object)] += samples;
        if (cpu != nullptr) (*cpu)[KindOf(object)] += ProcessCpuMilliseconds() - cpuStart;
      }
    }
  }
  glDeleteQueries(1, &query);
  Apply(kProgram, choices);
  if (counts != nullptr) {
    const double screen = double(o.width) * o.height * frames;
    for (double& c : *counts) c /= screen;
    if (cpu != nullptr) {
      for (double& c : *cpu) c /= frames;
    }
  }
  for (double& t : total) t = frames > 0 ? t / frames : 0;
  return total;
}

// One full-screen layer drawn additively with a 512 x 512 texture under trilinear filtering,
// magnified to the screen: the median over a few rounds of ten layers each.
double LayerCost(const Options& o) {
  HeadlessOptions options;
  options.desktop = {o.width, o.height, 32};
  HeadlessPlatform platform(options);
  SetHost(&platform);
  if (platform.CreateSceneWindow(o.width, o.height, sceneWindowEvents) == 0) return 0;
  constexpr int kSide = 512;
  std::vector<uint8_t> pixels(size_t(kSide) * kSide * 3);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      uint8_t* p = &pixels[(size_t(y) * kSide + x) * 3];
      p[0] = uint8_t(128 + 127 * std::sin(x * 0.05));
      p[1] = uint8_t(128 + 127 * std::sin(y * 0.07));
      p[2] = uint8_t((x ^ y) & 0xFF);
    }
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 1, 0, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor4f(1, 1, 1, 0.1f);
  constexpr int kLayers = 10;
  std::vector<double> rounds;
  for (int round = 0; round < 7; ++round) {
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kLayers; ++i) {
      glBegin(GL_TRIANGLE_STRIP);
      glTexCoord2f(0, 0);
      glVertex2f(0, 0);
      glTexCoord2f(1, 0);
      glVertex2f(1, 0);
      glTexCoord2f(0, 1);
      glVertex2f(0, 1);
      glTexCoord2f(1, 1);
      glVertex2f(1, 1);
      glEnd();
    }
    glFinish();
    rounds.push_back(MillisecondsSince(start) / kLayers);
  }
  platform.DeleteGLContext();
  SetHost(nullptr);
  ResetProcessState();
  std::sort(rounds.begin(), rounds.end());
  return rounds[rounds.size() / 2];
}

int Run(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--step") == 0 && i + 1 < argc) {
      o.step = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
      o.seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (std::sscanf(argv[i], "%dx%d", &o.width, &o.height) != 2) {
      std::fprintf(stderr, "usage: solvane_fill_floor [WIDTHxHEIGHT] [--step S] [--seed N]\n");
      return 2;
    }
  }
  if (o.width <= 0 || o.height <= 0 || o.step <= 0) return 2;
  // The layer's cost before and after the scene's frames, so that a change in the machine's
  // load during the run falls on both.
  const double layerBefore = LayerCost(o);
  const std::array<double, kVariants> frame = RunFlight(o, 1, 11, nullptr);
  const double layerAfter = LayerCost(o);
  const double layer = (layerBefore + layerAfter) / 2;
  std::printf("%dx%d, seconds 1-11 of the flight (seed %llu), a frame every %.2f s\n", o.width,
              o.height, static_cast<unsigned long long>(o.seed), o.step);
  std::printf("one layer    %8.1f ms  (%.1f before the frames, %.1f after)\n", layer, layerBefore,
              layerAfter);
  for (const Variant variant : {kTrilinearSquares, kProgram}) {
    std::array<double, kKinds> counts{};
    std::array<double, kKinds> cpu{};
    RunFlight(o, 1, 11, &counts, variant, &cpu);
    double screens = 0;
    for (double c : counts) screens += c;
    std::printf("%s:\n  frame time %8.1f ms\n  screens    %8.2f  (", kVariantNames[variant],
                frame[variant], screens);
    for (int k = 0; k < kKinds; ++k) {
      std::printf("%s%s %.2f", k > 0 ? ", " : "", kKindNames[k], counts[k]);
    }
    std::printf(")\n  processor  ");
    for (int k = 0; k < kKinds; ++k) {
      std::printf("%s%s %.1f", k > 0 ? ", " : "", kKindNames[k], cpu[k]);
    }
    std::printf(
        " ms a frame, drawn one object at a time\n  fill floor %8.2f  (frame time / (screens x one "
        "layer))\n",
        screens > 0 && layer > 0 ? frame[variant] / (screens * layer) : 0);
  }
  std::printf(
      "frame time against all trilinear, full squares: filters by use %.3f, and outlines %.3f, "
      "and the texture program %.3f (outlines alone %.3f, the texture program alone %.3f)\n",
      frame[kFiltersOnly] / frame[kTrilinearSquares],
      frame[kFixedTexturing] / frame[kTrilinearSquares], frame[kProgram] / frame[kTrilinearSquares],
      frame[kFixedTexturing] / frame[kFiltersOnly], frame[kProgram] / frame[kFixedTexturing]);
  return 0;
}

}  // namespace
}  // namespace solvane

int main(int argc, char** argv) {
  return solvane::Run(argc, argv);
}
