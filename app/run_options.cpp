#include "app/run_options.h"

#include <charconv>

namespace solvane {

namespace {

// A decimal number of digits only (no sign, no blanks) within [low, high].
std::optional<int32_t> ParseBounded(std::string_view text, int32_t low, int32_t high) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text[0] == '-') {
    return std::nullopt;
  }
  if (value < low || value > high) return std::nullopt;
  return static_cast<int32_t>(value);
}

struct Parser {
  std::span<const std::string_view> args;
  size_t next = 0;
  ParsedRunOptions result;

  bool Fail(std::string message) {
    if (result.error.empty()) result.error = std::move(message);
    return false;
  }

  // The option's value: after "=", or the next argument.
  std::optional<std::string_view> Value(std::string_view name,
                                        std::optional<std::string_view> attached) {
    if (attached) return attached;
    if (next < args.size()) return args[next++];
    Fail("option " + std::string(name) + " needs a value");
    return std::nullopt;
  }

  bool Number(std::string_view name, std::optional<std::string_view> attached, int32_t low,
              int32_t high, std::optional<int32_t>& field) {
    const auto text = Value(name, attached);
    if (!text) return false;
    field = ParseBounded(*text, low, high);
    if (field) return true;
    return Fail("option " + std::string(name) + ": '" + std::string(*text) +
                "' is not a whole number from " + std::to_string(low) + " to " +
                std::to_string(high));
  }

  bool Flag(std::string_view name, std::optional<std::string_view> attached) {
    if (!attached) return true;
    return Fail("option " + std::string(name) + " takes no value");
  }

  bool Target(DrawTarget target) {
    if (result.options.target != DrawTarget::Switches && result.options.target != target) {
      return Fail("-root, -window-id and --layer cannot be given together");
    }
    result.options.target = target;
    return true;
  }

  bool One(std::string_view arg) {
    RunOptions& o = result.options;
    // The host conventions give the window options one dash, the others two; both are taken.
    std::string_view name = arg;
    std::optional<std::string_view> attached;
    const bool longForm = name.starts_with("--");
    if (longForm) {
      if (const size_t eq = name.find('='); eq != std::string_view::npos) {
        attached = name.substr(eq + 1);
        name = name.substr(0, eq);
      }
      name.remove_prefix(2);
    } else if (name == "-root" || name == "-window-id" || name == "-h") {
      name.remove_prefix(1);
    } else {
      o.switches.emplace_back(arg);
      return true;
    }

    if (name == "help" || name == "h") {
      o.help = true;
      return Flag(arg, attached);
    }
    if (name == "version") {
      o.version = true;
      return Flag(arg, attached);
    }
    if (name == "root") return Flag(arg, attached) && Target(DrawTarget::Root);
    if (name == "window-id") {
      const auto text = Value(arg, attached);
      if (!text) return false;
      const auto id = ParseWindowId(*text);
      if (!id) return Fail("option -window-id: '" + std::string(*text) + "' is not a window id");
      o.windowId = *id;
      return Target(DrawTarget::Window);
    }
    if (name == "layer") {
      const auto text = Value(arg, attached);
      if (!text) return false;
      if (*text != "overlay" && *text != "background") {
        return Fail("option --layer: '" + std::string(*text) + "' is not overlay or background");
      }
      o.layer = *text == "overlay" ? LayerKind::Overlay : LayerKind::Background;
      return Target(DrawTarget::Layer);
    }
    if (name == "output") {
      const auto text = Value(arg, attached);
      if (!text) return false;
      if (text->empty()) return Fail("option --output needs an output's name");
      o.outputs.emplace_back(*text);
      return true;
    }
    if (name == "music") {
      o.music = true;
      return Flag(arg, attached);
    }
    if (name == "no-music") {
      o.music = false;
      return Flag(arg, attached);
    }
    if (name == "fps") {
      o.showFps = true;
      return Flag(arg, attached);
    }
    if (name == "volume") return Number(arg, attached, 0, 100, o.volume);
    if (name == "speed") return Number(arg, attached, 0, 100, o.speed);
    if (name == "max-fps") return Number(arg, attached, 0, kMaxFpsLimit, o.maxFps);
    if (name == "idle") return Number(arg, attached, 1, kMaxIdleMinutes, o.idleMinutes);
    if (name == "content") {
      const auto text = Value(arg, attached);
      if (!text) return false;
      o.content = std::string(*text);
      return true;
    }
    if (name == "clock") {
      const auto text = Value(arg, attached);
      if (!text) return false;
      if (*text == "12" || *text == "24") {
        o.showClock = true;
        o.clock12h = *text == "12";
        return true;
      }
      if (*text == "off") {
        o.showClock = false;
        return true;
      }
      return Fail("option --clock: '" + std::string(*text) + "' is not 12, 24 or off");
    }
    return Fail("unknown option " + std::string(arg.substr(0, arg.find('='))));
  }
};

}  // namespace

