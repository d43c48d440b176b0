// What the content harnesses share: a fresh headless process for each input, with a content
// archive of the harness's own making, and the scene's objects stepped and drawn a little.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/display.h"
#include "app/input.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "data/archive_file.h"
#include "objects/scene_object.h"
#include "objects/view.h"
#include "platform/headless/headless_platform.h"
#include "platform/opengl.h"
#include "scene/texture_manager.h"
#include "tests/support/content_files.h"

namespace solvane::fuzz {

using testing::Bytes;
using Files = std::vector<std::pair<std::string, Bytes>>;

// The input as bytes of an archive entry.
inline Bytes Input(const uint8_t* data, size_t size) {
  return Bytes(data, data + size);
}

// The process as a fresh run would find it, with `files` as its content archive and a small
// scene window with its OpenGL context current. Ends (resetting everything) when it goes.
// The platform and its context are made once and kept: a new context for each input would
// spend nearly all the time compiling the renderer's shaders anew.
class ContentProcess {
 public:
  explicit ContentProcess(const Files& files, bool window = true) {
    static HeadlessPlatform* const platform = new HeadlessPlatform();
    static WindowHandle sceneWindow = 0;
    ResetProcessState();
    SetHost(platform);
    UseContentArchive(testing::PackContent(files));
    viewSize.width = kSide;
    viewSize.height = kSide;
    if (window) {
      if (sceneWindow == 0) sceneWindow = platform->CreateSceneWindow(kSide, kSide, sceneWindowEvents);
      MainWindow = sceneWindow;
    }
  }
  ~ContentProcess() {
    // The context outlives the input: what the input made in it goes with the input.
    for (const Texture* texture : textureManager) {
      const GLuint id = texture->id;
      if (id != 0) glDeleteTextures(1, &id);
    }
    ResetProcessState();
  }
  ContentProcess(const ContentProcess&) = delete;
  ContentProcess& operator=(const ContentProcess&) = delete;

  static constexpr int kSide = 48;
};

// A texture the harness made itself, out of the registry, given back to the kept context.
inline void Discard(const Texture& texture) {
  const GLuint id = texture.id;
  if (id != 0) glDeleteTextures(1, &id);
}

// A few frames' worth of each object's step and drawing, from the camera's start.
inline void StepAndDraw(const ObjectList& list, int frames = 2) {
  for (int frame = 0; frame < frames; ++frame) {
    for (SceneObject* object : list) object->Update(0.05);
    for (SceneObject* object : list) object->Draw(camera);
  }
}

// Splits `data` at each line that is exactly `separator`, into at most `parts` pieces; missing
// pieces are empty.
inline std::vector<Bytes> SplitInput(const uint8_t* data, size_t size, const std::string& separator,
                                     size_t parts) {
  std::vector<Bytes> pieces(1);
  const std::string marker = "\n" + separator + "\n";
  size_t at = 0;
  while (at < size) {
    if (pieces.size() < parts && at + marker.size() <= size &&
        std::equal(marker.begin(), marker.end(), data + at)) {
      pieces.back().push_back('\n');
      pieces.emplace_back();
      at += marker.size();
      continue;
    }
    pieces.back().push_back(data[at++]);
  }
  pieces.resize(parts);
  return pieces;
}

}  // namespace solvane::fuzz
