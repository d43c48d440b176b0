#include "platform/sdl/sdl_platform.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/linked/linked_resources.h"
#include "platform/opengl.h"
#include "platform/posix/posix_files.h"
#include "platform/sdl/sdl_video.h"

namespace solvane {

namespace {

// Virtual-key codes of the keys that have one; letters and digits are their capital ASCII.
constexpr uint32_t kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkShift = 0x10,
                   kVkControl = 0x11, kVkPause = 0x13, kVkCapital = 0x14, kVkEscape = 0x1B,
                   kVkSpace = 0x20, kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24,
                   kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28, kVkInsert = 0x2D,
                   kVkDelete = 0x2E, kVkLWin = 0x5B, kVkRWin = 0x5C, kVkNumpad0 = 0x60,
                   kVkF1 = 0x70, kVkNumLock = 0x90, kVkScroll = 0x91;

}  // namespace

uint32_t VirtualKeyFromSdl(int32_t key) {
  if (key >= 'a' && key <= 'z') return uint32_t(key - 'a' + 'A');
  if (key >= '0' && key <= '9') return uint32_t(key);
  if (key >= SDLK_F1 && key <= SDLK_F12) return kVkF1 + uint32_t(key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return kVkNumpad0 + 1 + uint32_t(key - SDLK_KP_1);
  switch (key) {
    case SDLK_BACKSPACE:
      return kVkBack;
    case SDLK_TAB:
      return kVkTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return kVkReturn;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return kVkShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return kVkControl;
    case SDLK_PAUSE:
      return kVkPause;
    case SDLK_CAPSLOCK:
      return kVkCapital;
    case SDLK_ESCAPE:
      return kVkEscape;
    case SDLK_SPACE:
      return kVkSpace;
    case SDLK_PAGEUP:
      return kVkPrior;
    case SDLK_PAGEDOWN:
      return kVkNext;
    case SDLK_END:
      return kVkEnd;
    case SDLK_HOME:
      return kVkHome;
    case SDLK_LEFT:
      return kVkLeft;
    case SDLK_UP:
      return kVkUp;
    case SDLK_RIGHT:
      return kVkRight;
    case SDLK_DOWN:
      return kVkDown;
    case SDLK_INSERT:
      return kVkInsert;
    case SDLK_DELETE:
      return kVkDelete;
    case SDLK_LGUI:
      return kVkLWin;
    case SDLK_RGUI:
      return kVkRWin;
    case SDLK_KP_0:
      return kVkNumpad0;
    case SDLK_NUMLOCKCLEAR:
      return kVkNumLock;
    case SDLK_SCROLLLOCK:
      return kVkScroll;
    default:
      return 0;
  }
}

SdlPlatform::SdlPlatform(std::string commandLine, std::string settingsPath, bool openVideo)
    : commandLine_(std::move(commandLine)), store_(std::move(settingsPath)) {
  // The program handles the quit signals itself (SIGHUP and SIGQUIT too), in every mode.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A full-screen run must stay put when another display's black window is clicked.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  if (openVideo) videoReady_ = OpenSdlVideo();
}

SdlPlatform::~SdlPlatform() {
  DeleteGLContext();
  for (SDL_Window* window : windows_) {
    if (window != nullptr) SDL_DestroyWindow(window);
  }
  if (videoReady_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
}

std::span<const uint8_t> SdlPlatform::Resource(std::string_view type, int id) {
  return FindLinkedResource(type, id);
}

SDL_Window* SdlPlatform::Window(WindowHandle handle) const {
  if (handle == 0 || handle > windows_.size()) return nullptr;
  return windows_[handle - 1];
}

bool SdlPlatform::DisplayDeviceAt(uint32_t index, DisplayDevice& device) {
  if (!videoReady_ || index >= uint32_t(SDL_GetNumVideoDisplays())) return false;
  SDL_DisplayMode mode;
  SDL_Rect bounds;
  if (SDL_GetDesktopDisplayMode(int(index), &mode) != 0 ||
      SDL_GetDisplayBounds(int(index), &bounds) != 0) {
    device = {};  // listed, but not part of the desktop
    return true;
  }
  device.stateFlags = kDeviceAttachedToDesktop | (index == 0 ? kDevicePrimary : 0);
  device.mode = {mode.w, mode.h, SdlBitsPerPixel(mode.format)};
  device.position = {bounds.x, bounds.y};
  return true;
}

MonitorHandle SdlPlatform::MonitorFromRect(const ScreenRect& rect) {
  const SDL_Rect wanted{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  for (int i = 0; videoReady_ && i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_HasIntersection(&wanted, &bounds)) {
      return MonitorHandle(i + 1);
    }
  }
  return 0;
}

DisplayMode SdlPlatform::CurrentDisplayMode() {
  SDL_DisplayMode mode;
  if (!videoReady_ || SDL_GetCurrentDisplayMode(0, &mode) != 0) return {800, 600, 32};
  return {mode.w, mode.h, SdlBitsPerPixel(mode.format)};
}

bool SdlPlatform::DisplayModeAt(uint32_t index, DisplayMode& mode) {
  SDL_DisplayMode found;
  if (!videoReady_ || index >= uint32_t(SDL_GetNumDisplayModes(0)) ||
      SDL_GetDisplayMode(0, int(index), &found) != 0) {
    return false;
  }
  mode = {found.w, found.h, SdlBitsPerPixel(found.format)};
  return true;
}

// The mode is switched through the scene window: a full-screen window carries its own display
// mode, and the desktop's comes back when it leaves full screen. At the desktop's own mode the
// window asks the desktop for full screen without a switch, the state that window managers
// and compositors keep above docks and panels and do not tile.
void SdlPlatform::ChangeDisplayMode(const DisplayMode* mode) {
  modeRequested_ = mode != nullptr;
  if (mode != nullptr) requestedMode_ = *mode;
  ApplyDisplayMode();
}

void SdlPlatform::ApplyDisplayMode() {
  if (scene_ == nullptr) return;
  SDL_DisplayMode desktop;
  const bool haveDesktop = SDL_GetDesktopDisplayMode(0, &desktop) == 0;
  const bool sameAsDesktop = haveDesktop && requestedMode_.width == desktop.w &&
                             requestedMode_.height == desktop.h &&
                             requestedMode_.bitsPerPixel == SdlBitsPerPixel(desktop.format);
  if (!modeRequested_) {
    SDL_SetWindowFullscreen(scene_, 0);
    return;
  }
  if (sameAsDesktop && !OnWayland() && !WindowManagerRuns()) {
    // Nothing would act on a full-screen request (SDL waits a tenth of a second for an answer
    // that never comes): the borderless window at the display's size covers it as it is.
    SDL_SetWindowFullscreen(scene_, 0);
    return;
  }
  if (sameAsDesktop || OnWayland()) {
    // Wayland lets no client switch a display's mode: the run takes the output's own.
    if (!sameAsDesktop) {
      LogLine("Wayland has no display mode switch: the run takes the output's own mode, not " +
              std::to_string(requestedMode_.width) + " x " + std::to_string(requestedMode_.height));
    }
    SDL_SetWindowFullscreen(scene_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    return;
  }
  SDL_DisplayMode wanted{};
  wanted.w = requestedMode_.width;
  wanted.h = requestedMode_.height;
  SDL_DisplayMode closest;
  if (SDL_GetClosestDisplayMode(0, &wanted, &closest) != nullptr &&
      SDL_SetWindowDisplayMode(scene_, &closest) == 0) {
    SDL_SetWindowFullscreen(scene_, SDL_WINDOW_FULLSCREEN);
  }
}

void SdlPlatform::ShowCursor(bool show) {
  SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool SdlPlatform::SetGammaRamp(std::span<const uint16_t, 768> ramp) {
  if (scene_ == nullptr) return false;
  if (OnWayland()) {
    // Only a non-default gamma is ever set; it is said once, at the start, and not again when
    // the run ends by setting the default back.
    if (!gammaRefused_)
      LogLine("Wayland lets no program set the gamma ramp: the gamma setting has no effect");
    gammaRefused_ = true;
    return false;
  }
  return SDL_SetWindowGammaRamp(scene_, &ramp[0], &ramp[256], &ramp[512]) == 0;
}

WindowHandle SdlPlatform::CreateSceneWindow(int32_t width, int32_t height, WindowEvents& events) {
  if (!videoReady_ || scene_ != nullptr) return 0;
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  // Depth for the meshes; no stencil: nothing draws with one, and a software renderer pays for
  // a combined depth-stencil buffer on every fragment.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  // On Wayland the compositor sizes a full-screen window to its output; a window of fixed size
  // would keep the size asked for.
  const uint32_t resizable = OnWayland() ? SDL_WINDOW_RESIZABLE : 0;
  SDL_Window* window =
      SDL_CreateWindow("Solvane ScreenSaver", 0, 0, width, height,
                       SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN |
                           SDL_WINDOW_ALWAYS_ON_TOP | resizable);
  if (window == nullptr) {
    std::fprintf(stderr, "solvane: cannot create the window: %s\n", SDL_GetError());
    return 0;
  }
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) {
    // Without a context nothing could be drawn; end the run instead of showing a dead window.
    std::fprintf(stderr, "solvane: no OpenGL context: %s\n", SDL_GetError());
    SDL_DestroyWindow(window);
    return 0;
  }
  SDL_GL_MakeCurrent(window, context);
  scene_ = window;
  context_ = context;
  events_ = &events;
  windows_.push_back(window);
  ApplyDisplayMode();
  return windows_.size();
}

WindowHandle SdlPlatform::CreateBlankingWindow(const ScreenRect& rect) {
  if (!videoReady_) return 0;
  // Wayland has no global positions: the window asks for full screen on the output whose
  // place the rectangle gives.
  const uint32_t fullScreen = OnWayland() ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
  SDL_Window* window = SDL_CreateWindow(
      "Solvane ScreenSaver", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
      SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | fullScreen);
  if (window == nullptr) return 0;
  windows_.push_back(window);
  PaintBlanking();
  return windows_.size();
}

// The black windows are cleared through the scene's context. (A window surface would be no
// simpler: where the system has none of its own, as on Wayland, SDL paints it through an OpenGL
// context of its own, which the scene's uploads must never meet.)
void SdlPlatform::PaintBlanking() {
  if (context_ == nullptr) return;
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  glClearColor(0, 0, 0, 1);
  for (SDL_Window* window : windows_) {
    if (window == nullptr || window == scene_ || SDL_GL_MakeCurrent(window, context_) != 0) {
      continue;
    }
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
  }
  SDL_GL_MakeCurrent(scene_, context_);
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
}

bool SdlPlatform::WindowManagerRuns() const {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (scene_ == nullptr || !SDL_GetWindowWMInfo(scene_, &info) || info.subsystem != SDL_SYSWM_X11) {
    return true;
  }
  // A window manager that follows the desktop conventions names its check window on the root.
  Display* display = info.info.x11.display;
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long left = 0;
  unsigned char* data = nullptr;
  const bool named = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                        XA_WINDOW, &type, &format, &count, &left, &data) == Success &&
                     type == XA_WINDOW && count == 1;
  if (data != nullptr) XFree(data);
  return named;
}

bool SdlPlatform::OnWayland() const {
  const char* driver = videoReady_ ? SDL_GetCurrentVideoDriver() : nullptr;
  return driver != nullptr && std::string_view(driver) == "wayland";
}

void SdlPlatform::ShowWindow(WindowHandle handle, int) {
  SDL_Window* window = Window(handle);
  if (window == nullptr) return;
  SDL_ShowWindow(window);
  // The desktop may have given the full-screen window another size than the one asked for (on
  // Wayland, the output's): the scene takes the size it got before anything is drawn.
  if (window == scene_ && events_ != nullptr) {
    int shownWidth = 0;
    int shownHeight = 0;
    SDL_GetWindowSize(window, &shownWidth, &shownHeight);
    events_->Resized(shownWidth, shownHeight);
  }
}

void SdlPlatform::SetFocus(WindowHandle handle) {
  if (SDL_Window* window = Window(handle)) {
    SDL_RaiseWindow(window);
    SDL_SetWindowInputFocus(window);
  }
}

void SdlPlatform::CloseWindow(WindowHandle handle) {
  if (SDL_Window* window = Window(handle)) SDL_HideWindow(window);
}

ScreenRect SdlPlatform::ClientRect(WindowHandle handle) {
  ScreenRect rect;
  if (SDL_Window* window = Window(handle)) SDL_GetWindowSize(window, &rect.right, &rect.bottom);
  return rect;
}

ScreenPoint SdlPlatform::ClientToScreen(WindowHandle handle, ScreenPoint point) {
  if (SDL_Window* window = Window(handle)) {
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(window, &x, &y);
    point.x += x;
    point.y += y;
  }
  return point;
}

void SdlPlatform::SetCursorPos(ScreenPoint point) {
  if (videoReady_) SDL_WarpMouseGlobal(point.x, point.y);
}

// The host's windows of another system cannot be entered from here.
WindowHandle SdlPlatform::CreatePreviewWindow(uint32_t) {
  return 0;
}

bool SdlPlatform::Handle(const void* raw) {
  const SDL_Event& event = *static_cast<const SDL_Event*>(raw);
  const uint32_t sceneId = scene_ ? SDL_GetWindowID(scene_) : 0;
  switch (event.type) {
    case SDL_QUIT:
      return true;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE && event.window.windowID == sceneId) {
        return true;
      }
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) PaintBlanking();
      // A desktop that sizes the full-screen window otherwise than asked (Wayland, a window
      // manager) gets the scene at the size the window has.
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && event.window.windowID == sceneId &&
          events_ != nullptr) {
        events_->Resized(event.window.data1, event.window.data2);
      }
      return false;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (events_ == nullptr) return false;
      // Alt, F10 and anything pressed with Alt are system keys, which the window leaves to the
      // system: they do not end the run.
      const SDL_Keycode key = event.key.keysym.sym;
      if ((event.key.keysym.mod & KMOD_ALT) || key == SDLK_LALT || key == SDLK_RALT ||
          key == SDLK_F10) {
        return false;
      }
      const uint32_t code = VirtualKeyFromSdl(key);
      if (event.type == SDL_KEYDOWN) {
        events_->KeyDown(code);
      } else {
        events_->KeyUp(code);
      }
      return false;
    }
    case SDL_MOUSEBUTTONDOWN:
      // A click on any of the run's windows counts: a desktop may never focus the scene window.
      if (events_ != nullptr &&
          (event.button.button == SDL_BUTTON_LEFT || event.button.button == SDL_BUTTON_RIGHT)) {
        events_->ButtonDown();
      }
      return false;
    case SDL_MOUSEMOTION:
      if (events_ == nullptr || event.motion.windowID != sceneId) return false;
      if (OnWayland()) {
        // No program may move the pointer on Wayland, and the pointer's arrival over the window
        // is no movement: the core's measure from the centre gets the motion since the last
        // event instead.
        if (!pointerArrived_) {
          pointerArrived_ = true;
          return false;
        }
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(scene_, &width, &height);
        events_->MouseMove(uint16_t(width / 2 + event.motion.xrel),
                           uint16_t(height / 2 + event.motion.yrel));
      } else {
        events_->MouseMove(uint16_t(event.motion.x), uint16_t(event.motion.y));
      }
      return false;
    default:
      return false;
  }
}

