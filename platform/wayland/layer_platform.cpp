#include "platform/wayland/layer_platform.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/posix/posix_files.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace solvane {

namespace {

// A surface whose frame callback has not come for this long is drawn again anyway: a compositor
// may hold back the callbacks of a surface nobody sees, and drawing must never wait on one.
constexpr uint64_t kFramePatienceMs = 1000;
// The longest wait for the compositor while no surface wants a frame; quit signals cut it short.
constexpr int kIdleWaitMs = 50;

constexpr uint32_t kAllEdges =
    ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;

struct Output {
  WaylandLayerPlatform::Client* client = nullptr;
  uint32_t globalName = 0;
  wl_output* output = nullptr;
  zxdg_output_v1* xdgOutput = nullptr;
  std::string name;
  int32_t scale = 1;
  bool announced = false;   // wl_output.done came: its properties are known
  bool served = false;      // it was given its surface (once: one the compositor closed stays so)
  bool xdgSettled = false;  // the extended output told its name, or that it has said all
};

struct View {
  WaylandLayerPlatform::Client* client = nullptr;
  Output* output = nullptr;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layerSurface = nullptr;
  wl_egl_window* window = nullptr;
  EGLSurface eglSurface = EGL_NO_SURFACE;
  wl_callback* frame = nullptr;
  uint64_t frameAskedMs = 0;
  uint32_t width = 0;  // in surface units, as the compositor configured it
  uint32_t height = 0;
  int32_t bufferScale = 1;  // the scale the window's buffers are made at
  int32_t bufferWidth = 0;  // their size in pixels
  int32_t bufferHeight = 0;
  bool closed = false;
  bool intervalSet = false;
};

struct Seat {
  WaylandLayerPlatform::Client* client = nullptr;
  uint32_t globalName = 0;
  wl_seat* seat = nullptr;
  wl_pointer* pointer = nullptr;
  wl_keyboard* keyboard = nullptr;
  double lastX = 0;  // the pointer's last position on the surface it is over, in pixels
  double lastY = 0;
  int32_t scale = 1;  // of that surface
  bool leftAlt = false;
  bool rightAlt = false;
};

}  // namespace

struct WaylandLayerPlatform::Client {
  bool overlay = true;
  std::vector<std::string> wanted;
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_compositor* compositor = nullptr;
  uint32_t compositorVersion = 0;
  zwlr_layer_shell_v1* layerShell = nullptr;
  zxdg_output_manager_v1* xdgOutputs = nullptr;
  std::vector<std::unique_ptr<Output>> outputs;
  std::vector<std::unique_ptr<Seat>> seats;
  std::vector<std::unique_ptr<View>> views;
  EGLDisplay egl = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
  EGLContext context = EGL_NO_CONTEXT;
  bool surfaceless = false;  // the context can be current without a surface
  size_t current = 0;        // the view drawing goes to
  bool started = false;      // outputs announced from now on get their surface at once
  bool ended = false;        // every surface is gone: the run is over
  bool lost = false;
  bool viewFailed = false;  // a surface could not be drawn on
  WindowEvents* events = nullptr;
  double travelX = 0;  // pointer motion since the core last centred the pointer, in pixels
  double travelY = 0;

  bool Wanted(const Output& output) const {
    return wanted.empty() || std::find(wanted.begin(), wanted.end(), output.name) != wanted.end();
  }
  void AddView(Output& output);
  void OutputKnown(Output& output);
  void DestroyView(View& view);
  void RemoveOutput(uint32_t globalName);
  void RemoveClosedViews();
  bool Prepare(View& view);
  bool Ready(const View& view, uint64_t now) const;
  void Lose();
  void ReportMotion(Seat& seat, double x, double y);
  View* ViewOf(wl_surface* surface) {
    for (auto& view : views)
      if (view->surface == surface) return view.get();
    return nullptr;
  }
};

