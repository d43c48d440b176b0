#include "objects/sphere.h"

#include <cmath>
#include <cstdio>

#include "camera/camera.h"
#include "objects/draw_helpers.h"
#include "objects/mesh_file.h"
#include "objects/modulate_program.h"
#include "objects/random.h"
#include "objects/view.h"
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

void Sphere::Update(double dt) {
  const float step = static_cast<float>(dt);
  rotationAngle += rotationSpeed * step;
  if (rotationAngle > 360) rotationAngle -= 360;

  float orbitAngle = SceneTime / period * 5000;
  if (orbitAngle > 360) orbitAngle -= 360;

  if (isMoon) {
    moonAngle = SceneTime * moonSpeed;
    position = RotateVector(startPosition, rotationAxis, moonAngle);
    rotationAngle = moonAngle;
  }
  if (!light && orbitMotion) {
    if (!plt) {
      position = RotateVector(startPosition, {0, 1, 0}, orbitAngle);
    } else {
      // A fixed ellipse, tilted a little out of the plane.
      const float r = orbitAngle * 0.017453292f;
      position = {std::cos(r) * 618000, std::cos(r) * 618000 * 0.2f, std::sin(r) * 412000};
    }
  }
  if (sys) {
    if (!uranmoon) {
      position = RotateVector(startPosition, rotationAxis, rotationAngle);
    } else if (parent != nullptr) {
      // Without a parent there is no direction to orbit about: the sphere stays where it is.
      const Vec3 p = parent->position;
      position = Normalize({p.z, 0, -p.x}) * startPosition.x;
      position = RotateVector(position, p, rotationAngle);
    }
  }

  // Every sphere runs the flash clock; only "flash" spheres show it.
  flashTimer += step;
  if (flashTimer > flashPeriod) {
    flashTimer -= flashPeriod;
    flashOn = !flashOn;
    flashPeriod = 0.5f;
    if (rnd) {
      flashTimer = 0;
      flashPeriod = flashOn ? RandomUniform(0.4f, 0.8f) : RandomUniform(0.1f, 0.2f);
    }
  }
  if (flashOn) {
    flashOffsetS = Random01();
    flashOffsetT = Random01();
    flashTexAngle = RandomUniform(0, 180);
  }
}

void Sphere::Draw(const Camera& camera) {
  glPushMatrix();
  if (env) {
    position = camera.eye;
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    PushPrivateProjection(fov);
  }
  if (light) glDisable(GL_LIGHTING);
  if (sys && parent != nullptr) position = position + parent->position;
  Translate(position);

  if (!atmo) {
    Rotate(orientAngle, orientAxis);
    Rotate(rotationAngle + detiling, rotationAxis);
    OnTextureMatrix([this] {
      glLoadIdentity();
      glTranslatef(tiling * rotationAngle / 180 + detiling / 360, 0, 0);
    });
  }
  if (hasTexture) glBindTexture(GL_TEXTURE_2D, texture);

  if (alpha < 1) {
    glColor4f(1, 1, 1, alpha);
    if (!light) glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  } else {
    glDisable(GL_BLEND);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(1, 1, 1);
  }
  glEnable(GL_CULL_FACE);
  if (env) glCullFace(GL_FRONT);  // the viewer is inside

  if (specular) {
    glDisable(GL_COLOR_MATERIAL);
    const GLfloat shine[] = {1, 1, 0.8f, 1};
    glMaterialfv(GL_FRONT, GL_SPECULAR, shine);
    glMaterialf(GL_FRONT, GL_SHININESS, 15.6f);
  } else {
    const GLfloat none[] = {0, 0, 0, 0};
    glMaterialfv(GL_FRONT, GL_SPECULAR, none);
    glMaterialf(GL_FRONT, GL_SHININESS, 12.6f);
  }
  if (textureIsTga) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
  }
  if (atmo) {
    // The body's x axis points from the viewer to the sphere.
    glEnable(GL_BLEND);
    const Vec3 d = Normalize(position - camera.position);
    const Vec3 s = Normalize(Cross(d, camera.up));
    const Vec3 u = Normalize(Cross(d, s));
    glMultMatrixf(MatrixFromAxes(d, s, u).data());
    glDepthMask(GL_FALSE);
  }
  if (flash) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, textureIsTga ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
    const float f = flashTimer / flashPeriod;
    float flashAlpha = flashOn ? f : 1 - f;
    if (rnd) flashAlpha = flashOn ? RandomUniform(0.3f, 1.0f) : 0;
    glColor4f(1, 1, 1, flashAlpha);
    OnTextureMatrix([this] {
      glTranslatef(flashOffsetS, flashOffsetT, 0);
      if (rnd) glRotatef(flashTexAngle, 0, 0, 1);
    });
  }
  if (wire) {
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (SceneTime > 25) {
      glColor4f(1, 1, 1, 1);
      glDisable(GL_BLEND);
    }
  }
  glScalef(radius, radius, radius);
  if (sys) {
    glDisable(GL_TEXTURE_2D);
    glColor4f(color.x, color.y, color.z, 1);
  }
  if (mask) {
    // Depth only.
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 0);
  }
  if (depth) glDepthMask(GL_FALSE);
  OnTextureMatrix([this] { glScalef(tiling, tiling, 1); });

  if (wire && SceneTime <= 25) {
    DrawBuildUp();
  } else {
    DrawModulated([this] { glCallList(geometry); });
  }

  if (wire) glEnable(GL_LIGHTING);
  if (depth) glDepthMask(GL_TRUE);
  if (mask) {
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
  }
  glDisable(GL_COLOR_MATERIAL);
  glEnable(GL_BLEND);
  if (sys) glEnable(GL_TEXTURE_2D);
  if (env) {
    position = camera.position;
    glEnable(GL_LIGHTING);
    PopPrivateProjection();
    glEnable(GL_DEPTH_TEST);
    glCullFace(GL_BACK);
  }
  ResetTextureMatrix();
  glEnable(GL_LIGHTING);
  if (atmo || flash) glDepthMask(GL_TRUE);
  if (flash) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDisable(GL_CULL_FACE);
  glPopMatrix();
}

