// The operating-system services the screensaver core needs, in the core's own words.
//
// The core never includes a window-system, toolkit or off-screen GL header: it talks to one
// `Platform` that a front end installs with `SetHost` before anything runs. The interface keeps
// the semantics of the Win32 calls it models (a window handle of 0 means "none", a settings
// value the store lacks leaves the caller's buffer alone, the display mode restored at the end
// is the one the user stored), so that every backend behaves alike.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace solvane {

using WindowHandle = std::uintptr_t;   // 0: no window
using MonitorHandle = std::uintptr_t;  // 0: no monitor
using ModuleHandle = std::uintptr_t;   // 0: no module

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};

struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct DisplayMode {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

// State flags of a listed display device; the values are the system's own.
inline constexpr uint32_t kDeviceAttachedToDesktop = 0x1;
inline constexpr uint32_t kDevicePrimary = 0x4;
inline constexpr uint32_t kDeviceMirroring = 0x8;

// One display device in enumeration order. `mode` and `position` are its current mode and the
// mode's origin in virtual-screen coordinates; both are meaningful only for attached devices.
struct DisplayDevice {
  uint32_t stateFlags = 0;
  DisplayMode mode;
  ScreenPoint position;
};

struct LocalTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// A named 32-bit value of the settings store.
struct NamedValue {
  const char* name;
  uint32_t value;
};

// The user's stored settings: the registry on Windows, a small text file on Linux, a map in
// memory when headless.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // For every entry whose name the store holds, overwrites `value`; the others keep theirs.
  virtual void Read(std::span<NamedValue> values) = 0;
  // Stores every entry, keeping whatever else the store holds. Failures are silent.
  virtual void Write(std::span<const NamedValue> values) = 0;
  // The text value `name` (a path); "" when the store lacks it.
  virtual std::string ReadText(std::string_view name) = 0;
};

// What the scene window reports to the core: its window procedure's cases, one call each.
class WindowEvents {
 public:
  virtual void KeyDown(uint32_t virtualKey) = 0;
  virtual void KeyUp(uint32_t virtualKey) = 0;
  virtual void ButtonDown() = 0;  // left or right button; the middle one is not reported
  // The cursor position in client coordinates, as the low and high words of a mouse message.
  virtual void MouseMove(uint16_t clientX, uint16_t clientY) = 0;
  // Redraw the loading screen and present it.
  virtual void LoadProgress() = 0;
  // The window's client area took a new size (a host's window that the host resized).
  virtual void Resized(int32_t width, int32_t height) = 0;

 protected:
  ~WindowEvents() = default;
};

enum class PumpResult {
  Idle,        // the queue was empty
  Dispatched,  // one message was taken and handled
  Quit,        // the quit message was taken
};

class Platform {
 public:
  virtual ~Platform() = default;

  // The whole command line, program name first, as the system hands it to the program.
  virtual std::string CommandLine() = 0;

  // An embedded resource by type and numeric id; empty when there is none.
  virtual std::span<const uint8_t> Resource(std::string_view type, int id) = 0;

  virtual SettingsStore& Settings() = 0;

  // Displays. `MultiMonitorAvailable` says whether devices can be listed at all.
  virtual bool MultiMonitorAvailable() = 0;
  virtual bool DisplayDeviceAt(uint32_t index, DisplayDevice& device) = 0;
  virtual MonitorHandle MonitorFromRect(const ScreenRect& rect) = 0;  // 0 when none overlaps
  virtual DisplayMode CurrentDisplayMode() = 0;                       // of the primary display
  // The primary display's modes in the system's order; false past the last.
  virtual bool DisplayModeAt(uint32_t index, DisplayMode& mode) = 0;
  // Switches the primary display to `mode`; null returns it to the mode the user stored.
  virtual void ChangeDisplayMode(const DisplayMode* mode) = 0;
  virtual void ShowCursor(bool show) = 0;
  // 3 x 256 entries: red, then green, then blue.
  virtual bool SetGammaRamp(std::span<const uint16_t, 768> ramp) = 0;

