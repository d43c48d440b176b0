// Idle time on a Wayland desktop: the compositor says when a seat has gone idle and when its
// user is back. ext-idle-notify is the common protocol; compositors that predate it (wlroots up
// to 0.16, older KWin) offer the KDE idle protocol with the same two events. Both honour the
// idle inhibitors of full-screen players, so the watcher needs no check of its own.
#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"
#include "platform/idle/idle_source.h"

namespace solvane::idle {

namespace {

struct Globals {
  wl_seat* seat = nullptr;
  ext_idle_notifier_v1* notifier = nullptr;
  org_kde_kwin_idle* kdeIdle = nullptr;
  bool layerShell = false;
};

const wl_registry_listener kRegistryListener = {
    [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
      auto* globals = static_cast<Globals*>(data);
      const std::string_view kind = interface;
      // The first seat: a desktop with several is rare, and its first is where the user sits.
      if (kind == wl_seat_interface.name && globals->seat == nullptr) {
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
      } else if (kind == ext_idle_notifier_v1_interface.name && globals->notifier == nullptr) {
        globals->notifier = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
      } else if (kind == org_kde_kwin_idle_interface.name && globals->kdeIdle == nullptr) {
        globals->kdeIdle = static_cast<org_kde_kwin_idle*>(
            wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
      } else if (kind == "zwlr_layer_shell_v1") {
        globals->layerShell = true;
      }
    },
    [](void*, wl_registry*, uint32_t) {},
};

class WaylandIdle final : public IdleSource {
 public:
  WaylandIdle(wl_display* display, wl_registry* registry, const Globals& globals, uint32_t idleMs)
      : display_(display), registry_(registry), globals_(globals) {
    if (globals.notifier != nullptr) {
      notification_ =
          ext_idle_notifier_v1_get_idle_notification(globals.notifier, idleMs, globals.seat);
      ext_idle_notification_v1_add_listener(notification_, &kNotificationListener, this);
    } else {
      timeout_ = org_kde_kwin_idle_get_idle_timeout(globals.kdeIdle, globals.seat, idleMs);
      org_kde_kwin_idle_timeout_add_listener(timeout_, &kTimeoutListener, this);
    }
    wl_display_flush(display_);
  }

  ~WaylandIdle() override {
    if (notification_ != nullptr) ext_idle_notification_v1_destroy(notification_);
    if (timeout_ != nullptr) org_kde_kwin_idle_timeout_release(timeout_);
    if (globals_.notifier != nullptr) ext_idle_notifier_v1_destroy(globals_.notifier);
    if (globals_.kdeIdle != nullptr) org_kde_kwin_idle_destroy(globals_.kdeIdle);
    wl_seat_destroy(globals_.seat);
    wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
  }

  int Descriptor() const override { return wl_display_get_fd(display_); }
  int WaitLimitMs() const override { return -1; }

  bool Update() override {
    pollfd ready{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&ready, 1, 0) > 0 && wl_display_dispatch(display_) < 0) return false;
    if (wl_display_dispatch_pending(display_) < 0) return false;
    return wl_display_flush(display_) >= 0 || errno == EAGAIN;
  }

  const char* LostLine() const override {
    return "the connection to the Wayland compositor was lost";
  }

 private:
  static const ext_idle_notification_v1_listener kNotificationListener;
  static const org_kde_kwin_idle_timeout_listener kTimeoutListener;

  wl_display* display_;
  wl_registry* registry_;
  Globals globals_;
  ext_idle_notification_v1* notification_ = nullptr;
  org_kde_kwin_idle_timeout* timeout_ = nullptr;
};

const ext_idle_notification_v1_listener WaylandIdle::kNotificationListener = {
    [](void* data, ext_idle_notification_v1*) { static_cast<WaylandIdle*>(data)->BeginPeriod(); },
    [](void* data, ext_idle_notification_v1*) { static_cast<WaylandIdle*>(data)->EndPeriod(); },
};
const org_kde_kwin_idle_timeout_listener WaylandIdle::kTimeoutListener = {
    [](void* data, org_kde_kwin_idle_timeout*) { static_cast<WaylandIdle*>(data)->BeginPeriod(); },
    [](void* data, org_kde_kwin_idle_timeout*) { static_cast<WaylandIdle*>(data)->EndPeriod(); },
};

}  // namespace

std::unique_ptr<IdleSource> ConnectWaylandIdle(uint32_t idleMs, bool& waylandSession,
                                               bool& layerShell) {
  waylandSession = layerShell = false;
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || name[0] == '\0') return nullptr;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return nullptr;
  waylandSession = true;
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  const bool answered = wl_display_roundtrip(display) >= 0;
  layerShell = globals.layerShell;
  if (answered && globals.seat != nullptr &&
      (globals.notifier != nullptr || globals.kdeIdle != nullptr)) {
    return std::make_unique<WaylandIdle>(display, registry, globals, idleMs);
  }
  if (globals.notifier != nullptr) ext_idle_notifier_v1_destroy(globals.notifier);
  if (globals.kdeIdle != nullptr) org_kde_kwin_idle_destroy(globals.kdeIdle);
  if (globals.seat != nullptr) wl_seat_destroy(globals.seat);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return nullptr;
}

}  // namespace solvane::idle
