// solvane --idle: a long-running watcher for desktops where nothing starts a saver. It waits
// until the session has been idle for the time given, runs the saver as a child (this same
// program: on the overlay layer where the Wayland compositor has the layer shell, otherwise
// full screen as /s), waits for it to end, and waits for the next idle period.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace solvane::idle {

struct IdleWatch {
  uint32_t idleMs = 0;
  std::string programName;                // the saver's argv[0]
  std::vector<std::string> saverOptions;  // passed on to each saver after its own target
};

// Runs until a quit signal (SIGTERM, SIGINT, SIGHUP, SIGQUIT), which is passed on to a running
// saver: 0 once both have ended. 1, with one line on standard error, when another watcher already
// runs for the session, when the session tells no idle time, or when its connection is lost.
int RunIdleWatcher(const IdleWatch& watch);

}  // namespace solvane::idle