  // Windows of the full-screen run. The class registration steps exist for systems that have
  // window classes; elsewhere they do nothing.
  virtual void RegisterSaverClasses() {}
  virtual void UnregisterSaverClasses() {}
  // The scene window at (0, 0), hidden until shown, with a current OpenGL context (double
  // buffer, 24-bit depth, 8-bit stencil, no alpha). 0 on failure.
  virtual WindowHandle CreateSceneWindow(int32_t width, int32_t height, WindowEvents& events) = 0;
  // A visible black window over `rect` that ignores input. 0 on failure.
  virtual WindowHandle CreateBlankingWindow(const ScreenRect& rect) = 0;
  virtual void ShowWindow(WindowHandle window, int showCommand) = 0;
  virtual void SetFocus(WindowHandle window) = 0;
  // Takes the window off the screen; it is destroyed only when the process ends.
  virtual void CloseWindow(WindowHandle window) = 0;
  virtual ScreenRect ClientRect(WindowHandle window) = 0;
  virtual ScreenPoint ClientToScreen(WindowHandle window, ScreenPoint point) = 0;
  virtual void SetCursorPos(ScreenPoint point) = 0;

  // The preview: a child of the host's window showing the preview picture. 0 on failure.
  virtual void RegisterPreviewClass() {}
  virtual WindowHandle CreatePreviewWindow(uint32_t parentWindow) = 0;

  // Messages. `PumpMessage` takes and handles at most one message without waiting;
  // `RunMessageLoop` waits and handles messages until the quit message.
  virtual PumpResult PumpMessage() = 0;
  virtual void RunMessageLoop() = 0;
  // Delivers the loaders' progress report to the scene window synchronously.
  virtual void SendLoadProgress(WindowHandle window) = 0;
  // True once the run has been asked to end (a quit signal) while work that pumps no messages,
  // such as loading, keeps the pump from seeing it: the loaders stop early.
  virtual bool QuitRequested() { return false; }

  // The scene window's OpenGL context.
  virtual bool HasSwapControl() = 0;
  virtual void SetSwapInterval(int interval) = 0;
  virtual void SwapBuffers() = 0;
  virtual bool HasGLContext() = 0;
  // Surfaces that show the same scene side by side (one per output of a layer-shell run): each
  // frame is drawn once into each. 1 elsewhere.
  virtual uint32_t ViewCount() { return 1; }
  // Makes view `index` the target of drawing and gives its size in pixels; false when it needs
  // no frame now. The sizes come in as the scene's current ones, which the one view of a scene
  // window keeps.
  virtual bool SelectView(uint32_t /*index*/, int32_t& /*width*/, int32_t& /*height*/) {
    return true;
  }
  virtual void DeleteGLContext() = 0;  // releases the context and the window's device context
  // An OpenGL extension's entry point in the current context; null when the driver has none.
  virtual void* GLFunction(const char* /*name*/) { return nullptr; }

  // Time.
  virtual uint64_t PerformanceCounter() = 0;
  virtual uint64_t PerformanceFrequency() = 0;
  virtual LocalTime CurrentLocalTime() = 0;
  // Gives the processor away for about `seconds`; a signal may end the wait early.
  virtual void SleepFor(double seconds) = 0;

  // Files and loadable modules, for the audio module the program carries: written to a new
  // temporary file, loaded from there, deleted at the end.
  // A new empty file in the temporary directory whose name begins with `prefix`, unique to
  // this run; "" when none can be made.
  virtual std::string CreateTemporaryFile(std::string_view prefix) = 0;
  // Replaces the file's contents with `bytes`; false on failure.
  virtual bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  virtual ModuleHandle OpenModule(const std::string& path) = 0;           // 0 on failure
  virtual void* ModuleSymbol(ModuleHandle module, const char* name) = 0;  // null when missing
  virtual void CloseModule(ModuleHandle module) = 0;

  // A modal message box without owner; texts are UTF-8.
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
  // One line for whoever watches the program (standard error; the debugger's output on
  // Windows): what it could not do as asked, where nothing modal may appear.
  virtual void LogLine(std::string_view text) = 0;
};

// The platform the core runs on; set once by the front end (and by each test).
Platform& Host();
void SetHost(Platform* platform);

}  // namespace solvane
