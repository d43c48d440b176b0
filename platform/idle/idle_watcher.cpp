#include "platform/idle/idle_watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/idle/idle_source.h"

namespace solvane::idle {

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
// How long a saver that was passed a quit signal may take to end before it is killed.
constexpr int kSaverEndMs = 10000;
// While an idle session holds the saver back (a player, a lock), it is asked again this often.
constexpr uint32_t kHeldRecheckMs = 30000;

volatile sig_atomic_t quitSignal = 0;

void NoteQuit(int signal) {
  quitSignal = signal;
}
// Only there so that a saver's end interrupts the wait (an ignored signal would not).
void NoteChild(int) {}

// The handled signals stay blocked except while the watcher waits, so none can slip in between
// a look at the flag and the wait. Returns the mask to wait with.
sigset_t CatchSignals() {
  sigset_t handled;
  sigemptyset(&handled);
  struct sigaction action {};
  action.sa_handler = NoteQuit;
  sigemptyset(&action.sa_mask);
  for (const int signal : kQuitSignals) {
    sigaction(signal, &action, nullptr);
    sigaddset(&handled, signal);
  }
  action.sa_handler = NoteChild;
  action.sa_flags = SA_NOCLDSTOP;
  sigaction(SIGCHLD, &action, nullptr);
  sigaddset(&handled, SIGCHLD);
  sigset_t waiting;
  sigprocmask(SIG_BLOCK, &handled, &waiting);
  for (const int signal : kQuitSignals) sigdelset(&waiting, signal);
  sigdelset(&waiting, SIGCHLD);
  return waiting;
}

// Until `fd` has input, a signal comes, or `timeoutMs` pass (-1: no limit).
void Wait(int fd, int timeoutMs, const sigset_t& waiting) {
  pollfd ready{fd, POLLIN, 0};
  timespec limit{timeoutMs / 1000, long(timeoutMs % 1000) * 1000000};
  ppoll(&ready, fd >= 0 ? 1 : 0, timeoutMs >= 0 ? &limit : nullptr, &waiting);
}

// One watcher per user and display: a Unix socket in the abstract namespace, which holds no file
// and goes away with the process however it ends. -1 when another process holds it.
int TakeSessionLock() {
  std::string display;
  for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') {
      display = value;
      break;
    }
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string name = "solvane-idle " + std::to_string(getuid()) + " " + display;
  if (name.size() >= sizeof(address.sun_path)) {
    // A display named by a long path: its FNV-1a hash names it as surely.
    uint64_t hash = 14695981039346656037u;
    for (const unsigned char c : display) hash = (hash ^ c) * 1099511628211u;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    name = "solvane-idle " + std::to_string(getuid()) + " #" + hex;
  }
  // The first byte of the path stays 0: the abstract namespace.
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// The saver as a child of this same executable (the file the watcher was started from, even
// after an upgrade replaced it on disk). -1 when it cannot be made.
pid_t StartSaver(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t watcher = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // A watcher killed outright takes its saver along.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != watcher) _exit(127);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (const int signal : kQuitSignals) sigaction(signal, &standard, nullptr);
  sigaction(SIGCHLD, &standard, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execv("/proc/self/exe", argv.data());
  static const char kLine[] = "solvane: the saver cannot be started\n";
  [[maybe_unused]] const ssize_t written = write(2, kLine, sizeof kLine - 1);
  _exit(127);
}

void ReportEnd(int status) {
  if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "solvane: the saver ended with status %d\n", WEXITSTATUS(status));
  } else if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "solvane: the saver was ended by signal %d\n", WTERMSIG(status));
  }
}

// Passes the quit signal on and waits for the saver, killing it when it outstays kSaverEndMs.
void EndSaver(pid_t saver, int signal, const sigset_t& waiting) {
  kill(saver, signal);
  for (int waited = 0; waited < kSaverEndMs; waited += 100) {
    if (waitpid(saver, nullptr, WNOHANG) == saver) return;
    Wait(-1, 100, waiting);
  }
  kill(saver, SIGKILL);
  waitpid(saver, nullptr, 0);
}

}  // namespace

int RunIdleWatcher(const IdleWatch& watch) {
  const int lock = TakeSessionLock();
  if (lock < 0) {
    std::fputs("solvane: an idle watcher already runs for this session\n", stderr);
    return 1;
  }
  const sigset_t waiting = CatchSignals();

  // Wayland first; GNOME's monitor serves a compositor without an idle protocol; the X extension
  // only a session that is X11 throughout (on a Wayland desktop, the X server sees only the
  // input of its own windows and would call a busy user idle).
  bool wayland = false;
  bool layerShell = false;
  std::unique_ptr<IdleSource> source = ConnectWaylandIdle(watch.idleMs, wayland, layerShell);
  if (source == nullptr) source = ConnectGnomeIdle(watch.idleMs);
  if (source == nullptr && !wayland) source = ConnectX11Idle(watch.idleMs);
  if (source == nullptr) {
    std::fputs(wayland ? "solvane: this Wayland desktop tells no idle time (neither an idle "
                         "protocol nor GNOME's idle monitor)\n"
                       : "solvane: no Wayland or X display, nor GNOME session, tells the idle "
                         "time\n",
               stderr);
    close(lock);
    return 1;
  }
  if (source->Descriptor() >= 0) fcntl(source->Descriptor(), F_SETFD, FD_CLOEXEC);

  std::vector<std::string> saverArgs = {watch.programName};
  if (layerShell) {
    saverArgs.insert(saverArgs.end(), {"--layer", "overlay"});
  } else {
    saverArgs.emplace_back("/s");
  }
  saverArgs.insert(saverArgs.end(), watch.saverOptions.begin(), watch.saverOptions.end());

  pid_t saver = 0;
  uint64_t served = 0;  // the idle period the last saver was started in
  int status = 0;
  while (quitSignal == 0) {
    if (!source->Update()) {
      std::fprintf(stderr, "solvane: %s\n", source->LostLine());
      status = 1;
      break;
    }
    if (saver > 0) {
      int end = 0;
      if (waitpid(saver, &end, WNOHANG) == saver) {
        ReportEnd(end);
        saver = 0;
      }
    }
    int limit = source->WaitLimitMs();
    if (saver == 0 && source->Idle() && source->Periods() != served) {
      if (source->Held().empty()) {
        served = source->Periods();
        saver = StartSaver(saverArgs);
        if (saver < 0) {
          std::perror("solvane: the saver cannot be started");
          saver = 0;
        }
      } else {
        const int recheck = int(std::min(watch.idleMs, kHeldRecheckMs));
        limit = limit < 0 ? recheck : std::min(limit, recheck);
      }
    }
    Wait(source->Descriptor(), limit, waiting);
  }
  if (saver > 0) EndSaver(saver, quitSignal != 0 ? int(quitSignal) : SIGTERM, waiting);
  source.reset();
  close(lock);
  return status;
}

}  // namespace solvane::idle
