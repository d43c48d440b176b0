#include "objects/sphere.h"

#include <cstdio>
#include <memory>

#include "objects/mesh_file.h"
#include "objects/random.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"

namespace solvane {

float SceneTime = 0;

Sphere::Sphere() {
  geometry = SphereMesh.displayList;
  flashOffsetS = Random01();
  flashOffsetT = Random01();
}

void Sphere::BeginBlock(const char* beginLine) {
  SetName(BlockName(beginLine));
  geometry = SphereMesh.displayList;
  textureIsTga = CarriedTgaFlag;
}

void Sphere::ApplyLine(char* line, const ObjectList& list) {
  const auto is = [line](const char* keyword) { return MatchesKeyword(line, keyword); };
  if (is("radius")) std::sscanf(line, "radius %f", &radius);
  if (is("FOV")) std::sscanf(line, "FOV %f", &fov);
  if (is("alpha")) std::sscanf(line, "alpha %f", &alpha);
  if (is("tiling")) std::sscanf(line, "tiling %f", &tiling);
  if (is("detiling")) std::sscanf(line, "detiling %f", &detiling);
  if (is("period")) std::sscanf(line, "period %f", &period);
  if (is("env")) {
    env = true;
    rotationSpeed = 0;
    geometry = EnvCubeMesh.displayList;
  }
  if (is("geo")) geometry = SphereMesh.displayList;
  if (is("light")) light = true;
  if (is("specular")) specular = true;
  if (is("depth")) depth = true;
  if (is("wire")) wire = true;
  if (is("sys")) sys = true;
  if (is("noised")) geometry = NoisedSphereMesh.displayList;
  if (is("uranmoon")) uranmoon = true;
  if (is("plt")) plt = true;
  if (is("mask")) mask = true;
  if (is("list")) geometry = SceneGeometryMesh.displayList;
  if (is("moon")) {
    isMoon = true;
    moonSpeed = 2 * MoonScale;
    MoonScale *= 0.75f;
  }
  if (is("orbit")) orbitMotion = false;
  if (is("rnd")) rnd = true;
  if (is("atmo")) {
    atmo = true;
    textureIsTga = false;
    geometry = AtmosphereList;
  }
  if (is("flash")) {
    // Consecutive flash spheres start a quarter period apart: (on, 0), (on, 0.25), (off, 0),
    // (off, 0.25), then later phases.
    flash = true;
    if (FlashPhaseCounter > 0.4f) {
      flashOn = false;
      flashTimer = FlashPhaseCounter - 0.5f;
    } else {
      flashOn = true;
      flashTimer = FlashPhaseCounter;
    }
    flashPeriod = 0.5f;
    FlashPhaseCounter += 0.25f;
  }
  if (is("texture")) {
    ApplyTextureLine(*this, line);
    CarriedTgaFlag = textureIsTga;
  }
  if (is("rotation")) {
    std::sscanf(line, "rotation V(%f %f %f) %f %f", &rotationAxis.x, &rotationAxis.y,
                &rotationAxis.z, &rotationAngle, &rotationSpeed);
  }
  if (is("orient")) {
    std::sscanf(line, "orient V(%f %f %f) %f", &orientAxis.x, &orientAxis.y, &orientAxis.z,
                &orientAngle);
  }
  if (is("position")) {
    // An orbiting sphere's x is taken 2000 units in: "orbit" must come first to keep it.
    Vec3 read = position;
    if (std::sscanf(line, "position V(%f %f %f)", &read.x, &read.y, &read.z) >= 1 && orbitMotion) {
      read.x -= 2000;
    }
    position = startPosition = read;
  }
  if (is("color")) std::sscanf(line, "color V(%f %f %f)", &color.x, &color.y, &color.z);
  if (is("parent")) ApplyParentLine(parent, list, line);
}

void Sphere::Update(double) {}
void Sphere::Draw(const Camera&) {}

void ParseSphere(ObjectList& list) {
  ParseObject<Sphere>(list);
}

}  // namespace solvane
