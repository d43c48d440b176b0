// What the content harnesses share: a fresh headless process for each input, with a content
// archive of the harness's own making, and the scene's objects stepped and drawn a little.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
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
#include "platform/headless/headless_platform.h"
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
class ContentProcess {
 public:
  explicit ContentProcess(const Files& files, bool window = true) {
    ResetProcessState();
    HeadlessOptions options;
    options.resources[kContentArchiveResource] = testing::PackContent(files);
    platform_ = std::make_unique<HeadlessPlatform>(std::move(options));
    SetHost(platform_.get());
    settings.width = kSide;
    settings.height = kSide;
    if (window) MainWindow = platform_->CreateSceneWindow(kSide, kSide, sceneWindowEvents);
  }
  ~ContentProcess() {
    ResetProcessState();
    SetHost(nullptr);
  }
  ContentProcess(const ContentProcess&) = delete;
  ContentProcess& operator=(const ContentProcess&) = delete;

  HeadlessPlatform& platform() { return *platform_; }

  static constexpr int kSide = 48;

 private:
  std::unique_ptr<HeadlessPlatform> platform_;
};

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
