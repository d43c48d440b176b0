#include "platform/sdl/x11_host_platform.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/posix_files.h"

namespace solvane {

namespace {

// The window may vanish at any time (the host destroys it when the user comes back), and every
// call that touches it then fails with an error event. Xlib's default handler would end the
// process on the spot, leaving the music and its module behind: the errors are noted instead,
// and the run ends in order at its next frame.
struct XErrorNote {
  unsigned long resource = 0;
  int code = 0;
  int count = 0;
};
XErrorNote lastXError;

int NoteXError(Display*, XErrorEvent* error) {
  lastXError = {error->resourceid, error->error_code, lastXError.count + 1};
  return 0;
}

// The connection itself is gone (the X server ended): nothing can be drawn or restored any more,
// and Xlib ends the process when this returns.
int DisplayLost(Display*) {
  std::fputs("solvane: the connection to the display was lost\n", stderr);
  std::_Exit(1);
}

std::string Hex(unsigned long id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

Display* AsDisplay(void* display) {
  return static_cast<Display*>(display);
}

// The scene needs a double-buffered RGB visual with a depth buffer.
bool DrawableVisual(Display* display, XVisualInfo* info) {
  const auto get = [&](int attribute) {
    int value = 0;
    return glXGetConfig(display, info, attribute, &value) == 0 ? value : 0;
  };
  return get(GLX_USE_GL) && get(GLX_RGBA) && get(GLX_DOUBLEBUFFER) && get(GLX_DEPTH_SIZE) >= 16 &&
         get(GLX_RED_SIZE) >= 5;
}

}  // namespace

X11HostPlatform::X11HostPlatform(std::string commandLine, std::string settingsPath)
    : PlacedSurfacePlatform(std::move(commandLine), std::move(settingsPath)) {}

X11HostPlatform::~X11HostPlatform() {
  DeleteGLContext();
  if (display_ != nullptr) XCloseDisplay(AsDisplay(display_));
}

std::string X11HostPlatform::Attach(uint32_t window) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("DISPLAY");
    return std::string("cannot open the display '") + (name ? name : "") + "'";
  }
  display_ = display;
  XSetErrorHandler(NoteXError);
  XSetIOErrorHandler(DisplayLost);

  const bool root = window == 0;
  target_ = root ? DefaultRootWindow(display) : window;
  const std::string name = root ? "the root window" : "window " + Hex(target_);
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display, target_, &attributes) == 0) return "there is no " + name;
  if (attributes.c_class == InputOnly) return name + " is input-only: nothing can be drawn in it";
  if (attributes.width <= 0 || attributes.height <= 0) return name + " has no area";
  int errorBase = 0;
  int eventBase = 0;
  if (!glXQueryExtension(display, &errorBase, &eventBase)) {
    return "the display has no OpenGL (GLX)";
  }

  XVisualInfo wanted{};
  wanted.visualid = XVisualIDFromVisual(attributes.visual);
  wanted.screen = XScreenNumberOfScreen(attributes.screen);
  int count = 0;
  XVisualInfo* visual = XGetVisualInfo(display, VisualIDMask | VisualScreenMask, &wanted, &count);
  if (visual == nullptr || !DrawableVisual(display, visual)) {
    // The window's own visual cannot carry the scene: draw into a child of it that has one.
    // Not for the root window, where a child would be a new window on the desktop.
    if (visual != nullptr) XFree(visual);
    if (root) return "the root window's visual has no double-buffered OpenGL";
    int attributeList[] = {
        GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8,   GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE,
        8,        GLX_DEPTH_SIZE,   16,           None};
    visual = glXChooseVisual(display, wanted.screen, attributeList);
    if (visual == nullptr) return "the display offers no double-buffered OpenGL visual";
    XSetWindowAttributes child{};
    child.colormap = XCreateColormap(display, target_, visual->visual, AllocNone);
    child.background_pixel = BlackPixel(display, wanted.screen);
    child.border_pixel = 0;
    child.event_mask = StructureNotifyMask;
    drawable_ =
        XCreateWindow(display, target_, 0, 0, unsigned(attributes.width),
                      unsigned(attributes.height), 0, visual->depth, InputOutput, visual->visual,
                      CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &child);
    ownChild_ = true;
    XMapWindow(display, drawable_);
  } else {
    drawable_ = target_;
  }
  // Only the window's fate and size are of interest: its input stays the host's.
  XSelectInput(display, target_, StructureNotifyMask);

  GLXContext context = glXCreateContext(display, visual, nullptr, True);
  if (context == nullptr) context = glXCreateContext(display, visual, nullptr, False);
  depth_ = visual->depth;
  XFree(visual);
  if (context == nullptr) return "cannot make an OpenGL context for " + name;
  context_ = context;
  XSync(display, False);
  lastXError = {};
  if (!glXMakeCurrent(display, drawable_, context)) return "cannot draw into " + name;
  XSync(display, False);
  if (lastXError.count != 0) return "cannot draw into " + name;
  width_ = attributes.width;
  height_ = attributes.height;
  return {};
}

