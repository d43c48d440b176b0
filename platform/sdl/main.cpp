// solvane: the screensaver on Linux. It takes the switches a Windows-style host passes (/s full
// screen, /c configure, /p <window> preview), the window options of X screen-saver hosts
// (-root, -window-id), the layer-shell runs of Wayland desktops (--layer), the idle watcher that
// starts the saver itself where nothing else does (--idle), and options that change one run; and
// runs the same core as everywhere.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "platform/idle/idle_watcher.h"
#include "platform/posix/posix_files.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/x11_host_platform.h"
#include "platform/wayland/layer_platform.h"

namespace {

constexpr int kShowNormal = 1;
constexpr int kExitBadWindow = 1;
constexpr int kExitUsage = 2;

// The command line as the system would hand it over: the program name, quoted when it has
// blanks, then the switches separated by single spaces.
std::string JoinCommandLine(const char* program, const std::vector<std::string>& switches) {
  std::string name = program != nullptr ? program : "solvane";
  std::string line = name.find(' ') == std::string::npos ? name : '"' + name + '"';
  for (const std::string& word : switches) {
    line += ' ';
    line += word;
  }
  return line;
}

// The host's window: -window-id, else $XSCREENSAVER_WINDOW, else the root window (0).
bool ResolveHostWindow(const solvane::RunOptions& options, uint32_t& window) {
  window = 0;
  if (options.target == solvane::DrawTarget::Window) {
    window = options.windowId;
    return true;
  }
  const char* named = std::getenv("XSCREENSAVER_WINDOW");
  if (named == nullptr || named[0] == '\0') return true;
  const auto id = solvane::ParseWindowId(named);
  if (!id) {
    std::fprintf(stderr, "solvane: $XSCREENSAVER_WINDOW is not a window id: '%s'\n", named);
    return false;
  }
  window = *id;
  return true;
}

int RunInHostWindow(const std::string& commandLine, const solvane::RunOptions& options) {
  uint32_t window = 0;
  if (!ResolveHostWindow(options, window)) return kExitBadWindow;
  solvane::X11HostPlatform platform(commandLine, solvane::FileSettingsStore::DefaultPath());
  if (const std::string problem = platform.Attach(window); !problem.empty()) {
    std::fprintf(stderr, "solvane: %s\n", problem.c_str());
    return kExitBadWindow;
  }
  solvane::SetHost(&platform);
  const int result = solvane::RunApplication(kShowNormal, options);
  solvane::SetHost(nullptr);
  return result;
}

// A compositor that went away, or outputs that could not be drawn on, end the run with 1, after
// the run has ended in order.
int RunOnLayers(const std::string& commandLine, const solvane::RunOptions& options) {
  solvane::WaylandLayerPlatform platform(commandLine, solvane::FileSettingsStore::DefaultPath(),
                                         options.layer == solvane::LayerKind::Overlay,
                                         options.outputs);
  if (const auto failure = platform.Connect(); failure.exitStatus != 0) {
    std::fprintf(stderr, "solvane: %s\n", failure.line.c_str());
    return failure.exitStatus;
  }
  solvane::SetHost(&platform);
  const int result = solvane::RunApplication(kShowNormal, options);
  solvane::SetHost(nullptr);
  return platform.Failed() ? kExitBadWindow : result;
}

// The idle watcher: minutes, as users give them. SOLVANE_IDLE_SECONDS, read only when set, is the
// tests' hook: its seconds replace the minutes, so that a test need not wait a minute per period.
int RunIdleWatcher(const char* program, const solvane::RunOptions& options) {
  solvane::idle::IdleWatch watch;
  watch.idleMs = uint32_t(*options.idleMinutes) * 60000;
  if (const char* seconds = std::getenv("SOLVANE_IDLE_SECONDS"); seconds != nullptr) {
    const std::string_view text = seconds;
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 86400) {
      std::fprintf(stderr, "solvane: $SOLVANE_IDLE_SECONDS: '%s' is not a number of seconds\n",
                   seconds);
      return kExitUsage;
    }
    watch.idleMs = value * 1000;
  }
  watch.programName = program != nullptr ? program : "solvane";
  watch.saverOptions = solvane::RunOptionsArguments(options);
  return solvane::idle::RunIdleWatcher(watch);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  const std::vector<std::string_view> args(words.begin(), words.end());
  solvane::ParsedRunOptions parsed = solvane::ParseRunOptions(args);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "solvane: %s (try 'solvane --help')\n", parsed.error.c_str());
    return kExitUsage;
  }
  solvane::RunOptions& options = parsed.options;
  if (options.help) {
    std::fputs(solvane::RunOptionsUsage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::puts("solvane " SOLVANE_VERSION);
    return 0;
  }
  if (options.idleMinutes) return RunIdleWatcher(argc > 0 ? argv[0] : nullptr, options);
  const char* hostWindow = std::getenv("XSCREENSAVER_WINDOW");
  // A host that names its window in the environment runs the saver with no switch of its own;
  // a switch given on the command line still decides.
  if (options.target == solvane::DrawTarget::Switches && options.switches.empty() &&
      hostWindow != nullptr && hostWindow[0] != '\0') {
    options.target = solvane::DrawTarget::Root;
  }
  const std::string commandLine = JoinCommandLine(argc > 0 ? argv[0] : nullptr, options.switches);
  if (options.target != solvane::DrawTarget::Switches) {
    if (!options.switches.empty()) {
      std::fprintf(stderr, "solvane: '%s' cannot be combined with -root, -window-id or --layer\n",
                   options.switches.front().c_str());
      return kExitUsage;
    }
    // A host may end the saver it started a moment ago: the handlers come before anything slow.
    solvane::posix::InstallQuitSignals();
    if (options.target == solvane::DrawTarget::Layer) return RunOnLayers(commandLine, options);
    return RunInHostWindow(commandLine, options);
  }

  uint32_t parentWindow = 0;
  const solvane::RunMode mode = solvane::ParseCommandLine(commandLine, parentWindow);
  const bool saver = mode == solvane::RunMode::Saver || mode == solvane::RunMode::SaverT;
  // The dialog keeps the terminal's default signals; a run ends in order on them, from its
  // first moment on.
  if (saver) solvane::posix::InstallQuitSignals();
  solvane::SdlPlatform platform(commandLine, solvane::FileSettingsStore::DefaultPath());
  if (saver && !platform.HasDisplay()) {
    std::fputs("solvane: no display to run on; 'solvane-tool render' draws without one\n", stderr);
  }
  solvane::SetHost(&platform);
  const int result = solvane::RunApplication(kShowNormal, options);
  solvane::SetHost(nullptr);
  return result;
}
