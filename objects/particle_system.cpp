#include "objects/particle_system.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "objects/random.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"

namespace solvane {

namespace {

float Uniform(float low, float high) {
  return low + Random01() * (high - low);
}

}  // namespace

ParticleSystem::ParticleSystem() {
  position = {};
  twist = Uniform(0, 360);
}

void ParticleSystem::SetUpEmitter(int32_t particleCount) {
  timer = 0;
  period = 0;
  count = particleCount >= 0 && particleCount <= kMaxParticles ? particleCount : 0;
  positions.assign(count, {});
  velocities.assign(count, {0, 0, -1000});
  accelerations.assign(count, {});
  lifetimes.assign(count, 0);
  ages.assign(count, 0);
  for (int32_t i = 0; i < count; ++i) {
    const Vec3 u = RandomUnitVector();
    positions[i] = {position.x + 250 * u.x, position.y + 250 * u.y, position.z + 250 * u.z};
    ages[i] = Uniform(0, 25);
  }
}

void ParticleSystem::ApplyLine(char* line, const ObjectList&) {
  const auto is = [line](const char* keyword) { return MatchesKeyword(line, keyword); };
  if (is("texture")) ApplyTextureLine(*this, line);
  if (is("size")) std::sscanf(line, "size %f", &size);
  if (is("line")) mode = ParticleMode::Line;
  if (is("circ")) mode = ParticleMode::Circle;
  if (is("flash")) mode = ParticleMode::Flash;
  if (is("time")) std::sscanf(line, "time %f", &period);
  if (is("dens")) {
    // Read as "dens %d", with counts past the 32-bit range taken as out of range rather than
    // wrapped; a line without a number gives no particles.
    const char* digits = line + 4;
    char* end = nullptr;
    const long long requested = std::strtoll(digits, &end, 10);
    SetUpEmitter(end == digits || requested < 0 || requested > kMaxParticles ? 0
                                                                             : int32_t(requested));
  }
  if (is("point1")) std::sscanf(line, "point1 V(%f %f %f)", &point1.x, &point1.y, &point1.z);
  if (is("point2")) std::sscanf(line, "point2 V(%f %f %f)", &point2.x, &point2.y, &point2.z);
  if (is("rot")) std::sscanf(line, "rot V(%f %f %f)", &right.x, &right.y, &right.z);
}

void ParticleSystem::Update(double) {}
void ParticleSystem::Draw(const Camera&) {}

void ParseParticleSystem(ObjectList& list) {
  ParseObject<ParticleSystem>(list);
}

}  // namespace solvane
