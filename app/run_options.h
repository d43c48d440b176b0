// The options of one run, given on the command line beside the host's switches: where to draw
// when a screen-saver host owns the window, and values that override the stored settings for
// this run only (nothing is written back).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"

namespace solvane {

enum class DrawTarget {
  Switches,  // no host window: the switches decide (/s, /c, /p)
  Root,      // -root: $XSCREENSAVER_WINDOW, or the root window of the default screen
  Window,    // -window-id ID
  Layer,     // --layer: layer-shell surfaces on the outputs of a Wayland desktop
};

enum class LayerKind {
  Overlay,     // over everything, ended by input as /s is: the saver of an idle daemon
  Background,  // under the windows, deaf to input: an animated wallpaper, a lock screen's backdrop
};

struct RunOptions {
  DrawTarget target = DrawTarget::Switches;
  uint32_t windowId = 0;                 // DrawTarget::Window
  LayerKind layer = LayerKind::Overlay;  // DrawTarget::Layer
  std::vector<std::string> outputs;      // --output: the outputs to draw on; empty for all
  bool help = false;
  bool version = false;
  std::optional<bool> music;
  std::optional<int32_t> volume;
  std::optional<bool> showClock;
  std::optional<bool> clock12h;
  std::optional<bool> showFps;
  std::optional<int32_t> speed;
  std::optional<int32_t> maxFps;
  std::optional<std::string> content;  // a mod's archive; "" for the carried scene
  // --idle: no run of its own; a watcher that runs the saver whenever the session has been idle
  // this many minutes.
  std::optional<int32_t> idleMinutes;
  // Everything else, in order: the host's switches and their window numbers.
  std::vector<std::string> switches;
};

struct ParsedRunOptions {
  RunOptions options;
  std::string error;  // one line; empty when the command line was understood
};

inline constexpr int32_t kMaxFpsLimit = 1000;
// The frame-rate cap in a host's window unless the command line gives one: an idle desktop is
// not kept at full load.
inline constexpr int32_t kHostDefaultMaxFps = 60;
inline constexpr int32_t kMaxIdleMinutes = 24 * 60;
// The cap of a wallpaper (the background layer) unless the command line gives one.
inline constexpr int32_t kBackgroundDefaultMaxFps = 30;

// Reads the arguments after the program name. Long options are taken in both the
// "--name value" and "--name=value" forms; an unknown "--" option is an error, while other
// words are left to the switch parser, which accepts any letter.
ParsedRunOptions ParseRunOptions(std::span<const std::string_view> args);

// A window id in decimal or 0x-hex: non-zero and within 32 bits.
std::optional<uint32_t> ParseWindowId(std::string_view text);

// Writes the overrides into `record`. A run in a host's window caps the frame rate at
// kHostDefaultMaxFps, and one on the background layer at kBackgroundDefaultMaxFps, unless the
// options say otherwise; the background layer plays music only when --music asks for it.
void ApplyRunOptions(const RunOptions& options, Settings& record);

// The options that change a run (music, clock, speed, content...) as arguments that
// ParseRunOptions reads back to the same values: what an idle watcher hands the saver it starts.
std::vector<std::string> RunOptionsArguments(const RunOptions& options);

// The usage text of `solvane --help`.
std::string RunOptionsUsage();

}  // namespace solvane