namespace {

using Client = WaylandLayerPlatform::Client;

// Listeners. Each event the bound versions can send has an entry; unused ones do nothing.

// Converts to a listener entry of any type.
constexpr auto Nothing = [](auto...) {};

const wl_callback_listener kFrameListener = {
    [](void* data, wl_callback* callback, uint32_t) {
      auto* view = static_cast<View*>(data);
      if (view->frame == callback) view->frame = nullptr;
      wl_callback_destroy(callback);
    },
};

const zwlr_layer_surface_v1_listener kLayerSurfaceListener = {
    [](void* data, zwlr_layer_surface_v1* surface, uint32_t serial, uint32_t width,
       uint32_t height) {
      auto* view = static_cast<View*>(data);
      zwlr_layer_surface_v1_ack_configure(surface, serial);
      // Anchored to every edge, the surface is as large as the output; a zero would mean that
      // the size is this client's to choose, which it leaves alone.
      if (width > 0 && height > 0) {
        view->width = width;
        view->height = height;
      }
    },
    [](void* data, zwlr_layer_surface_v1*) { static_cast<View*>(data)->closed = true; },
};

const wl_output_listener kOutputListener = {
    Nothing,
    Nothing,
    [](void* data, wl_output*) {
      auto* output = static_cast<Output*>(data);
      output->announced = true;
      output->client->OutputKnown(*output);
    },
    [](void* data, wl_output*, int32_t scale) {
      static_cast<Output*>(data)->scale = std::clamp(scale, 1, 16);
    },
    [](void* data, wl_output*, const char* name) { static_cast<Output*>(data)->name = name; },
    Nothing,
};

const zxdg_output_v1_listener kXdgOutputListener = {
    Nothing,
    Nothing,
    [](void* data, zxdg_output_v1*) {
      auto* output = static_cast<Output*>(data);
      output->xdgSettled = true;
      output->client->OutputKnown(*output);
    },
    [](void* data, zxdg_output_v1*, const char* name) {
      auto* output = static_cast<Output*>(data);
      output->name = name;
      output->xdgSettled = true;
    },
    Nothing,
};

const wl_pointer_listener kPointerListener = {
    [](void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x,
       wl_fixed_t y) {
      auto* seat = static_cast<Seat*>(data);
      wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
      const View* view = seat->client->ViewOf(surface);
      seat->scale = view != nullptr ? view->bufferScale : 1;
      seat->lastX = wl_fixed_to_double(x) * seat->scale;
      seat->lastY = wl_fixed_to_double(y) * seat->scale;
    },
    Nothing,
    [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
      auto* seat = static_cast<Seat*>(data);
      seat->client->ReportMotion(*seat, wl_fixed_to_double(x) * seat->scale,
                                 wl_fixed_to_double(y) * seat->scale);
    },
    [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
      const Client* client = static_cast<Seat*>(data)->client;
      if (state == WL_POINTER_BUTTON_STATE_PRESSED && client->events != nullptr &&
          (button == BTN_LEFT || button == BTN_RIGHT)) {
        client->events->ButtonDown();
      }
    },
    Nothing,
    Nothing,
    Nothing,
    Nothing,
    Nothing,
    Nothing,
};

const wl_keyboard_listener kKeyboardListener = {
    // The key codes are read as positions; the keymap is not needed and its descriptor goes.
    [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); },
    Nothing,
    Nothing,
    [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
      auto* seat = static_cast<Seat*>(data);
      const bool down = state == WL_KEYBOARD_KEY_STATE_PRESSED;
      if (key == KEY_LEFTALT) seat->leftAlt = down;
      if (key == KEY_RIGHTALT) seat->rightAlt = down;
      WindowEvents* events = seat->client->events;
      // Alt, F10 and anything pressed with Alt are the system's keys, as in a full-screen run:
      // they do not end the run.
      if (events == nullptr || key == KEY_LEFTALT || key == KEY_RIGHTALT || key == KEY_F10) return;
      if (!down) return events->KeyUp(VirtualKeyFromEvdev(key));
      if (!seat->leftAlt && !seat->rightAlt) events->KeyDown(VirtualKeyFromEvdev(key));
    },
    Nothing,
    Nothing,
};

const wl_seat_listener kSeatListener = {
    [](void* data, wl_seat* wlSeat, uint32_t capabilities) {
      auto* seat = static_cast<Seat*>(data);
      const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
      const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
      if (pointer && seat->pointer == nullptr) {
        seat->pointer = wl_seat_get_pointer(wlSeat);
        wl_pointer_add_listener(seat->pointer, &kPointerListener, seat);
      } else if (!pointer && seat->pointer != nullptr) {
        wl_pointer_release(seat->pointer);
        seat->pointer = nullptr;
      }
      if (keyboard && seat->keyboard == nullptr) {
        seat->keyboard = wl_seat_get_keyboard(wlSeat);
        wl_keyboard_add_listener(seat->keyboard, &kKeyboardListener, seat);
      } else if (!keyboard && seat->keyboard != nullptr) {
        wl_keyboard_release(seat->keyboard);
        seat->keyboard = nullptr;
      }
    },
    Nothing,
};

