#include "objects/mesh.h"

#include <cstdio>

#include "objects/draw_helpers.h"
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
    if (is("\tmap1")) ApplyTextureLine(*this, line, "\tmap1");
    NextBlockLine(line);  // "\tmap2": no effect
  }
  if (is("scale")) std::sscanf(line, "scale %f", &scale);
  if (is("light")) light = true;
  if (is("illum")) illum = true;
  if (is("blend")) blend = true;
  if (is("color")) std::sscanf(line, "color V(%f %f %f)", &color.x, &color.y, &color.z);
}

void Mesh::Update(double) {}

void Mesh::Draw(const Camera&) {
  if (!visible) return;
  glPushMatrix();
  Translate(position);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  // The mesh's x axis follows `look`, its y axis `right`, its z axis their cross product.
  glMultMatrixf(MatrixFromAxes(look, right, Cross(look, right)).data());
  Rotate(orientAngle, orientAxis);
  glScalef(scale, scale, scale);

  glColor3f(1, 1, 1);
  glEnable(GL_TEXTURE_2D);
  if (hasTexture) glBindTexture(GL_TEXTURE_2D, texture);
  glDepthMask(GL_FALSE);
  // Left as set for the objects after this one.
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, light ? GL_ADD : GL_MODULATE);
  if (illum) glDisable(GL_LIGHTING);
  if (metal) {
    glDisable(GL_COLOR_MATERIAL);
    const GLfloat specular[] = {0.4f, 0.4f, 0.4f, 1};
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT, GL_SHININESS, 19.6f);
    glEnable(GL_LIGHT0);
  }
  if (blend) {
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glColor4f(1, 1, 1, color.x);  // the colour's first component is the opacity
  }
  glCallList(displayList);

  glDepthMask(GL_TRUE);
  if (metal) glDisable(GL_LIGHT0);
  glEnable(GL_ALPHA_TEST);
  glEnable(GL_BLEND);
  glEnable(GL_LIGHTING);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDisable(GL_FOG);
  glDisable(GL_CULL_FACE);
  glPopMatrix();
}

void ParseMesh(ObjectList& list) {
  ParseObject<Mesh>(list);
}

}  // namespace solvane
