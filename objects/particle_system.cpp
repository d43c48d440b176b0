#include "objects/particle_system.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "objects/draw_helpers.h"
#include "objects/modulate_program.h"
#include "objects/random.h"
#include "scene/content_problem.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"

namespace solvane {

ParticleBudget particleBudget;

void ReportParticleBudget() {
  if (particleBudget.requested <= kSceneParticleBudget) return;
  ReportContentProblem("particle budget exceeded: the scene asks for " +
                       std::to_string(particleBudget.requested) + " particles, at most " +
                       std::to_string(kSceneParticleBudget) + " are drawn");
}

void ResetParticleBudget() {
  particleBudget = {};
}

ParticleSystem::ParticleSystem() {
  position = {};
  twist = RandomUniform(0, 360);
}

void ParticleSystem::SetUpEmitter(int64_t particleCount) {
  timer = 0;
  period = 0;
  // A second "dens" line replaces what the first one asked for.
  particleBudget.requested -= requested_;
  particleBudget.granted -= count;
  requested_ = particleCount >= 0 && particleCount <= kMaxParticles ? particleCount : 0;
  particleBudget.requested += requested_;
  const bool fits = particleBudget.granted + requested_ <= kSceneParticleBudget;
  count = fits ? int32_t(requested_) : 0;
  particleBudget.granted += count;
  positions.assign(count, {});
  velocities.assign(count, {0, 0, -1000});
  accelerations.assign(count, {});
  lifetimes.assign(count, 0);
  ages.assign(count, 0);
  batch_.Reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const Vec3 u = RandomUnitVector();
    positions[i] = {position.x + 250 * u.x, position.y + 250 * u.y, position.z + 250 * u.z};
    ages[i] = RandomUniform(0, 25);
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
    SetUpEmitter(end == digits ? 0 : requested);
  }
  if (is("point1")) std::sscanf(line, "point1 V(%f %f %f)", &point1.x, &point1.y, &point1.z);
  if (is("point2")) std::sscanf(line, "point2 V(%f %f %f)", &point2.x, &point2.y, &point2.z);
  if (is("rot")) std::sscanf(line, "rot V(%f %f %f)", &right.x, &right.y, &right.z);
}

void ParticleSystem::Update(double dt) {
  const float dtf = static_cast<float>(dt);
  timer += dtf;
  if (mode != ParticleMode::Flash) {
    for (int32_t i = 0; i < count; ++i) {
      positions[i] = positions[i] + velocities[i] * dtf;
      velocities[i] = velocities[i] + accelerations[i] * dtf;
      if (mode != ParticleMode::Line) continue;
      timer = 0;
      ages[i] += dtf;
      if (ages[i] > lifetimes[i]) RestartStreamParticle(i);
    }
  }
  if (mode == ParticleMode::Circle && timer > period) StartBurst();
  if (mode == ParticleMode::Flash && timer > period) StepWalk(dtf);
}

void ParticleSystem::RestartStreamParticle(int32_t i) {
  positions[i] = {};
  velocities[i] = {0, 0, -2400 - 17100 * Random01()};
  const float w = 0.57f * std::sqrt(Dot(velocities[i], velocities[i]));
  const float r1 = Random01();
  const float r2 = Random01();
  accelerations[i] = {w * (r2 + 1), w * r1, 0};
  ages[i] = 0;
  lifetimes[i] = RandomUniform(1, 3);
}

void ParticleSystem::StartBurst() {
  timer = 0;
  period = RandomUniform(2, 3);
  const Vec3 u = RandomUnitVector();
  position = point1 + size * u;
  const bool radial = Random01() < 0.2f;  // one draw for the whole burst
  for (int32_t i = 0; i < count; ++i) {
    // Each particle leaves the surface a few degrees from the burst point, mostly outwards
    // with a spread of up to 30 degrees, and falls back towards the centre.
    const Vec3 axis = RandomUnitVector();
    const float c = RandomUniform(0, 4);
    const Vec3 p = RotateVector(size * u, axis, c);
    positions[i] = size * u - p;
    const float g = 1 - c * 0.25f;
    const float h = RandomUniform(800, 1100);
    Vec3 velocity = g * h * Normalize(1.1f * size * u - p);
    if (radial) velocity = g * RandomUniform(400, 2100) * u;
    const Vec3 spreadAxis = RandomUnitVector();
    velocities[i] = RotateVector(velocity, spreadAxis, RandomUniform(0, 30));
    accelerations[i] = -RandomUniform(250, 300) * u;
  }
}