void DestroySeat(Seat& seat) {
  if (seat.pointer != nullptr) wl_pointer_release(seat.pointer);
  if (seat.keyboard != nullptr) wl_keyboard_release(seat.keyboard);
  if (wl_seat_get_version(seat.seat) >= WL_SEAT_RELEASE_SINCE_VERSION) {
    wl_seat_release(seat.seat);
  } else {
    wl_seat_destroy(seat.seat);
  }
}

void DestroyOutput(Output& output) {
  if (output.xdgOutput != nullptr) zxdg_output_v1_destroy(output.xdgOutput);
  if (wl_output_get_version(output.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
    wl_output_release(output.output);
  } else {
    wl_output_destroy(output.output);
  }
}

void WatchOutput(Client& client, Output& output) {
  if (client.xdgOutputs == nullptr || output.xdgOutput != nullptr) return;
  output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(client.xdgOutputs, output.output);
  zxdg_output_v1_add_listener(output.xdgOutput, &kXdgOutputListener, &output);
}

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface& interface, uint32_t offered,
        uint32_t highest) {
  return static_cast<T*>(wl_registry_bind(registry, name, &interface, std::min(offered, highest)));
}

const wl_registry_listener kRegistryListener = {
    [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
      auto* client = static_cast<Client*>(data);
      const std::string_view kind = interface;
      if (kind == wl_compositor_interface.name && client->compositor == nullptr) {
        client->compositor =
            Bind<wl_compositor>(registry, name, wl_compositor_interface, version, 4);
        client->compositorVersion = std::min(version, 4u);
      } else if (kind == zwlr_layer_shell_v1_interface.name && client->layerShell == nullptr) {
        client->layerShell =
            Bind<zwlr_layer_shell_v1>(registry, name, zwlr_layer_shell_v1_interface, version, 1);
      } else if (kind == zxdg_output_manager_v1_interface.name && client->xdgOutputs == nullptr) {
        client->xdgOutputs = Bind<zxdg_output_manager_v1>(
            registry, name, zxdg_output_manager_v1_interface, version, 3);
        for (auto& output : client->outputs) WatchOutput(*client, *output);
      } else if (kind == wl_output_interface.name) {
        auto output = std::make_unique<Output>();
        output->client = client;
        output->globalName = name;
        output->output = Bind<wl_output>(registry, name, wl_output_interface, version, 4);
        wl_output_add_listener(output->output, &kOutputListener, output.get());
        WatchOutput(*client, *output);
        client->outputs.push_back(std::move(output));
      } else if (kind == wl_seat_interface.name && client->overlay) {
        // A wallpaper takes no input at all: it does not even ask for the seats.
        auto seat = std::make_unique<Seat>();
        seat->client = client;
        seat->globalName = name;
        seat->seat = Bind<wl_seat>(registry, name, wl_seat_interface, version, 3);
        wl_seat_add_listener(seat->seat, &kSeatListener, seat.get());
        client->seats.push_back(std::move(seat));
      }
    },
    [](void* data, wl_registry*, uint32_t name) {
      auto* client = static_cast<Client*>(data);
      client->RemoveOutput(name);
      auto& seats = client->seats;
      for (auto it = seats.begin(); it != seats.end(); ++it) {
        if ((*it)->globalName != name) continue;
        DestroySeat(**it);
        seats.erase(it);
        break;
      }
    },
};

}  // namespace

void Client::OutputKnown(Output& output) {
  if (!started || !output.announced || (output.xdgOutput != nullptr && !output.xdgSettled)) return;
  if (!output.served && Wanted(output)) AddView(output);
}

void Client::AddView(Output& output) {
  output.served = true;
  auto view = std::make_unique<View>();
  view->client = this;
  view->output = &output;
  view->surface = wl_compositor_create_surface(compositor);
  view->layerSurface = zwlr_layer_shell_v1_get_layer_surface(
      layerShell, view->surface, output.output,
      overlay ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
      "solvane");
  zwlr_layer_surface_v1_set_anchor(view->layerSurface, kAllEdges);
  // -1: the whole output, panels' reserved zones included.
  zwlr_layer_surface_v1_set_exclusive_zone(view->layerSurface, -1);
  zwlr_layer_surface_v1_set_keyboard_interactivity(view->layerSurface, overlay ? 1 : 0);
  if (!overlay) {
    // An empty input region: clicks go through to the desktop's own background handling.
    wl_region* none = wl_compositor_create_region(compositor);
    wl_surface_set_input_region(view->surface, none);
    wl_region_destroy(none);
  }
  zwlr_layer_surface_v1_add_listener(view->layerSurface, &kLayerSurfaceListener, view.get());
  wl_surface_commit(view->surface);
  views.push_back(std::move(view));
}