void Sphere::DrawBuildUp() {
  // The sweep plane z = c and the half-width b of the scanning bar, by the scene's time.
  const float t = SceneTime;
  float c = 1, b = 1;
  if (t < 10) {
    b = (t - 5) * 0.2f;
  } else if (t < 20) {
    c = 1 - (t - 10) * 0.2f;
  } else {
    c = -1;
    b = 1 - (t - 20) * 0.2f;
  }

  glDisable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glColor4f(color.x, color.y, color.z, 1);
  glBindTexture(GL_TEXTURE_2D, 0);
  OnTextureMatrix([] {
    glLoadIdentity();
    glScalef(40, 40, 1);
  });
  glCallList(geometry);
  glEnable(GL_DEPTH_TEST);
  ResetTextureMatrix();
  if (t < 5) return;

  // The textured surface appears above the sweep plane, fading in over a quarter unit.
  glBindTexture(GL_TEXTURE_2D, texture);
  const MeshFileData& mesh = SphereArrays;
  glBegin(GL_TRIANGLES);
  for (size_t face = 0; mesh.valid && face < mesh.faces.size(); ++face) {
    for (int corner = 0; corner < 3; ++corner) {
      const auto& p = mesh.positions[mesh.faces[face][corner]];
      const auto& uv = mesh.texture[mesh.faceTextures[face][corner]];
      const float* normal = &mesh.normals[face][3 * corner];
      alpha = p[2] > c ? std::fabs(c - p[2]) * 4 : 0;
      glColor4f(1, 1, 1, alpha);
      glNormal3f(normal[0], normal[1], normal[2]);
      glTexCoord2f(uv[0], uv[1]);
      glVertex3f(p[0], p[1], p[2]);
    }
  }
  glEnd();

  glDepthMask(GL_FALSE);
  glDisable(GL_TEXTURE_2D);
  glColor4f(0.4f, 0.5f, 0.8f, 0.2f);
  glDisable(GL_CULL_FACE);
  glRotatef(-rotationAngle, 0, 0, 1);
  glBegin(GL_TRIANGLE_STRIP);
  glVertex3f(-1.5f * b, -1.5f, c);
  glVertex3f(-1.5f * b, 1.5f, c);
  glVertex3f(1.5f * b, -1.5f, c);
  glVertex3f(1.5f * b, 1.5f, c);
  glEnd();
  glEnable(GL_TEXTURE_2D);
  glDepthMask(GL_TRUE);
}

void ParseSphere(ObjectList& list) {
  ParseObject<Sphere>(list);
}

}  // namespace solvane
