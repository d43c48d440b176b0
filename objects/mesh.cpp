#include "objects/mesh.h"

#include <cstdio>
#include <memory>

#include "objects/mesh_file.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"

namespace solvane {

Mesh::Mesh() {
  position = {};
}

void Mesh::BeginBlock(const char* beginLine) {
  SetName(BlockName(beginLine));
  displayList = SceneGeometryMesh.displayList;
}

void Mesh::ApplyLine(char* line, const ObjectList&) {
  const auto is = [&line](const char* keyword) { return MatchesKeyword(line, keyword); };
  if (is("orient")) {
    std::sscanf(line, "orient V(%f %f %f) %f", &orientAxis.x, &orientAxis.y, &orientAxis.z,
                &orientAngle);
  }
  if (is("position"))
    std::sscanf(line, "position V(%f %f %f)", &position.x, &position.y, &position.z);
  if (is("look")) std::sscanf(line, "look V(%f %f %f)", &look.x, &look.y, &look.z);
  if (is("right")) std::sscanf(line, "right V(%f %f %f)", &right.x, &right.y, &right.z);
  if (is("material")) {
    // Four lines by position, whatever they hold; their keywords carry the tab that indents
    // them.
    NextBlockLine(line);
    metal = is("\tmetal");
    NextBlockLine(line);  // "\tchrome": no effect
    NextBlockLine(line);
    if (is("\tmap1")) {
      SetTexture(WordAfter(line, "\tmap1", kWordLimit));
      hasTexture = true;
    }
    NextBlockLine(line);  // "\tmap2": no effect
  }
  if (is("scale")) std::sscanf(line, "scale %f", &scale);
  if (is("light")) light = true;
  if (is("illum")) illum = true;
  if (is("blend")) blend = true;
  if (is("color")) std::sscanf(line, "color V(%f %f %f)", &color.x, &color.y, &color.z);
}

void Mesh::Update(double) {}
void Mesh::Draw(const Camera&) {}

void ParseMesh(ObjectList& list) {
  ParseObject<Mesh>(list);
}

}  // namespace solvane