void Client::DestroyView(View& view) {
  if (view.frame != nullptr) wl_callback_destroy(view.frame);
  if (view.eglSurface != EGL_NO_SURFACE) {
    if (eglGetCurrentSurface(EGL_DRAW) == view.eglSurface) {
      eglMakeCurrent(egl, EGL_NO_SURFACE, EGL_NO_SURFACE, surfaceless ? context : EGL_NO_CONTEXT);
    }
    eglDestroySurface(egl, view.eglSurface);
  }
  if (view.window != nullptr) wl_egl_window_destroy(view.window);
  zwlr_layer_surface_v1_destroy(view.layerSurface);
  wl_surface_destroy(view.surface);
}

void Client::RemoveClosedViews() {
  const size_t before = views.size();
  for (auto it = views.begin(); it != views.end();) {
    if ((*it)->closed) {
      DestroyView(**it);
      it = views.erase(it);
    } else {
      ++it;
    }
  }
  if (views.size() != before) current = 0;
  // The outputs drawn on are all gone, or the compositor closed every surface: nothing is left
  // to show, and the run is over.
  if (started && views.empty()) ended = true;
}

void Client::RemoveOutput(uint32_t globalName) {
  for (auto it = outputs.begin(); it != outputs.end(); ++it) {
    Output& output = **it;
    if (output.globalName != globalName) continue;
    for (auto& view : views)
      if (view->output == &output) view->closed = true;
    RemoveClosedViews();
    DestroyOutput(output);
    outputs.erase(it);
    return;
  }
}

// The window and its EGL surface at the configured size and the output's scale.
bool Client::Prepare(View& view) {
  const int32_t scale = compositorVersion >= 3 ? view.output->scale : 1;
  const int32_t width = int32_t(view.width) * scale;
  const int32_t height = int32_t(view.height) * scale;
  if (view.window == nullptr) {
    view.window = wl_egl_window_create(view.surface, width, height);
    if (view.window == nullptr) return false;
    view.eglSurface = eglCreateWindowSurface(
        egl, config, reinterpret_cast<EGLNativeWindowType>(view.window), nullptr);
    if (view.eglSurface == EGL_NO_SURFACE) {
      std::fprintf(stderr, "solvane: cannot draw on output %s (EGL error 0x%x)\n",
                   view.output->name.c_str(), eglGetError());
      view.closed = true;
      viewFailed = true;
      return false;
    }
  } else if (width != view.bufferWidth || height != view.bufferHeight) {
    wl_egl_window_resize(view.window, width, height, 0, 0);
  }
  view.bufferWidth = width;
  view.bufferHeight = height;
  // The scale goes with the next buffer, whose size is a multiple of it.
  if (compositorVersion >= 3 && scale != view.bufferScale) {
    wl_surface_set_buffer_scale(view.surface, scale);
  }
  view.bufferScale = scale;
  return true;
}

bool Client::Ready(const View& view, uint64_t now) const {
  return !view.closed && view.width > 0 && view.height > 0 &&
         (view.frame == nullptr || now - view.frameAskedMs >= kFramePatienceMs);
}

void Client::Lose() {
  if (!lost) std::fputs("solvane: the connection to the Wayland compositor was lost\n", stderr);
  lost = true;
}

void Client::ReportMotion(Seat& seat, double x, double y) {
  travelX += x - seat.lastX;
  travelY += y - seat.lastY;
  seat.lastX = x;
  seat.lastY = y;
  if (events == nullptr || views.empty()) return;
  const View& view = *views[std::min(current, views.size() - 1)];
  const double width = double(view.width) * view.bufferScale;
  const double height = double(view.height) * view.bufferScale;
  // The core measures travel from the centre of the scene window: the centre plus the motion
  // since it last put the pointer there, kept inside the surface as a real pointer would be.
  const double reportedX = std::clamp(width / 2 + travelX, 0.0, std::max(width - 1, 0.0));
  const double reportedY = std::clamp(height / 2 + travelY, 0.0, std::max(height - 1, 0.0));
  events->MouseMove(uint16_t(std::min(reportedX, 65535.0)), uint16_t(std::min(reportedY, 65535.0)));
}

