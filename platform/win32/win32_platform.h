// The Windows front end: the screensaver as the system's host runs it, with Win32 windows, a WGL
// context, the registry and the module's own resources.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The system's headers turn these names into macros; the platform interface uses them plainly.
#undef MessageBox

#include "platform/platform.h"

namespace solvane {

// The program declares itself aware of each monitor's scale, so the system no longer stretches
// its windows: a picture made in pixels for 100 % scaling (96 dots per inch) is scaled by the
// program, by the dots per inch of the display that `window` is on.
inline constexpr UINT kDefaultDpi = 96;
UINT WindowDpi(HWND window);

// The user's settings under HKEY_CURRENT_USER, one REG_DWORD value per setting.
class RegistrySettingsStore final : public SettingsStore {
 public:
  static constexpr const char* kKeyPath = "Software\\Kestrava\\Solvane Screensaver";
  void Read(std::span<NamedValue> values) override;
  std::string ReadText(std::string_view name) override;
  void Write(std::span<const NamedValue> values) override;
};

class Win32Platform final : public Platform {
 public:
  explicit Win32Platform(HINSTANCE instance);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  std::string CommandLine() override;
  std::span<const uint8_t> Resource(std::string_view type, int id) override;
  SettingsStore& Settings() override { return store_; }

  bool MultiMonitorAvailable() override;
  bool DisplayDeviceAt(uint32_t index, DisplayDevice& device) override;
  MonitorHandle MonitorFromRect(const ScreenRect& rect) override;
  DisplayMode CurrentDisplayMode() override;
  bool DisplayModeAt(uint32_t index, DisplayMode& mode) override;
  void ChangeDisplayMode(const DisplayMode* mode) override;
  void ShowCursor(bool show) override;
  bool SetGammaRamp(std::span<const uint16_t, 768> ramp) override;

  void RegisterSaverClasses() override;
  void UnregisterSaverClasses() override;
  WindowHandle CreateSceneWindow(int32_t width, int32_t height, WindowEvents& events) override;
  WindowHandle CreateBlankingWindow(const ScreenRect& rect) override;
  void ShowWindow(WindowHandle window, int showCommand) override;
  void SetFocus(WindowHandle window) override;
  void CloseWindow(WindowHandle window) override;
  ScreenRect ClientRect(WindowHandle window) override;
  ScreenPoint ClientToScreen(WindowHandle window, ScreenPoint point) override;
  void SetCursorPos(ScreenPoint point) override;

  void RegisterPreviewClass() override;
  WindowHandle CreatePreviewWindow(uint32_t parentWindow) override;

  PumpResult PumpMessage() override;
  void RunMessageLoop() override;
  void SendLoadProgress(WindowHandle window) override;

  bool HasSwapControl() override;
  void SetSwapInterval(int interval) override;
  void SwapBuffers() override;
  bool HasGLContext() override { return renderContext_ != nullptr; }
  void DeleteGLContext() override;
  void* GLFunction(const char* name) override;

  uint64_t PerformanceCounter() override;
  uint64_t PerformanceFrequency() override;
  LocalTime CurrentLocalTime() override;
  void SleepFor(double seconds) override;

  std::string CreateTemporaryFile(std::string_view prefix) override;
  bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) override;
  void RemoveFile(const std::string& path) override;
  ModuleHandle OpenModule(const std::string& path) override;
  void* ModuleSymbol(ModuleHandle module, const char* name) override;
  void CloseModule(ModuleHandle module) override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  void LogLine(std::string_view text) override;

 private:
  static LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PreviewWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool SetupPixelFormat();
  void PaintPreview(HWND window);

  // The multi-monitor entry points of the user library, resolved once by name.
  struct MonitorApi {
    bool resolved = false;
    bool available = false;
    int(WINAPI* getSystemMetrics)(int) = nullptr;
    HMONITOR(WINAPI* monitorFromWindow)(HWND, DWORD) = nullptr;
    HMONITOR(WINAPI* monitorFromRect)(LPCRECT, DWORD) = nullptr;
    HMONITOR(WINAPI* monitorFromPoint)(POINT, DWORD) = nullptr;
    BOOL(WINAPI* enumDisplayMonitors)(HDC, LPCRECT, MONITORENUMPROC, LPARAM) = nullptr;
    BOOL(WINAPI* getMonitorInfoA)(HMONITOR, LPMONITORINFO) = nullptr;
    BOOL(WINAPI* enumDisplayDevicesA)(LPCSTR, DWORD, PDISPLAY_DEVICEA, DWORD) = nullptr;
  };
  bool InitMultiMonitorApi();

  HINSTANCE instance_;
  RegistrySettingsStore store_;
  MonitorApi monitorApi_;
  WindowEvents* events_ = nullptr;
  HWND sceneWindow_ = nullptr;
  HDC presentingContext_ = nullptr;
  HGLRC renderContext_ = nullptr;
  HBITMAP previewBitmap_ = nullptr;
  bool swapControlResolved_ = false;
  BOOL(WINAPI* swapIntervalExt_)(int) = nullptr;
  int(WINAPI* getSwapIntervalExt_)() = nullptr;
};

}  // namespace solvane
