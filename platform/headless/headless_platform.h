// The platform with no display: an off-screen OpenGL context, a clock the caller drives, scripted
// input and settings in memory. It runs the real start-up, main loop and drawing, and keeps a
// record of what the program asked of the system, so that tests can check it.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace solvane {

// Settings held in memory. Names match case-insensitively, as registry value names do.
class MemorySettingsStore final : public SettingsStore {
 public:
  void Read(std::span<NamedValue> values) override;
  void Write(std::span<const NamedValue> values) override;

  std::string ReadText(std::string_view name) override;
  void SetText(std::string_view name, std::string text);

  void Set(std::string_view name, uint32_t value);
  bool Has(std::string_view name) const;
  uint32_t Get(std::string_view name) const;  // 0 when absent
  size_t size() const { return values_.size(); }
  int writes = 0;  // Write calls so far

 private:
  std::map<std::string, uint32_t> values_;  // keyed by the lower-cased name
  std::map<std::string, std::string> texts_;
};

struct ScriptedEvent {
  enum class Kind { KeyDown, KeyUp, ButtonDown, MouseMove, Close };
  int frame = 0;  // handled once this many frames have been drawn, before the next one
  Kind kind = Kind::KeyDown;
  uint32_t code = 0;  // the virtual key
  uint16_t x = 0;     // the cursor, in client coordinates
  uint16_t y = 0;
};

struct HeadlessOptions {
  std::string commandLine = "solvane /s";
  DisplayMode desktop{800, 600, 32};
  // What the display offers, in its order: a few modes, some at several refresh rates.
  std::vector<DisplayMode> displayModes = {{640, 480, 16},  {640, 480, 32},  {800, 600, 32},
                                           {800, 600, 32},  {1024, 768, 32}, {1280, 1024, 32},
                                           {1920, 1080, 32}};
  int monitorCount = 1;  // side by side, the primary one at the origin
  // The devices as listed, when a test needs others than `monitorCount` plain monitors.
  std::vector<DisplayDevice> devices;
  bool multiMonitorApi = true;
  uint64_t frequency = 10'000'000;   // counter ticks per second
  uint64_t firstCounter = 0;         // the counter's reading until the first frame
  uint64_t ticksPerFrame = 500'000;  // how far each idle pass advances the counter
  int maxFrames = -1;                // idle passes before a quit message arrives; -1: never
  int quitAfterLoadReports = -1;     // load-progress reports before a quit signal; -1: never
  LocalTime localTime{12, 34, 56};
  std::vector<uint32_t> hostWindows;       // windows a preview may be made a child of
  bool echoMessageBoxes = false;           // also print message boxes on standard error
  SettingsStore* settingsStore = nullptr;  // another store to use; null: the one in memory
  // "CustomData" resources that replace or add to the linked ones.
  std::map<int, std::vector<uint8_t>> resources;
  // Resources of other types (type as the program names it, id).
  std::map<std::pair<std::string, int>, std::vector<uint8_t>> typedResources;
  // Bytes a temporary file takes before the disk is full; unset: as many as are written.
  std::optional<size_t> temporaryRoom;
};

// What the program did to the system, in the order it did it.
struct HeadlessRecord {
  struct Window {
    enum class Kind { Scene, Blanking, Preview } kind;
    ScreenRect rect;
    bool shown = false;
    bool closed = false;
  };
  std::vector<Window> windows;           // handle = index + 1
  std::vector<DisplayMode> modeChanges;  // a zero mode stands for "back to the stored mode"
  std::vector<std::pair<std::string, std::string>> messageBoxes;  // text, caption
  std::vector<std::array<uint16_t, 768>> gammaRamps;
  std::vector<int> swapIntervals;
  std::vector<ScreenPoint> cursorMoves;
  int cursorShowCount = 0;  // like the system's display counter: shown while >= 0
  int loadProgressReports = 0;
  int framesPresented = 0;
  int idlePasses = 0;
  bool contextDeleted = false;
  WindowHandle focus = 0;
  // Temporary files and modules: real ones, recorded.
  std::vector<std::string> temporaryFiles;
  std::vector<std::string> removedFiles;
  std::vector<std::string> moduleSymbols;  // the names that resolved, in order
  int modulesOpened = 0;
  int modulesClosed = 0;
  std::vector<double> sleeps;         // seconds, one entry per SleepFor
  std::vector<std::string> logLines;  // also written to standard error
};