PumpResult SdlPlatform::PumpMessage() {
  if (posix::QuitSignal() != 0) return PumpResult::Quit;
  SDL_Event event;
  if (!videoReady_ || SDL_PollEvent(&event) == 0) return PumpResult::Idle;
  return Handle(&event) ? PumpResult::Quit : PumpResult::Dispatched;
}

void SdlPlatform::RunMessageLoop() {
  SDL_Event event;
  while (videoReady_ && SDL_WaitEvent(&event) != 0) {
    if (Handle(&event)) return;
  }
}

bool SdlPlatform::QuitRequested() {
  return posix::QuitSignal() != 0;
}

void SdlPlatform::SendLoadProgress(WindowHandle window) {
  if (Window(window) != scene_ || events_ == nullptr) return;
  inLoadProgress_ = true;
  events_->LoadProgress();
  inLoadProgress_ = false;
}

void SdlPlatform::SetSwapInterval(int interval) {
  SDL_GL_SetSwapInterval(interval);
}

void* SdlPlatform::GLFunction(const char* name) {
  return context_ != nullptr ? SDL_GL_GetProcAddress(name) : nullptr;
}

void SdlPlatform::SwapBuffers() {
  if (scene_ == nullptr) return;
  SDL_GL_SwapWindow(scene_);
  NoteSwap();
}

