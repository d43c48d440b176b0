#include "objects/flame.h"

#include <cstdio>
#include <memory>

#include "scene/scene_script.h"
#include "scene/script_reader.h"

namespace solvane {

void Flame::ApplyLine(char* line, const ObjectList& list) {
  const auto is = [line](const char* keyword) { return MatchesKeyword(line, keyword); };
  if (is("texture")) ApplyTextureLine(*this, line);
  if (is("size") && std::sscanf(line, "size %f", &size) == 1) size += 2000;
  if (is("angle")) std::sscanf(line, "angle %f", &angle);
  if (is("ell")) std::sscanf(line, "ell %f", &ell);
  if (is("offset")) std::sscanf(line, "offset %f", &offset);
  if (is("orient")) std::sscanf(line, "orient V(%f %f %f)", &orient.x, &orient.y, &orient.z);
  if (is("colorfrom")) {
    std::sscanf(line, "colorfrom V(%f %f %f)", &colorFrom.x, &colorFrom.y, &colorFrom.z);
  }
  if (is("colorto")) std::sscanf(line, "colorto V(%f %f %f)", &colorTo.x, &colorTo.y, &colorTo.z);
  if (is("parent")) ApplyParentLine(flameParent, list, line);
}

void Flame::Update(double) {}
void Flame::Draw(const Camera&) {}

void ParseFlame(ObjectList& list) {
  ParseObject<Flame>(list);
}

}  // namespace solvane
