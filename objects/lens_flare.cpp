#include "objects/lens_flare.h"

#include <cstdio>
#include <memory>

#include "app/settings.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"
#include "scene/texture_manager.h"

namespace solvane {

namespace {

// Pixel sizes in scripts are for a width of 800 and scale with the display's width.
float ScaledPixels(float value) {
  return value * static_cast<float>(settings.width) * 0.00125f;
}

}  // namespace

LensFlare::LensFlare() = default;

void LensFlare::SetLensTexture(std::string_view path, int slot) {
  textureIsTga = path.ends_with("tga");
  if (const Texture* found = FindTexture(path)) lensTextures[slot] = found->id;
}

void LensFlare::ApplyLine(char* line, const ObjectList& list) {
  const auto is = [&line](const char* keyword) { return MatchesKeyword(line, keyword); };
  // Per-frame rates in scripts are per sixtieth of a second.
  constexpr float kTicksPerSecond = 60;
  if (is("size") && std::sscanf(line, "size %f", &size) == 1) size = ScaledPixels(size);
  if (is("flash")) std::sscanf(line, "flash %f)", &flash);
  if (is("lumin")) std::sscanf(line, "lumin %f)", &lumin);
  if (is("focus")) {
    std::sscanf(line, "focus %f)", &focus);
    hasFocus = true;
  }
  if (is("parent")) {
    ApplyParentLine(flareParent, list, line);
    std::sscanf(line, "parent %*s V(%f %f %f)", &anchor.x, &anchor.y, &anchor.z);
  }
  if (is("FOV")) std::sscanf(line, "FOV %f", &fov);
  if (is("alpha")) {
    float in = fadeIn / kTicksPerSecond, out = fadeOut / kTicksPerSecond;
    const int read = std::sscanf(line, "alpha %f fade: %f %f", &level, &in, &out);
    if (read >= 2) fadeIn = in * kTicksPerSecond;
    if (read >= 3) fadeOut = out * kTicksPerSecond;
  }
  if (is("env")) {
    isEnv = true;
    std::sscanf(line, "env V(%f %f %f)", &anchor.x, &anchor.y, &anchor.z);
  }
  if (is("texture")) ApplyTextureLine(*this, line);
  if (is("position"))
    std::sscanf(line, "position V(%f %f %f)", &position.x, &position.y, &position.z);
  if (is("lenseffect")) {
    // Four lines by position: the element size, then the textures of slots 0, 1 and 2. The
    // tabs in these formats match any white space, so the lines may be indented or not.
    hasLensEffect = true;
    NextBlockLine(line);
    if (std::sscanf(line, "\tsize %f", &lensSize) == 1) lensSize = ScaledPixels(lensSize);
    for (int slot = 0; slot < 3; ++slot) {
      NextBlockLine(line);
      char word[ArchiveFile::kLineBufferSize] = {};
      if (std::sscanf(line, "\ttexture %127s", word) == 1) SetLensTexture(word, slot);
    }
  }
  if (is("rotation")) {
    float perTick = spinSpeed / kTicksPerSecond;
    if (std::sscanf(line, "rotation %f %f", &spinAngle, &perTick) == 2) {
      spinSpeed = perTick * kTicksPerSecond;
    }
  }
  if (is("xy")) std::sscanf(line, "xy %f", &xy);
  if (is("orient")) {
    std::sscanf(line, "orient V(%f %f %f)", &orient.x, &orient.y, &orient.z);
    hasOrient = true;
  }
}

void LensFlare::Update(double) {}
void LensFlare::Draw(const Camera&) {}

void ParseLensFlare(ObjectList& list) {
  ParseObject<LensFlare>(list);
}

}  // namespace solvane
