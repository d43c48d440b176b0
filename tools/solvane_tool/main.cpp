// solvane-tool: the developers' and modders' companion of the screensaver. Each subcommand runs
// a piece of the real program and prints or writes what it produced.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "data/archive_file.h"
#include "objects/mesh_file.h"
#include "platform/headless/headless_platform.h"
#include "platform/posix/posix_files.h"
#include "platform/sdl/sdl_video.h"
#include "platform/posix/settings_file.h"
#include "scene/content_problem.h"
#include "tools/solvane_tool/archive_command.h"
#include "tools/solvane_tool/png_writer.h"
#include "tools/solvane_tool/scene_command.h"
#include "tools/solvane_tool/tool_options.h"

namespace solvane {
namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "solvane-tool: %s\n", message.c_str());
  return kUsageError;
}

// Whole decimal numbers only, within [low, high].
std::optional<long long> ParseNumber(std::string_view text, long long low, long long high) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  if (text[0] == '-') value = -value;
  if (value < low || value > high) return std::nullopt;
  return value;
}

// "AxBxC..." with `count` parts, each within [low, high].
std::optional<std::vector<int>> ParseParts(std::string_view text, char separator, size_t count,
                                           long long low, long long high) {
  std::vector<int> parts;
  while (parts.size() < count) {
    const size_t end = text.find(separator);
    const std::string_view part = text.substr(0, end);
    const std::optional<long long> value = ParseNumber(part, low, high);
    if (!value) return std::nullopt;
    parts.push_back(int(*value));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  if (parts.size() != count || text.find(separator) != std::string_view::npos) return std::nullopt;
  return parts;
}

int ParseCommandLineCommand(int argc, char** argv) {
  if (argc != 1) return ToolUsage();
  uint32_t parentWindow = 0;
  const RunMode mode = ParseCommandLine(argv[0], parentWindow);
  std::printf("mode=%d parentWindow=%u\n", int(mode), parentWindow);
  return 0;
}

int SettingsCommand(int argc, char** argv) {
  std::optional<DisplayMode> desktop;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--desktop") == 0 && i + 1 < argc) {
      const auto parts = ParseParts(argv[++i], 'x', 3, 1, HeadlessPlatform::kMaxSize);
      if (!parts) return Fail("--desktop wants WIDTHxHEIGHTxBITS, for example 1920x1080x32");
      desktop = DisplayMode{(*parts)[0], (*parts)[1], (*parts)[2]};
    } else {
      return ToolUsage();
    }
  }

  FileSettingsStore store(FileSettingsStore::DefaultPath());
  HeadlessOptions options;
  options.commandLine = "solvane";
  options.desktop = desktop ? *desktop : SdlDesktopMode().value_or(DisplayMode{800, 600, 32});
  options.settingsStore = &store;
  options.echoMessageBoxes = true;
  HeadlessPlatform platform(options);
  SetHost(&platform);
  Application app;
  LoadSettings(app);
  std::fputs(SettingsReport().c_str(), stdout);
  SetHost(nullptr);
  return 0;
}