WaylandLayerPlatform::WaylandLayerPlatform(std::string commandLine, std::string settingsPath,
                                           bool overlay, std::vector<std::string> outputs)
    : PlacedSurfacePlatform(std::move(commandLine), std::move(settingsPath)),
      client_(std::make_unique<Client>()) {
  client_->overlay = overlay;
  client_->wanted = std::move(outputs);
}

WaylandLayerPlatform::~WaylandLayerPlatform() {
  Client& c = *client_;
  for (auto& view : c.views) c.DestroyView(*view);
  c.views.clear();
  DeleteGLContext();
  if (c.egl != EGL_NO_DISPLAY) eglTerminate(c.egl);
  for (auto& seat : c.seats) DestroySeat(*seat);
  for (auto& output : c.outputs) DestroyOutput(*output);
  if (c.xdgOutputs != nullptr) zxdg_output_manager_v1_destroy(c.xdgOutputs);
  if (c.layerShell != nullptr) zwlr_layer_shell_v1_destroy(c.layerShell);
  if (c.compositor != nullptr) wl_compositor_destroy(c.compositor);
  if (c.registry != nullptr) wl_registry_destroy(c.registry);
  if (c.display != nullptr) {
    wl_display_flush(c.display);
    wl_display_disconnect(c.display);
  }
}

WaylandLayerPlatform::Failure WaylandLayerPlatform::Connect() {
  Client& c = *client_;
  const char* name = std::getenv("WAYLAND_DISPLAY");
  const char* socket = std::getenv("WAYLAND_SOCKET");
  // libwayland would try "wayland-0" for an unset name: that may be another session's desktop.
  if ((name == nullptr || name[0] == '\0') && (socket == nullptr || socket[0] == '\0')) {
    return {1, "no Wayland display to run on ($WAYLAND_DISPLAY is not set)"};
  }
  c.display = wl_display_connect(nullptr);
  if (c.display == nullptr) {
    return {1, std::string("cannot connect to the Wayland display '") + (name ? name : "") + "'"};
  }
  c.registry = wl_display_get_registry(c.display);
  wl_registry_add_listener(c.registry, &kRegistryListener, &c);
  // The globals, then what the outputs say about themselves (names come from the extended
  // outputs bound in the first answer).
  for (int i = 0; i < 3; ++i) {
    if (wl_display_roundtrip(c.display) < 0) return {1, "the Wayland compositor hung up"};
  }
  if (c.layerShell == nullptr || c.compositor == nullptr) {
    return {1,
            "the compositor does not offer layer-shell surfaces (zwlr_layer_shell_v1); "
            "'solvane /s' runs full screen on it"};
  }
  for (const std::string& wanted : c.wanted) {
    const bool known = std::any_of(c.outputs.begin(), c.outputs.end(),
                                   [&](const auto& output) { return output->name == wanted; });
    if (known) continue;
    std::string names;
    for (const auto& output : c.outputs) names += (names.empty() ? "" : ", ") + output->name;
    return {2, "no output named '" + wanted + "' (the outputs are: " + names + ")"};
  }
  if (c.outputs.empty()) return {1, "the compositor has no outputs to draw on"};

  c.egl = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, c.display, nullptr);
  if (c.egl == EGL_NO_DISPLAY || !eglInitialize(c.egl, nullptr, nullptr)) {
    c.egl = EGL_NO_DISPLAY;
    return {1, "no EGL on the Wayland display"};
  }
  if (!eglBindAPI(EGL_OPENGL_API)) return {1, "the EGL driver has no desktop OpenGL"};
  const EGLint wanted[] = {EGL_SURFACE_TYPE,
                           EGL_WINDOW_BIT,
                           EGL_RENDERABLE_TYPE,
                           EGL_OPENGL_BIT,
                           EGL_RED_SIZE,
                           8,
                           EGL_GREEN_SIZE,
                           8,
                           EGL_BLUE_SIZE,
                           8,
                           EGL_DEPTH_SIZE,
                           16,
                           EGL_NONE};
  EGLConfig configs[64];
  EGLint count = 0;
  eglChooseConfig(c.egl, wanted, configs, 64, &count);
  // No alpha channel: the compositor would blend the scene's alpha with whatever lies below.
  for (EGLint i = 0; i < count && c.config == nullptr; ++i) {
    EGLint alpha = 0;
    eglGetConfigAttrib(c.egl, configs[i], EGL_ALPHA_SIZE, &alpha);
    if (alpha == 0) c.config = configs[i];
  }
  if (c.config == nullptr) return {1, "EGL offers no opaque double-buffered OpenGL configuration"};
  c.context = eglCreateContext(c.egl, c.config, EGL_NO_CONTEXT, nullptr);
  if (c.context == EGL_NO_CONTEXT) return {1, "cannot make an OpenGL context through EGL"};
  const char* extensions = eglQueryString(c.egl, EGL_EXTENSIONS);
  c.surfaceless = extensions != nullptr && std::strstr(extensions, "EGL_KHR_surfaceless_context");

  c.started = true;
  for (auto& output : c.outputs) c.OutputKnown(*output);
  if (wl_display_roundtrip(c.display) < 0) return {1, "the Wayland compositor hung up"};
  c.RemoveClosedViews();
  const uint64_t now = posix::MonotonicMilliseconds();
  if (std::none_of(c.views.begin(), c.views.end(),
                   [&](const auto& view) { return c.Ready(*view, now); })) {
    return {1, "the compositor gave the layer surfaces no size"};
  }
  return {};
}

