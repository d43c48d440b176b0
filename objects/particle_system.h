// The "ps" block: a fixed number of particles drawn as small textured squares. "circle" systems
// throw bursts of prominences out of a sphere's surface, "line" systems stream along -z, and
// "flash" systems walk squares over a sphere's surface.
#pragma once

#include <cstdint>
#include <vector>

#include "objects/draw_helpers.h"
#include "objects/scene_object.h"

namespace solvane {

enum class ParticleMode : int32_t {
  None = 0,
  Flash = 2,
  Line = 3,
  Circle = 4,
};

class ParticleSystem final : public SceneObject {
 public:
  // More particles than this make an empty system: no script needs them, and the arrays would
  // not fit in memory.
  static constexpr int32_t kMaxParticles = 1'000'000;

  ParticleSystem();
  void Draw(const Camera& camera) override;
  void Update(double dt) override;
  // One line of the block: every keyword it matches, in table order.
  void ApplyLine(char* line, const ObjectList& list);
  // "dens": `count` particles in a shell of radius 250 about `position`, moving along -z. A
  // count outside 0 to kMaxParticles gives an empty system.
  // A count that would take the scene past kSceneParticleBudget also gives an empty system.
  void SetUpEmitter(int64_t particleCount);

  std::vector<Vec3> positions;  // relative to `position` in circle and line mode
  std::vector<Vec3> velocities;
  std::vector<Vec3> accelerations;
  std::vector<float> ages;
  std::vector<float> lifetimes;
  float size = 2;  // burst radius
  float twist = 0;
  int32_t count = 0;
  ParticleMode mode = ParticleMode::None;
  float period = 0;
  float timer = 0;
  int32_t step = 0;
  Vec3 point1;  // centre of the sphere bursts happen on
  Vec3 point2;  // kept; nothing reads it

 private:
  void RestartStreamParticle(int32_t i);
  void StartBurst();
  void StepWalk(float dt);
  void DrawBurst();
  void DrawWalk();

  SquareBatch batch_;  // the particles' squares of one Draw, sized by "dens"
  int64_t requested_ = 0;  // what the last "dens" asked for, as counted in the budget
};

// All systems of the scene together draw at most this many particles: the carried scene uses a
// few hundred, and each particle costs memory and drawing time every frame. Systems set up past
// the budget stay empty.
inline constexpr int64_t kSceneParticleBudget = 100'000;

struct ParticleBudget {
  int64_t requested = 0;  // over every system, what "dens" lines asked for
  int64_t granted = 0;    // what the systems hold
};
extern ParticleBudget particleBudget;

// Records a content problem when the scene asked for more particles than the budget allows.
void ReportParticleBudget();
void ResetParticleBudget();

void ParseParticleSystem(ObjectList& list);

}  // namespace solvane