void SdlPlatform::NoteSwap() {
  if (!inLoadProgress_ && !firstFrameReported_) {
    firstFrameReported_ = true;
    if (std::getenv("SOLVANE_REPORT_FIRST_FRAME") != nullptr) {
      std::fprintf(stderr,
                   "solvane: first scene frame presented %.1f ms after the process started\n",
                   posix::ProcessAgeMilliseconds());
    }
  }
}

void SdlPlatform::DeleteGLContext() {
  if (context_ == nullptr) return;
  SDL_GL_MakeCurrent(scene_, nullptr);
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
  context_ = nullptr;
}

uint64_t SdlPlatform::PerformanceCounter() {
  return SDL_GetPerformanceCounter();
}
uint64_t SdlPlatform::PerformanceFrequency() {
  return SDL_GetPerformanceFrequency();
}

void SdlPlatform::SleepFor(double seconds) {
  if (seconds <= 0) return;
  // nanosleep, not SDL_Delay: a quit signal ends the wait at once.
  const double whole = static_cast<double>(static_cast<time_t>(seconds));
  const timespec wait{static_cast<time_t>(whole), static_cast<long>((seconds - whole) * 1e9)};
  nanosleep(&wait, nullptr);
}

LocalTime SdlPlatform::CurrentLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_hour, local.tm_min, local.tm_sec};
}

void SdlPlatform::LogLine(std::string_view text) {
  std::fprintf(stderr, "solvane: %.*s\n", int(text.size()), text.data());
}

void SdlPlatform::ShowMessage(std::string_view text, std::string_view caption) {
  const std::string textZ(text);
  const std::string captionZ(caption);
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, captionZ.c_str(), textZ.c_str(),
                               nullptr) != 0) {
    std::fprintf(stderr, "%s: %s\n", captionZ.empty() ? "solvane" : captionZ.c_str(),
                 textZ.c_str());
  }
}

std::string SdlPlatform::CreateTemporaryFile(std::string_view prefix) {
  return posix::CreateTemporaryFile(prefix);
}
bool SdlPlatform::WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  return posix::WriteWholeFile(path, bytes);
}
void SdlPlatform::RemoveFile(const std::string& path) {
  posix::RemoveFile(path);
}
ModuleHandle SdlPlatform::OpenModule(const std::string& path) {
  return posix::OpenModule(path);
}
void* SdlPlatform::ModuleSymbol(ModuleHandle module, const char* name) {
  return posix::ModuleSymbol(module, name);
}
void SdlPlatform::CloseModule(ModuleHandle module) {
  posix::CloseModule(module);
}

}  // namespace solvane