bool WaylandLayerPlatform::Failed() const {
  return client_->lost || (client_->ended && client_->viewFailed);
}

DisplayMode WaylandLayerPlatform::CurrentDisplayMode() {
  for (const auto& view : client_->views) {
    const int32_t scale = client_->compositorVersion >= 3 ? view->output->scale : 1;
    if (view->width > 0) return {int32_t(view->width) * scale, int32_t(view->height) * scale, 32};
  }
  return {800, 600, 32};
}

WindowHandle WaylandLayerPlatform::CreateSceneWindow(int32_t, int32_t, WindowEvents& events) {
  Client& c = *client_;
  int32_t width = 0;
  int32_t height = 0;
  for (uint32_t i = 0; i < c.views.size(); ++i) {
    if (SelectView(i, width, height)) {
      c.events = &events;
      return 1;
    }
  }
  return 0;
}

ScreenRect WaylandLayerPlatform::ClientRect(WindowHandle) {
  const Client& c = *client_;
  if (c.views.empty()) return {};
  const View& view = *c.views[std::min(c.current, c.views.size() - 1)];
  return {0, 0, int32_t(view.width) * view.bufferScale, int32_t(view.height) * view.bufferScale};
}

void WaylandLayerPlatform::SetCursorPos(ScreenPoint) {
  client_->travelX = 0;
  client_->travelY = 0;
}

uint32_t WaylandLayerPlatform::ViewCount() {
  return uint32_t(client_->views.size());
}

bool WaylandLayerPlatform::SelectView(uint32_t index, int32_t& width, int32_t& height) {
  Client& c = *client_;
  if (c.lost || index >= c.views.size()) return false;
  View& view = *c.views[index];
  if (!c.Ready(view, posix::MonotonicMilliseconds()) || !c.Prepare(view)) return false;
  if (!eglMakeCurrent(c.egl, view.eglSurface, view.eglSurface, c.context)) return false;
  if (!view.intervalSet) {
    // Frame callbacks pace the drawing: a swap must never wait for one of its own.
    eglSwapInterval(c.egl, 0);
    view.intervalSet = true;
  }
  c.current = index;
  width = int32_t(view.width) * view.bufferScale;
  height = int32_t(view.height) * view.bufferScale;
  return true;
}

void WaylandLayerPlatform::SwapBuffers() {
  Client& c = *client_;
  if (c.lost || c.current >= c.views.size()) return;
  View& view = *c.views[c.current];
  if (view.eglSurface == EGL_NO_SURFACE || eglGetCurrentSurface(EGL_DRAW) != view.eglSurface) {
    return;
  }
  // A callback given up on is replaced; the swap's commit carries the new request.
  if (view.frame != nullptr) wl_callback_destroy(view.frame);
  view.frame = wl_surface_frame(view.surface);
  wl_callback_add_listener(view.frame, &kFrameListener, &view);
  view.frameAskedMs = posix::MonotonicMilliseconds();
  if (!eglSwapBuffers(c.egl, view.eglSurface) && wl_display_get_error(c.display) != 0) c.Lose();
  NoteSwap();
}

