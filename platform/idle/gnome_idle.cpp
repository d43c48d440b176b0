// Idle time on GNOME, whose compositor offers no idle protocol to other clients: its idle monitor
// on the session bus fires a watch once the user has been idle for the interval asked, and a
// one-shot watch at the user's next input. Players inhibit idleness through the session manager,
// and the shell's screen shield says when the session is locked; both are asked before a start.
#include <dbus/dbus.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdlib>
#include <string>

#include "platform/idle/idle_source.h"

namespace solvane::idle {

namespace {

constexpr char kMonitor[] = "org.gnome.Mutter.IdleMonitor";
constexpr char kMonitorPath[] = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr int kCallTimeoutMs = 2000;
// The session manager's inhibition flag for "the session must not go idle".
constexpr dbus_uint32_t kInhibitIdle = 8;

// The one value of a method call's reply; false on an error reply, no reply within the timeout,
// or a reply of another type. The call's arguments follow `firstType` as in
// dbus_message_append_args.
bool Call(DBusConnection* bus, const char* service, const char* path, const char* interface,
          const char* method, int replyType, void* reply, int firstType, ...) {
  DBusMessage* call = dbus_message_new_method_call(service, path, interface, method);
  if (call == nullptr) return false;
  va_list args;
  va_start(args, firstType);
  const bool built = dbus_message_append_args_valist(call, firstType, args);
  va_end(args);
  DBusError error;
  dbus_error_init(&error);
  DBusMessage* answer =
      built ? dbus_connection_send_with_reply_and_block(bus, call, kCallTimeoutMs, &error)
            : nullptr;
  dbus_message_unref(call);
  const bool read = answer != nullptr &&
                    dbus_message_get_args(answer, &error, replyType, reply, DBUS_TYPE_INVALID);
  if (answer != nullptr) dbus_message_unref(answer);
  dbus_error_free(&error);
  return read;
}

class GnomeIdle final : public IdleSource {
 public:
  GnomeIdle(DBusConnection* bus, uint32_t idleMs) : bus_(bus), idleMs_(idleMs) {}
  ~GnomeIdle() override {
    dbus_connection_close(bus_);
    dbus_connection_unref(bus_);
  }

  // False when no idle monitor is on the bus.
  bool Start() {
    DBusError error;
    dbus_error_init(&error);
    const bool there = dbus_bus_name_has_owner(bus_, kMonitor, &error);
    dbus_error_free(&error);
    if (!there) return false;
    dbus_bus_add_match(bus_,
                       "type='signal',interface='org.gnome.Mutter.IdleMonitor',"
                       "member='WatchFired',path='/org/gnome/Mutter/IdleMonitor/Core'",
                       nullptr);
    const dbus_uint64_t interval = idleMs_;
    if (!Call(bus_, kMonitor, kMonitorPath, kMonitor, "AddIdleWatch", DBUS_TYPE_UINT32, &idleWatch_,
              DBUS_TYPE_UINT64, &interval, DBUS_TYPE_INVALID)) {
      return false;
    }
    // A watch fires when the idle time reaches its interval: a session idle for longer already
    // would not fire it before the user's next input.
    dbus_uint64_t idleTime = 0;
    if (Call(bus_, kMonitor, kMonitorPath, kMonitor, "GetIdletime", DBUS_TYPE_UINT64, &idleTime,
             DBUS_TYPE_INVALID) &&
        idleTime >= idleMs_) {
      WatchFired(idleWatch_);
    }
    return Drain();
  }

  int Descriptor() const override {
    int fd = -1;
    dbus_connection_get_unix_fd(bus_, &fd);
    return fd;
  }
  int WaitLimitMs() const override { return -1; }

  bool Update() override { return dbus_connection_read_write(bus_, 0) && Drain(); }

  std::string Held() override {
    dbus_bool_t yes = false;
    std::string reason;
    if (Call(bus_, "org.gnome.SessionManager", "/org/gnome/SessionManager",
             "org.gnome.SessionManager", "IsInhibited", DBUS_TYPE_BOOLEAN, &yes, DBUS_TYPE_UINT32,
             &kInhibitIdle, DBUS_TYPE_INVALID) &&
        yes) {
      reason = "an application inhibits idleness";
    } else if (Call(bus_, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver",
                    "org.gnome.ScreenSaver", "GetActive", DBUS_TYPE_BOOLEAN, &yes,
                    DBUS_TYPE_INVALID) &&
               yes) {
      reason = "the session is locked";
    }
    // The calls read the bus: what came meanwhile is taken in before the watcher waits again.
    Drain();
    return reason;
  }

  const char* LostLine() const override { return "the connection to the session bus was lost"; }

 private:
  bool Drain() {
    while (DBusMessage* message = dbus_connection_pop_message(bus_)) {
      dbus_uint32_t id = 0;
      if (dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected")) {
        lost_ = true;
      } else if (dbus_message_is_signal(message, kMonitor, "WatchFired") &&
                 dbus_message_has_path(message, kMonitorPath) &&
                 dbus_message_get_args(message, nullptr, DBUS_TYPE_UINT32, &id,
                                       DBUS_TYPE_INVALID)) {
        WatchFired(id);
      }
      dbus_message_unref(message);
    }
    return !lost_ && dbus_connection_get_is_connected(bus_);
  }

  void WatchFired(dbus_uint32_t id) {
    if (id == idleWatch_) {
      BeginPeriod();
      // The user-active watch fires once: one for each idle period.
      if (activeWatch_ == 0) {
        Call(bus_, kMonitor, kMonitorPath, kMonitor, "AddUserActiveWatch", DBUS_TYPE_UINT32,
             &activeWatch_, DBUS_TYPE_INVALID);
      }
    } else if (id != 0 && id == activeWatch_) {
      activeWatch_ = 0;
      EndPeriod();
    }
  }

  DBusConnection* bus_;
  uint32_t idleMs_;
  dbus_uint32_t idleWatch_ = 0;
  dbus_uint32_t activeWatch_ = 0;
  bool lost_ = false;
};

}  // namespace

std::unique_ptr<IdleSource> ConnectGnomeIdle(uint32_t idleMs) {
  // Only a bus the session names: libdbus's default would launch a bus of its own.
  std::string address;
  if (const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS"); named && named[0] != '\0') {
    address = named;
  } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] != '\0') {
    const std::string path = std::string(runtime) + "/bus";
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) address = "unix:path=" + path;
  }
  if (address.empty()) return nullptr;
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = dbus_connection_open_private(address.c_str(), &error);
  if (bus != nullptr && !dbus_bus_register(bus, &error)) {
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    bus = nullptr;
  }
  dbus_error_free(&error);
  if (bus == nullptr) return nullptr;
  auto source = std::make_unique<GnomeIdle>(bus, idleMs);
  if (!source->Start()) return nullptr;
  return source;
}

}  // namespace solvane::idle