class HeadlessPlatform final : public Platform {
 public:
  explicit HeadlessPlatform(HeadlessOptions options = {});
  ~HeadlessPlatform() override;
  HeadlessPlatform(const HeadlessPlatform&) = delete;
  HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

  void Script(ScriptedEvent event) { script_.push_back(event); }
  MemorySettingsStore& Store() { return store_; }
  const HeadlessRecord& Record() const { return record_; }
  const HeadlessOptions& Options() const { return options_; }

  // The last presented frame: RGBA rows, top row first.
  const std::vector<uint8_t>& PresentedFrame() const { return presented_; }
  int FrameWidth() const { return width_; }
  int FrameHeight() const { return height_; }

  std::string CommandLine() override { return options_.commandLine; }
  std::span<const uint8_t> Resource(std::string_view type, int id) override;
  SettingsStore& Settings() override {
    return options_.settingsStore ? *options_.settingsStore : store_;
  }

  bool MultiMonitorAvailable() override { return options_.multiMonitorApi; }
  bool DisplayDeviceAt(uint32_t index, DisplayDevice& device) override;
  MonitorHandle MonitorFromRect(const ScreenRect& rect) override;
  DisplayMode CurrentDisplayMode() override { return current_; }
  bool DisplayModeAt(uint32_t index, DisplayMode& mode) override {
    if (index >= options_.displayModes.size()) return false;
    mode = options_.displayModes[index];
    return true;
  }
  void ChangeDisplayMode(const DisplayMode* mode) override;
  void ShowCursor(bool show) override { record_.cursorShowCount += show ? 1 : -1; }
  bool SetGammaRamp(std::span<const uint16_t, 768> ramp) override;

  WindowHandle CreateSceneWindow(int32_t width, int32_t height, WindowEvents& events) override;
  WindowHandle CreateBlankingWindow(const ScreenRect& rect) override;
  void ShowWindow(WindowHandle window, int showCommand) override;
  void SetFocus(WindowHandle window) override { record_.focus = window; }
  void CloseWindow(WindowHandle window) override;
  ScreenRect ClientRect(WindowHandle window) override;
  ScreenPoint ClientToScreen(WindowHandle window, ScreenPoint point) override;
  void SetCursorPos(ScreenPoint point) override { record_.cursorMoves.push_back(point); }

  WindowHandle CreatePreviewWindow(uint32_t parentWindow) override;

  PumpResult PumpMessage() override;
  bool QuitRequested() override;
  void RunMessageLoop() override;
  void SendLoadProgress(WindowHandle window) override;

  bool HasSwapControl() override { return true; }
  void SetSwapInterval(int interval) override { record_.swapIntervals.push_back(interval); }
  void SwapBuffers() override;
  bool HasGLContext() override { return context_ != nullptr; }
  void DeleteGLContext() override;

  uint64_t PerformanceCounter() override { return counter_; }
  uint64_t PerformanceFrequency() override { return options_.frequency; }
  LocalTime CurrentLocalTime() override { return options_.localTime; }
  // The clock moves on by the time asked for; nothing waits.
  void SleepFor(double seconds) override;

  std::string CreateTemporaryFile(std::string_view prefix) override;
  bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) override;
  void RemoveFile(const std::string& path) override;
  ModuleHandle OpenModule(const std::string& path) override;
  void* ModuleSymbol(ModuleHandle module, const char* name) override;
  void CloseModule(ModuleHandle module) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  void LogLine(std::string_view text) override;
  void* GLFunction(const char* name) override;

  // The largest scene window the off-screen context accepts, in either direction.
  static constexpr int32_t kMaxSize = 16384;

 private:
  WindowHandle AddWindow(HeadlessRecord::Window::Kind kind, const ScreenRect& rect);
  HeadlessRecord::Window* Find(WindowHandle window);
  void Dispatch(const ScriptedEvent& event);

  HeadlessOptions options_;
  HeadlessRecord record_;
  MemorySettingsStore store_;
  std::vector<ScriptedEvent> script_;
  DisplayMode current_;
  uint64_t counter_;
  bool quitPosted_ = false;

  void* context_ = nullptr;  // the off-screen context, kept opaque to keep its header here
  WindowHandle sceneWindow_ = 0;
  WindowEvents* events_ = nullptr;
  std::vector<uint8_t> buffer_;     // what the context draws into, bottom row first
  std::vector<uint8_t> presented_;  // top row first
  int width_ = 0;
  int height_ = 0;
};

}  // namespace solvane