PumpResult WaylandLayerPlatform::PumpMessage() {
  Client& c = *client_;
  if (posix::QuitSignal() != 0 || c.lost || c.ended) return PumpResult::Quit;
  int dispatched = wl_display_dispatch_pending(c.display);
  if (dispatched == 0 && wl_display_prepare_read(c.display) == 0) {
    if (wl_display_flush(c.display) < 0 && errno != EAGAIN) {
      wl_display_cancel_read(c.display);
      c.Lose();
      return PumpResult::Quit;
    }
    const uint64_t now = posix::MonotonicMilliseconds();
    const bool wanting = std::any_of(c.views.begin(), c.views.end(),
                                     [&](const auto& view) { return c.Ready(*view, now); });
    pollfd fd{wl_display_get_fd(c.display), POLLIN, 0};
    if (poll(&fd, 1, wanting ? 0 : kIdleWaitMs) <= 0) {
      wl_display_cancel_read(c.display);
    } else if (wl_display_read_events(c.display) < 0) {
      c.Lose();
      return PumpResult::Quit;
    }
    dispatched = wl_display_dispatch_pending(c.display);
  }
  if (dispatched < 0 || wl_display_get_error(c.display) != 0) {
    c.Lose();
    return PumpResult::Quit;
  }
  c.RemoveClosedViews();
  if (c.ended) return PumpResult::Quit;
  return dispatched > 0 ? PumpResult::Dispatched : PumpResult::Idle;
}

void WaylandLayerPlatform::RunMessageLoop() {
  while (PumpMessage() != PumpResult::Quit) {
  }
}

void WaylandLayerPlatform::SendLoadProgress(WindowHandle) {
  if (client_->events == nullptr || client_->lost) return;
  inLoadProgress_ = true;
  client_->events->LoadProgress();
  inLoadProgress_ = false;
}

bool WaylandLayerPlatform::HasGLContext() {
  return client_->context != EGL_NO_CONTEXT;
}

void WaylandLayerPlatform::DeleteGLContext() {
  Client& c = *client_;
  if (c.context == EGL_NO_CONTEXT) return;
  eglMakeCurrent(c.egl, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(c.egl, c.context);
  c.context = EGL_NO_CONTEXT;
}

void* WaylandLayerPlatform::GLFunction(const char* name) {
  if (client_->context == EGL_NO_CONTEXT) return nullptr;
  return reinterpret_cast<void*>(eglGetProcAddress(name));
}

uint32_t VirtualKeyFromEvdev(uint32_t code) {
  // The rows of letters and the digits, by key code from KEY_1 (2) to KEY_M (50); blanks have
  // no letter or digit.
  static constexpr char kRows[] = "1234567890....QWERTYUIOP....ASDFGHJKL.....ZXCVBNM";
  if (code >= KEY_1 && code <= KEY_M && kRows[code - KEY_1] != '.') {
    return uint32_t(kRows[code - KEY_1]);
  }
  if (code >= KEY_F1 && code <= KEY_F10) return 0x70 + (code - KEY_F1);
  switch (code) {
    case KEY_ESC:
      return 0x1B;
    case KEY_BACKSPACE:
      return 0x08;
    case KEY_TAB:
      return 0x09;
    case KEY_ENTER:
    case KEY_KPENTER:
      return 0x0D;
    case KEY_LEFTSHIFT:
    case KEY_RIGHTSHIFT:
      return 0x10;
    case KEY_LEFTCTRL:
    case KEY_RIGHTCTRL:
      return 0x11;
    case KEY_SPACE:
      return 0x20;
    case KEY_F11:
      return 0x7A;
    case KEY_F12:
      return 0x7B;
    case KEY_PAGEUP:
      return 0x21;
    case KEY_PAGEDOWN:
      return 0x22;
    case KEY_END:
      return 0x23;
    case KEY_HOME:
      return 0x24;
    case KEY_LEFT:
      return 0x25;
    case KEY_UP:
      return 0x26;
    case KEY_RIGHT:
      return 0x27;
    case KEY_DOWN:
      return 0x28;
    case KEY_INSERT:
      return 0x2D;
    case KEY_DELETE:
      return 0x2E;
    default:
      return 0;
  }
}

}  // namespace solvane