int RenderCommand(int argc, char** argv) {
  HeadlessOptions options;
  options.commandLine = "solvane /s";
  options.maxFrames = 3;
  options.echoMessageBoxes = true;
  std::string out;
  std::vector<std::pair<std::string, uint32_t>> stored;

  for (int i = 0; i < argc; ++i) {
    const std::string_view flag = argv[i];
    if (i + 1 >= argc) return ToolUsage();
    const std::string_view value = argv[++i];
    if (flag == "--out") {
      out = value;
    } else if (flag == "--size") {
      const auto parts = ParseParts(value, 'x', 2, 1, HeadlessPlatform::kMaxSize);
      if (!parts) return Fail("--size wants WIDTHxHEIGHT, each 1 to 16384");
      options.desktop.width = (*parts)[0];
      options.desktop.height = (*parts)[1];
    } else if (flag == "--frames") {
      // 0: no scene frame at all, so the last picture is the loading screen's.
      const auto frames = ParseNumber(value, 0, 1'000'000);
      if (!frames) return Fail("--frames wants a count from 0 to 1000000");
      options.maxFrames = int(*frames);
    } else if (flag == "--dt") {
      char* end = nullptr;
      const std::string text(value);
      const double dt = std::strtod(text.c_str(), &end);
      if (end == text.c_str() || *end != '\0' || !(dt >= 0 && dt <= 3600)) {
        return Fail("--dt wants seconds per frame, from 0 to 3600");
      }
      options.ticksPerFrame = uint64_t(std::llround(dt * double(options.frequency)));
    } else if (flag == "--seed") {
      const auto seed = ParseNumber(value, 0, 0xFFFFFFFFll);
      if (!seed) return Fail("--seed wants a number from 0 to 4294967295");
      options.firstCounter = uint64_t(*seed);
    } else if (flag == "--clock") {
      const auto parts = ParseParts(value, ':', 3, 0, 59);
      if (!parts || (*parts)[0] > 23) return Fail("--clock wants HH:MM:SS");
      options.localTime = {(*parts)[0], (*parts)[1], (*parts)[2]};
    } else if (flag == "--content") {
      if (!ReadContentFile(std::string(value).c_str(), options)) return 1;
    } else if (flag == "--set") {
      const size_t equals = value.find('=');
      const auto number = equals == std::string_view::npos
                              ? std::nullopt
                              : ParseNumber(value.substr(equals + 1), -2147483648ll, 4294967295ll);
      if (!number || equals == 0) return Fail("--set wants Name=Value with a 32-bit number");
      stored.emplace_back(std::string(value.substr(0, equals)), uint32_t(*number));
    } else {
      return ToolUsage();
    }
  }
  if (out.empty()) return Fail("render needs --out FILE.png");

  HeadlessPlatform platform(options);
  for (const auto& [name, number] : stored) platform.Store().Set(name, number);
  // A quit signal ends the run in order, like a key in the saver; no picture is written then.
  posix::InstallQuitSignals();
  SetHost(&platform);
  RunApplication(1);
  const std::string problem = ContentProblem();
  ResetProcessState();
  SetHost(nullptr);
  if (const int signal = posix::QuitSignal(); signal != 0) {
    std::fprintf(stderr, "solvane-tool: stopped by signal %d; no picture written\n", signal);
    return 1;
  }

  if (!problem.empty()) {
    std::fprintf(stderr, "solvane-tool: %s\n", problem.c_str());
    return 1;
  }
  if (platform.Record().framesPresented == 0) {
    std::fputs("solvane-tool: the run presented no frame (see the messages above)\n", stderr);
    return 1;
  }
  std::string error;
  if (!WritePng(out, platform.FrameWidth(), platform.FrameHeight(), platform.PresentedFrame(),
                error)) {
    std::fprintf(stderr, "solvane-tool: cannot write %s: %s\n", out.c_str(), error.c_str());
    return 1;
  }
  std::printf("%s\n", out.c_str());
  return 0;
}

int MeshCommand(int argc, char** argv) {
  if (argc < 2 || std::string_view(argv[0]) != "info") return ToolUsage();
  const char* name = argv[1];
  HeadlessOptions options;
  if (const int status = ReadContentOption(argc - 2, argv + 2, options)) return status;
  HeadlessPlatform platform(options);
  SetHost(&platform);
  const MeshFileData mesh = ReadMeshFile(name, false);
  ArchiveFile file;
  const uint32_t size = file.Open(name) ? file.size : 0;
  SetHost(nullptr);
  std::printf("vertices %u\nfaces %u\ntexture coordinates %u\nbytes %u of %u\n", mesh.vertexCount,
              mesh.faceCount, mesh.textureCount, mesh.bytesConsumed, size);
  if (!mesh.valid) {
    std::fprintf(stderr, "solvane-tool: %s is damaged: an index or a count is out of range\n",
                 name);
    return 1;
  }
  return 0;
}

// The dialogs' texts, as the program looks them up: bytes as the resource stores them.
int StringsCommand(int argc, char** argv) {
  const bool lookup = argc == 2 && std::string_view(argv[0]) == "lookup";
  const bool about = argc == 1 && std::string_view(argv[0]) == "about";
  if (!lookup && !about) return ToolUsage();
  HeadlessPlatform platform;
  SetHost(&platform);
  LoadStringTable();
  if (lookup) {
    std::printf("%s\n", LookupText(argv[1]).c_str());
  } else {
    for (const std::string& line : AboutLines) std::printf("%s\n", line.c_str());
  }
  ResetProcessState();
  SetHost(nullptr);
  return 0;
}

}  // namespace
}  // namespace solvane

int main(int argc, char** argv) {
  if (argc < 2) return solvane::ToolUsage();
  const std::string_view command = argv[1];
  if (command == "--version" && argc == 2) {
    std::puts("solvane-tool " SOLVANE_VERSION);
    return 0;
  }
  if (command == "parse-cmdline") return solvane::ParseCommandLineCommand(argc - 2, argv + 2);
  if (command == "settings") return solvane::SettingsCommand(argc - 2, argv + 2);
  if (command == "render") return solvane::RenderCommand(argc - 2, argv + 2);
  if (command == "archive") return solvane::ArchiveCommand(argc - 2, argv + 2);
  if (command == "mesh") return solvane::MeshCommand(argc - 2, argv + 2);
  if (command == "scene") return solvane::SceneCommand(argc - 2, argv + 2);
  if (command == "strings") return solvane::StringsCommand(argc - 2, argv + 2);
  return solvane::ToolUsage();
}
