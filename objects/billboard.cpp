#include "objects/billboard.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "objects/random.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"

namespace solvane {

namespace {

// "up" and "right" lines are divided by their length; a zero vector stays zero.
Vec3 ReadDirection(const char* line, const char* format, Vec3 current) {
  std::sscanf(line, format, &current.x, &current.y, &current.z);
  const float length =
      std::sqrt(current.x * current.x + current.y * current.y + current.z * current.z);
  if (length == 0) return current;
  return {current.x / length, current.y / length, current.z / length};
}

}  // namespace

Billboard::Billboard() {
  position = {};
  spinSpeed = 60 * (1 - 2 * Random01());
}

void Billboard::ApplyLine(char* line, const ObjectList& list) {
  const auto is = [line](const char* keyword) { return MatchesKeyword(line, keyword); };
  if (is("size")) std::sscanf(line, "size %f", &size);
  if (is("rotation")) {
    // Scripts give the spin per sixtieth of a second.
    float perTick = spinSpeed / 60;
    if (std::sscanf(line, "rotation %f %f", &spinAngle, &perTick) == 2) spinSpeed = perTick * 60;
  }
  if (is("tiling")) std::sscanf(line, "tiling %f", &tiling);
  if (is("parent")) {
    ApplyParentLine(billboardParent, list, line);
    std::sscanf(line, "parent %*s V(%f %f %f)", &anchor.x, &anchor.y, &anchor.z);
  }
  if (is("FOV")) std::sscanf(line, "FOV %f", &fov);
  if (is("alpha")) std::sscanf(line, "alpha %f", &alpha);
  if (is("orient off")) orientOff = true;
  if (is("blend")) blend = true;
  if (is("depth")) depth = true;
  if (is("sys")) sys = true;
  if (is("env")) {
    env = true;
    std::sscanf(line, "env V(%f %f %f)", &anchor.x, &anchor.y, &anchor.z);
  }
  if (is("oreol")) {
    oreol = true;
    std::sscanf(line, "oreol V(%f %f %f) %f", &anchor.x, &anchor.y, &anchor.z, &oreolDistance);
  }
  if (is("flash")) {
    flash = true;
    std::sscanf(line, "flash %f %f %f)", &flashTimer, &flashHidden, &flashVisible);
  }
  if (is("texture")) ApplyTextureLine(*this, line);
  if (is("up")) up = ReadDirection(line, "up V(%f %f %f)", up);
  if (is("right")) rightAxis = ReadDirection(line, "right V(%f %f %f)", rightAxis);
  if (is("position"))
    std::sscanf(line, "position V(%f %f %f)", &position.x, &position.y, &position.z);
  if (is("color")) std::sscanf(line, "color V(%f %f %f)", &tint.x, &tint.y, &tint.z);
  if (is("xy")) std::sscanf(line, "xy %f", &xy);
}

void Billboard::Update(double) {}
void Billboard::Draw(const Camera&) {}

void ParseBillboard(ObjectList& list) {
  ParseObject<Billboard>(list);
}

}  // namespace solvane
