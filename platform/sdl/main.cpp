// solvane: the screensaver on Linux. It takes the switches a screensaver host passes
// (/s full screen, /c configure, /p <window> preview) and runs the same core as everywhere.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/application.h"
#include "platform/sdl/sdl_platform.h"

namespace {

// The command line as the system would hand it over: the program name, quoted when it has
// blanks, then the arguments separated by single spaces.
std::string JoinCommandLine(int argc, char** argv) {
  std::string program = argc > 0 ? argv[0] : "solvane";
  std::string line = program.find(' ') == std::string::npos ? program : '"' + program + '"';
  for (int i = 1; i < argc; ++i) {
    line += ' ';
    line += argv[i];
  }
  return line;
}

void PrintUsage() {
  std::puts(
      "usage: solvane [/s | /c | /p <window>]\n"
      "  /s  run full screen until a key, a click or (if enabled) mouse movement\n"
      "  /c  configure (with no switch at all, too)\n"
      "  /p  preview inside the host's window\n"
      "settings: $XDG_CONFIG_HOME/solvane/settings (default ~/.config/solvane/settings)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage();
    return 0;
  }
  const std::string commandLine = JoinCommandLine(argc, argv);
  solvane::SdlPlatform platform(commandLine, solvane::FileSettingsStore::DefaultPath());
  uint32_t parentWindow = 0;
  const solvane::RunMode mode = solvane::ParseCommandLine(commandLine, parentWindow);
  if ((mode == solvane::RunMode::Saver || mode == solvane::RunMode::SaverT) &&
      !platform.HasDisplay()) {
    std::fputs("solvane: no display to run on; 'solvane-tool render' draws without one\n", stderr);
  }
  solvane::SetHost(&platform);
  constexpr int kShowNormal = 1;
  const int result = solvane::RunApplication(kShowNormal);
  solvane::SetHost(nullptr);
  return result;
}
