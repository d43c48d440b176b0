// Where an idle watcher learns that the session is idle: the Wayland compositor's idle
// notifications, GNOME's idle monitor on the session bus, or the X screen-saver extension. Each
// source counts the idle periods it has seen begin; a period lasts until the user's next input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace solvane::idle {

class IdleSource {
 public:
  virtual ~IdleSource() = default;
  // The descriptor whose input is news for Update; -1 for none.
  virtual int Descriptor() const = 0;
  // How long the watcher may wait before Update must look again, in milliseconds; -1 for as long
  // as nothing arrives.
  virtual int WaitLimitMs() const = 0;
  // Takes in what arrived. False when the connection to the session was lost.
  virtual bool Update() = 0;
  // Why no saver may start now although the session is idle: an application inhibits idleness
  // or the session is locked, where the desktop tells. "" when nothing holds it back.
  virtual std::string Held() { return ""; }

  bool Idle() const { return idle_; }
  uint64_t Periods() const { return periods_; }
  // The line that names the lost connection.
  virtual const char* LostLine() const = 0;

 protected:
  void BeginPeriod() {
    if (!idle_) ++periods_;
    idle_ = true;
  }
  void EndPeriod() { idle_ = false; }

  bool idle_ = false;
  uint64_t periods_ = 0;
};

// Each returns nullptr when its kind of session is not there. `layerShell` tells whether the
// Wayland compositor, when there is one, offers the layer shell, idle protocol or not.
std::unique_ptr<IdleSource> ConnectWaylandIdle(uint32_t idleMs, bool& waylandSession,
                                               bool& layerShell);
std::unique_ptr<IdleSource> ConnectGnomeIdle(uint32_t idleMs);
std::unique_ptr<IdleSource> ConnectX11Idle(uint32_t idleMs);

}  // namespace solvane::idle
