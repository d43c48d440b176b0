// Idle time on an X11 session: the screen-saver extension tells how long ago the last input
// was. It sends nothing when a time is reached, so the watcher asks again when the idle time can
// first have come, and, while the session is idle, every few seconds to see the user come back.
// A player that keeps the display awake resets the server's screen saver, which restarts the
// idle time as input does.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/idle/idle_source.h"
#include "platform/posix/posix_files.h"

namespace solvane::idle {

namespace {

// How often an idle session is asked whether its user is back.
constexpr int kIdlePollMs = 2000;
// Input within this of the time a period began is that period's (the server's clock and this
// one's drift apart by a few milliseconds between two questions).
constexpr uint64_t kSameInputMs = 1000;

// Xlib ends the process itself when the connection breaks; this says so in the program's words
// first. The saver, if one runs, is ended by its parent-death signal.
int ConnectionLost(Display*) {
  std::fputs("solvane: the connection to the X display was lost\n", stderr);
  _exit(1);
}

class X11Idle final : public IdleSource {
 public:
  X11Idle(Display* display, uint32_t idleMs)
      : display_(display), info_(XScreenSaverAllocInfo()), idleMs_(idleMs) {}
  ~X11Idle() override {
    XFree(info_);
    XCloseDisplay(display_);
  }

  int Descriptor() const override { return ConnectionNumber(display_); }
  int WaitLimitMs() const override { return idle_ ? kIdlePollMs : int(untilIdleMs_) + 10; }

  bool Update() override {
    // Nothing is selected: whatever the server sends is dropped, and a closed connection is
    // found here.
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
    }
    if (!XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_)) return false;
    const uint64_t idleTime = info_->idle;
    const uint64_t now = posix::MonotonicMilliseconds();
    const uint64_t lastInput = now - std::min(idleTime, now);
    if (idleTime < idleMs_) {
      EndPeriod();
      untilIdleMs_ = idleMs_ - idleTime;
      return true;
    }
    // Input between two questions, followed by a full idle time again, is a new period.
    if (idle_ && lastInput > periodInput_ + kSameInputMs) EndPeriod();
    if (!idle_) periodInput_ = lastInput;
    BeginPeriod();
    return true;
  }

  const char* LostLine() const override { return "the connection to the X display was lost"; }

 private:
  Display* display_;
  XScreenSaverInfo* info_;
  uint32_t idleMs_;
  uint64_t untilIdleMs_ = 0;
  uint64_t periodInput_ = 0;
};

}  // namespace

std::unique_ptr<IdleSource> ConnectX11Idle(uint32_t idleMs) {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || name[0] == '\0') return nullptr;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  int eventBase = 0;
  int errorBase = 0;
  if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
    XCloseDisplay(display);
    return nullptr;
  }
  XSetIOErrorHandler(ConnectionLost);
  return std::make_unique<X11Idle>(display, idleMs);
}

}  // namespace solvane::idle