void ParticleSystem::StepWalk(float dt) {
  timer = 0;
  twist += dt * 0.3f;
  step += 1;
  period = RandomUniform(0.01f, 0.05f);
  if (step <= 2 * count) return;
  // A new walk of squares over the surface, from a random point of the sphere.
  step = -count;
  twist = 0;
  const Vec3 u = RandomUnitVector();
  position = point1 + 16100 * u;
  right = Normalize(u);
  Vec3 walked;
  for (int32_t i = 0; i < count; ++i) {
    const Vec3 s = 100.8f * Vec3{-right.z, 0, right.x};
    walked = walked + RotateVector(s, right, RandomUniform(30, 210));
    positions[i] = walked;
  }
}

void ParticleSystem::Draw(const Camera&) {
  glPushMatrix();
  switch (mode) {
    case ParticleMode::Circle:
    case ParticleMode::Line:
      DrawBurst();
      break;
    case ParticleMode::Flash:
      DrawWalk();
      break;
    case ParticleMode::None:
      break;
  }
  glPopMatrix();
}

void ParticleSystem::DrawBurst() {
  const Matrix m = ModelviewMatrix();
  // The plane tangent to the burst sphere at the burst point; a burst straight above or below
  // the centre has no such plane from the y axis, and takes the xz plane.
  const Vec3 d = position - point1;
  const Vec3 side = Cross(d, {0, 1, 0});
  Vec3 a{1, 0, 0}, b{0, 0, 1};
  if (Dot(side, side) > 0) {
    a = Normalize(side);
    b = Normalize(Cross(side, d));
  }
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_ALPHA_TEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, texture);
  Translate(position);

  // The cycle fades in and out: 0 at its ends, 1 in the middle.
  const float f = period > 0 ? timer / period : 0;
  const float fade = 1 - std::fabs(2 * f - 1);
  glColor4f(1, 1, 1, fade);
  DrawModulated([&] { DrawSquare(2000 * a, 2000 * b); });

  // Each particle is a square facing the viewer, spun about the view axis; all of them go to
  // OpenGL as one batch, turned here rather than on the matrix stack.
  const Vec3 viewRight{m[0], m[4], m[8]};
  const Vec3 viewUp{m[1], m[5], m[9]};
  const Vec3 n = Cross(viewRight, viewUp);
  batch_.Clear();
  for (int32_t i = 0; i < count; ++i) {
    const float turns = static_cast<float>(count - 2 * i);
    float halfSize = 500, angle = turns * f * 20, alpha = fade;
    if (mode == ParticleMode::Line) {
      const float z = positions[i].z;
      halfSize = 800 - 0.2f * z;
      angle = turns * z * 20;
      alpha = lifetimes[i] > 0 ? 1 - ages[i] / lifetimes[i] : 0;
    }
    batch_.Add(positions[i], halfSize * TurnedAbout(viewRight, n, angle),
               halfSize * TurnedAbout(viewUp, n, angle), alpha);
  }
  DrawModulated([this] { batch_.Draw(); });
  // Lighting and the alpha test stay off for the objects after this one.
  glEnable(GL_DEPTH_TEST);
}

void ParticleSystem::DrawWalk() {
  glBindTexture(GL_TEXTURE_2D, texture);
  glDisable(GL_LIGHTING);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_FRONT);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  const float share = count > 0 ? static_cast<float>(std::abs(step)) / count : 0;
  glColor4f(1, 1, 1, RandomUniform(0.2f, 0.6f) - 0.2f * share);
  Translate(position);
  glDepthMask(GL_FALSE);

  const Vec3 a = Cross(right, {0, 1, 0});
  const Vec3 b = Cross(a, right);
  const Vec3 n = Cross(a, b);
  if (count > 0) {
    glPushMatrix();
    Translate(positions[count / 2]);
    Rotate(RandomUniform(0, 360), n);
    const float s = RandomUniform(2000, 3000);
    DrawModulated([&] { DrawSquare(s * a, s * b, &n); });
    glPopMatrix();
  }
  // The walk's squares in one batch; turning about n leaves their normal n as it is.
  glNormal3f(n.x, n.y, n.z);
  batch_.Clear();
  for (int32_t i = 0; i < count; ++i) {
    const float angle = static_cast<float>(count - 2 * i) * 10 * twist * 20;
    const float near = 1 - static_cast<float>(std::abs(step - i)) / count;
    batch_.Add(positions[i], 250 * TurnedAbout(a, n, angle), 250 * TurnedAbout(b, n, angle),
               RandomUniform(0, 0.4f) + near);
  }
  DrawModulated([this] { batch_.Draw(); });
  glEnable(GL_ALPHA_TEST);
  glDepthMask(GL_TRUE);
  glEnable(GL_LIGHTING);
  glCullFace(GL_BACK);
  glDisable(GL_CULL_FACE);
}

void ParseParticleSystem(ObjectList& list) {
  ParseObject<ParticleSystem>(list);
}

}  // namespace solvane