// The host's window stands for the display: the run's mode is the window's size.
DisplayMode X11HostPlatform::CurrentDisplayMode() {
  return {width_, height_, depth_ >= 24 ? 32 : depth_};
}

WindowHandle X11HostPlatform::CreateSceneWindow(int32_t, int32_t, WindowEvents& events) {
  if (context_ == nullptr) return 0;
  events_ = &events;
  return 1;
}

ScreenRect X11HostPlatform::ClientRect(WindowHandle) {
  return {0, 0, width_, height_};
}

bool X11HostPlatform::WindowGone() {
  if (!gone_ && lastXError.count != 0 &&
      (lastXError.resource == target_ || lastXError.resource == drawable_)) {
    gone_ = true;
  }
  return gone_;
}

PumpResult X11HostPlatform::PumpMessage() {
  if (posix::QuitSignal() != 0 || WindowGone()) return PumpResult::Quit;
  Display* display = AsDisplay(display_);
  if (display == nullptr || XPending(display) == 0) return PumpResult::Idle;
  XEvent event;
  XNextEvent(display, &event);
  switch (event.type) {
    case DestroyNotify:
      if (event.xdestroywindow.window == target_ || event.xdestroywindow.window == drawable_) {
        gone_ = true;
        return PumpResult::Quit;
      }
      break;
    case ConfigureNotify: {
      const XConfigureEvent& configure = event.xconfigure;
      if (configure.window != target_) break;
      if (configure.width == width_ && configure.height == height_) break;
      width_ = configure.width;
      height_ = configure.height;
      if (ownChild_) XResizeWindow(display, drawable_, unsigned(width_), unsigned(height_));
      if (events_ != nullptr) events_->Resized(width_, height_);
      break;
    }
    default:
      break;
  }
  return PumpResult::Dispatched;
}

void X11HostPlatform::RunMessageLoop() {
  while (PumpMessage() != PumpResult::Quit) SleepFor(0.01);
}

void X11HostPlatform::SendLoadProgress(WindowHandle) {
  if (events_ != nullptr && !WindowGone()) events_->LoadProgress();
}

void X11HostPlatform::SwapBuffers() {
  if (context_ != nullptr && !WindowGone()) glXSwapBuffers(AsDisplay(display_), drawable_);
}

void* X11HostPlatform::GLFunction(const char* name) {
  if (context_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

void X11HostPlatform::DeleteGLContext() {
  Display* display = AsDisplay(display_);
  if (display == nullptr) return;
  if (context_ != nullptr) {
    glXMakeCurrent(display, None, nullptr);
    glXDestroyContext(display, static_cast<GLXContext>(context_));
    context_ = nullptr;
  }
  if (ownChild_ && !WindowGone()) XDestroyWindow(display, drawable_);
  ownChild_ = false;
  XSync(display, False);
}

}  // namespace solvane