std::optional<uint32_t> ParseWindowId(std::string_view text) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value == 0 || value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

ParsedRunOptions ParseRunOptions(std::span<const std::string_view> args) {
  Parser parser;
  parser.args = args;
  while (parser.next < args.size()) {
    if (!parser.One(args[parser.next++])) break;
  }
  const RunOptions& o = parser.result.options;
  if (!o.outputs.empty() && o.target != DrawTarget::Layer) {
    parser.Fail("option --output needs --layer");
  }
  // The watcher picks where the saver draws, and runs it itself: it takes no window or switch.
  if (o.idleMinutes && o.target != DrawTarget::Switches) {
    parser.Fail("option --idle cannot be combined with -root, -window-id or --layer");
  }
  if (o.idleMinutes && !o.switches.empty()) {
    parser.Fail("option --idle cannot be combined with '" + o.switches.front() + "'");
  }
  return std::move(parser.result);
}

void ApplyRunOptions(const RunOptions& o, Settings& record) {
  const bool wallpaper = o.target == DrawTarget::Layer && o.layer == LayerKind::Background;
  if (o.music) {
    record.music = *o.music;
  } else if (wallpaper) {
    record.music = false;
  }
  if (o.volume) record.musicVolume = *o.volume;
  if (o.showClock) record.showTime = *o.showClock;
  if (o.clock12h) record.clock12h = *o.clock12h;
  if (o.showFps) record.showFps = *o.showFps;
  if (o.speed) record.cameraSpeed = *o.speed;
  if (o.content) record.content = *o.content;
  if (o.maxFps) {
    record.maxFps = *o.maxFps;
  } else if (wallpaper) {
    record.maxFps = kBackgroundDefaultMaxFps;
  } else if (o.target == DrawTarget::Root || o.target == DrawTarget::Window) {
    record.maxFps = kHostDefaultMaxFps;
  }
}

std::vector<std::string> RunOptionsArguments(const RunOptions& o) {
  std::vector<std::string> args;
  if (o.music) args.emplace_back(*o.music ? "--music" : "--no-music");
  if (o.volume) args.push_back("--volume=" + std::to_string(*o.volume));
  if (o.showClock)
    args.emplace_back(!*o.showClock               ? "--clock=off"
                      : o.clock12h.value_or(true) ? "--clock=12"
                                                  : "--clock=24");
  if (o.showFps) args.emplace_back("--fps");
  if (o.speed) args.push_back("--speed=" + std::to_string(*o.speed));
  if (o.maxFps) args.push_back("--max-fps=" + std::to_string(*o.maxFps));
  // The attached form keeps a file name that starts with a dash, or is empty, one value.
  if (o.content) args.push_back("--content=" + *o.content);
  return args;
}

std::string RunOptionsUsage() {
  return "usage: solvane [/s | /c | /p <window>] [-root | -window-id ID] [options]\n"
         "       solvane --layer overlay|background [--output NAME]... [options]\n"
         "       solvane --idle MINUTES [options]\n"
         "  /s              run full screen until a key, a click or (if enabled) mouse movement\n"
         "  /c              configure (with no switch at all, too)\n"
         "  /p <window>     preview inside the host's window\n"
         "  -root, --root   draw into $XSCREENSAVER_WINDOW, or the root window when it is unset\n"
         "  -window-id ID, --window-id ID\n"
         "                  draw into the existing X window ID (decimal or 0x-hex)\n"
         "                  (with neither, a set $XSCREENSAVER_WINDOW means -root)\n"
         "  --layer overlay on a Wayland desktop (layer shell), over every output until a key,\n"
         "                  a click or (if enabled) mouse movement: the saver for swayidle\n"
         "  --layer background\n"
         "                  under the windows of every output, ignoring input, until a quit\n"
         "                  signal: an animated wallpaper (no music unless --music; 30 fps)\n"
         "  --output NAME   with --layer: draw on output NAME only (repeatable)\n"
         "  --idle MINUTES  stay running, and run the saver (with the options below) whenever\n"
         "                  the session has been idle that long (1 to 1440): on the overlay\n"
         "                  layer where the compositor has one, otherwise as /s\n"
         "options for this run only; the stored settings stay as they are:\n"
         "  --music         music, even on the background layer\n"
         "  --no-music      no music\n"
         "  --volume N      music volume, 0 to 100\n"
         "  --clock STYLE   12, 24 or off\n"
         "  --fps           show the frame counter\n"
         "  --speed N       camera speed, 0 to 100 (50 is the shipped value)\n"
         "  --max-fps N     at most N frames a second, 0 for no limit (60 in a host's window,\n"
         "                  30 on the background layer)\n"
         "  --content FILE  play the scene of a mod's content archive (\"\" for the carried one)\n"
         "  --help          this text\n"
         "  --version       the program's version\n"
         "settings: $XDG_CONFIG_HOME/solvane/settings (default ~/.config/solvane/settings)\n";
}

}  // namespace solvane
