#include "platform/headless/headless_platform.h"

#include <GL/osmesa.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/ascii.h"
#include "platform/linked/linked_resources.h"
#include "platform/posix/posix_files.h"

namespace solvane {

namespace {

bool Overlaps(const ScreenRect& a, const ScreenRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

void MemorySettingsStore::Read(std::span<NamedValue> values) {
  for (NamedValue& value : values) {
    if (auto it = values_.find(AsciiLower(value.name)); it != values_.end())
      value.value = it->second;
  }
}

std::string MemorySettingsStore::ReadText(std::string_view name) {
  const auto it = texts_.find(AsciiLower(name));
  return it != texts_.end() ? it->second : std::string();
}

void MemorySettingsStore::SetText(std::string_view name, std::string text) {
  texts_[AsciiLower(name)] = std::move(text);
}

void MemorySettingsStore::Write(std::span<const NamedValue> values) {
  ++writes;
  for (const NamedValue& value : values) Set(value.name, value.value);
}

void MemorySettingsStore::Set(std::string_view name, uint32_t value) {
  values_[AsciiLower(name)] = value;
}

bool MemorySettingsStore::Has(std::string_view name) const {
  return values_.contains(AsciiLower(name));
}

uint32_t MemorySettingsStore::Get(std::string_view name) const {
  auto it = values_.find(AsciiLower(name));
  return it == values_.end() ? 0 : it->second;
}

HeadlessPlatform::HeadlessPlatform(HeadlessOptions options)
    : options_(std::move(options)), current_(options_.desktop), counter_(options_.firstCounter) {
  // Headless runs are silent: the audio module plays into SDL's dummy driver unless the
  // environment names another (the music tests write to a file with the "disk" driver).
  setenv("SDL_AUDIODRIVER", "dummy", 0);
}

HeadlessPlatform::~HeadlessPlatform() {
  DeleteGLContext();
}

std::span<const uint8_t> HeadlessPlatform::Resource(std::string_view type, int id) {
  if (auto it = options_.typedResources.find({std::string(type), id});
      it != options_.typedResources.end()) {
    return it->second;
  }
  if (AsciiEqualIgnoringCase(type, "CustomData")) {
    if (auto it = options_.resources.find(id); it != options_.resources.end()) return it->second;
  }
  return FindLinkedResource(type, id);
}

bool HeadlessPlatform::DisplayDeviceAt(uint32_t index, DisplayDevice& device) {
  if (!options_.devices.empty()) {
    if (index >= options_.devices.size()) return false;
    device = options_.devices[index];
    return true;
  }
  if (index >= static_cast<uint32_t>(std::max(options_.monitorCount, 0))) return false;
  device.stateFlags = kDeviceAttachedToDesktop | (index == 0 ? kDevicePrimary : 0);
  device.mode = options_.desktop;
  device.position = {static_cast<int32_t>(index) * options_.desktop.width, 0};
  return true;
}

MonitorHandle HeadlessPlatform::MonitorFromRect(const ScreenRect& rect) {
  DisplayDevice device;
  for (uint32_t i = 0; DisplayDeviceAt(i, device); ++i) {
    if (!(device.stateFlags & kDeviceAttachedToDesktop)) continue;
    const ScreenPoint at = device.position;
    const ScreenRect area{at.x, at.y, at.x + device.mode.width, at.y + device.mode.height};
    if (Overlaps(rect, area)) return static_cast<MonitorHandle>(i + 1);
  }
  return 0;
}

void HeadlessPlatform::ChangeDisplayMode(const DisplayMode* mode) {
  record_.modeChanges.push_back(mode ? *mode : DisplayMode{});
  current_ = mode ? *mode : options_.desktop;
}

bool HeadlessPlatform::SetGammaRamp(std::span<const uint16_t, 768> ramp) {
  std::array<uint16_t, 768> copy;
  std::copy(ramp.begin(), ramp.end(), copy.begin());
  record_.gammaRamps.push_back(copy);
  return true;
}

WindowHandle HeadlessPlatform::AddWindow(HeadlessRecord::Window::Kind kind,
                                         const ScreenRect& rect) {
  record_.windows.push_back({kind, rect});
  return record_.windows.size();
}

HeadlessRecord::Window* HeadlessPlatform::Find(WindowHandle window) {
  if (window == 0 || window > record_.windows.size()) return nullptr;
  return &record_.windows[window - 1];
}

void* HeadlessPlatform::GLFunction(const char* name) {
  if (context_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(OSMesaGetProcAddress(name));
}

WindowHandle HeadlessPlatform::CreateSceneWindow(int32_t width, int32_t height,
                                                 WindowEvents& events) {
  if (context_ != nullptr || width <= 0 || height <= 0 || width > kMaxSize || height > kMaxSize) {
    return 0;
  }
  const size_t bytes = size_t(width) * size_t(height) * 4;
  std::vector<uint8_t> buffer(bytes);
  // Depth and no stencil, as the windowed front ends ask for.
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  if (context == nullptr) return 0;
  if (!OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, width, height)) {
    OSMesaDestroyContext(context);
    return 0;
  }
  context_ = context;
  buffer_ = std::move(buffer);
  presented_.assign(bytes, 0);
  width_ = width;
  height_ = height;
  events_ = &events;
  sceneWindow_ = AddWindow(HeadlessRecord::Window::Kind::Scene, {0, 0, width, height});
  return sceneWindow_;
}

WindowHandle HeadlessPlatform::CreateBlankingWindow(const ScreenRect& rect) {
  const WindowHandle window = AddWindow(HeadlessRecord::Window::Kind::Blanking, rect);
  record_.windows.back().shown = true;
  return window;
}

void HeadlessPlatform::ShowWindow(WindowHandle window, int) {
  if (auto* w = Find(window)) w->shown = true;
}

void HeadlessPlatform::CloseWindow(WindowHandle window) {
  if (auto* w = Find(window)) w->closed = true;
}

ScreenRect HeadlessPlatform::ClientRect(WindowHandle window) {
  const auto* w = Find(window);
  if (w == nullptr) return {};
  return {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
}

ScreenPoint HeadlessPlatform::ClientToScreen(WindowHandle window, ScreenPoint point) {
  if (const auto* w = Find(window)) return {point.x + w->rect.left, point.y + w->rect.top};
  return point;
}

WindowHandle HeadlessPlatform::CreatePreviewWindow(uint32_t parentWindow) {
  const auto& hosts = options_.hostWindows;
  if (parentWindow == 0 || std::find(hosts.begin(), hosts.end(), parentWindow) == hosts.end()) {
    return 0;
  }
  return AddWindow(HeadlessRecord::Window::Kind::Preview, {0, 0, 155, 115});
}

void HeadlessPlatform::Dispatch(const ScriptedEvent& event) {
  if (event.kind == ScriptedEvent::Kind::Close) {
    quitPosted_ = true;
    return;
  }
  if (events_ == nullptr) return;
  switch (event.kind) {
    case ScriptedEvent::Kind::KeyDown:
      events_->KeyDown(event.code);
      break;
    case ScriptedEvent::Kind::KeyUp:
      events_->KeyUp(event.code);
      break;
    case ScriptedEvent::Kind::ButtonDown:
      events_->ButtonDown();
      break;
    case ScriptedEvent::Kind::MouseMove:
      events_->MouseMove(event.x, event.y);
      break;
    case ScriptedEvent::Kind::Close:
      break;
  }
}

void HeadlessPlatform::SleepFor(double seconds) {
  record_.sleeps.push_back(seconds);
  if (seconds > 0)
    counter_ += static_cast<uint64_t>(seconds * static_cast<double>(options_.frequency));
}

bool HeadlessPlatform::QuitRequested() {
  const int after = options_.quitAfterLoadReports;
  return posix::QuitSignal() != 0 || (after >= 0 && record_.loadProgressReports >= after);
}

PumpResult HeadlessPlatform::PumpMessage() {
  // A quit signal ends the run like the quit message, so the tools that run it stop in order.
  if (QuitRequested()) return PumpResult::Quit;
  if (quitPosted_) {
    quitPosted_ = false;
    return PumpResult::Quit;
  }
  const auto due = std::find_if(script_.begin(), script_.end(), [&](const ScriptedEvent& e) {
    return e.frame <= record_.idlePasses;
  });
  if (due != script_.end()) {
    const ScriptedEvent event = *due;
    script_.erase(due);
    Dispatch(event);
    return PumpResult::Dispatched;
  }
  if (options_.maxFrames >= 0 && record_.idlePasses >= options_.maxFrames) return PumpResult::Quit;
  counter_ += options_.ticksPerFrame;
  ++record_.idlePasses;
  return PumpResult::Idle;
}

// The preview's loop: the scripted events stand for the host's messages, and the host
// destroying its window (a Close event, or the end of the script) ends it.
void HeadlessPlatform::RunMessageLoop() {
  while (!script_.empty()) {
    const ScriptedEvent event = script_.front();
    script_.erase(script_.begin());
    if (event.kind == ScriptedEvent::Kind::Close) break;
  }
}

void HeadlessPlatform::SendLoadProgress(WindowHandle window) {
  ++record_.loadProgressReports;
  if (window == sceneWindow_ && events_ != nullptr) events_->LoadProgress();
}

void HeadlessPlatform::SwapBuffers() {
  if (context_ == nullptr) return;
  glFinish();
  const size_t row = size_t(width_) * 4;
  for (int y = 0; y < height_; ++y) {
    std::memcpy(&presented_[size_t(y) * row], &buffer_[size_t(height_ - 1 - y) * row], row);
  }
  ++record_.framesPresented;
}

void HeadlessPlatform::DeleteGLContext() {
  if (context_ == nullptr) return;
  OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
  OSMesaDestroyContext(static_cast<OSMesaContext>(context_));
  context_ = nullptr;
  record_.contextDeleted = true;
}

void HeadlessPlatform::LogLine(std::string_view text) {
  record_.logLines.emplace_back(text);
  std::fprintf(stderr, "solvane: %.*s\n", int(text.size()), text.data());
}

void HeadlessPlatform::ShowMessage(std::string_view text, std::string_view caption) {
  record_.messageBoxes.emplace_back(text, caption);
  if (options_.echoMessageBoxes) {
    std::fprintf(stderr, "[%.*s] %.*s\n", int(caption.size()), caption.data(), int(text.size()),
                 text.data());
  }
}

std::string HeadlessPlatform::CreateTemporaryFile(std::string_view prefix) {
  std::string path = posix::CreateTemporaryFile(prefix);
  if (!path.empty()) record_.temporaryFiles.push_back(path);
  return path;
}
bool HeadlessPlatform::WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  if (options_.temporaryRoom && *options_.temporaryRoom < bytes.size()) {
    // A full disk: what fits is written, the rest is refused.
    posix::WriteWholeFile(path, bytes.first(*options_.temporaryRoom));
    return false;
  }
  return posix::WriteWholeFile(path, bytes);
}
void HeadlessPlatform::RemoveFile(const std::string& path) {
  record_.removedFiles.push_back(path);
  posix::RemoveFile(path);
}
ModuleHandle HeadlessPlatform::OpenModule(const std::string& path) {
  const ModuleHandle module = posix::OpenModule(path);
  if (module != 0) ++record_.modulesOpened;
  return module;
}
void* HeadlessPlatform::ModuleSymbol(ModuleHandle module, const char* name) {
  void* symbol = posix::ModuleSymbol(module, name);
  if (symbol != nullptr) record_.moduleSymbols.push_back(name);
  return symbol;
}
void HeadlessPlatform::CloseModule(ModuleHandle module) {
  if (module != 0) ++record_.modulesClosed;
  posix::CloseModule(module);
}

}  // namespace solvane
