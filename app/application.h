// The program's entry: the run mode from the command line, the settings, and the three runs.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/display.h"
#include "app/run_options.h"

namespace solvane {

enum class RunMode : int32_t {
  Configure = 0,  // no switch, or c
  Preview = 1,    // p
  Saver = 2,      // any other switch letter, or none after the switch character
  SaverT = 3,     // t: runs exactly as Saver
};

struct Application {
  RunMode mode = RunMode::Configure;
  uint32_t parentWindow = 0;  // the number after the c or p switch; 0 when absent
  int showCommand = 0;        // passed to every window shown
  MonitorTable monitors;
};

// Decodes the host's command line (program name first). Writes `parentWindow`.
RunMode ParseCommandLine(std::string_view commandLine, uint32_t& parentWindow);

// Defaults, string table, command line, stored values, monitors, desktop mode, in that order.
void LoadSettings(Application& app);

void RunConfigure(Application& app);
void RunPreview(Application& app);
void RunSaver(Application& app);

// RunSaver in two halves around the main loop. StartSaver opens the windows and loads the scene
// behind the loading screen; false when the windows could not be made. StopSaver undoes what
// the run did to the system, in order; `started` is what StartSaver returned. The display mode
// and the cursor are restored on every path.
bool StartSaver(Application& app);
void StopSaver(Application& app, bool started);

// The whole process: settings, then the run the command line asks for. Always 0. `options`
// override the stored settings for this run; with a host's window as the target the run is the
// full-screen one, drawn into that window at its size (which the platform reports as the
// desktop's mode), leaving the display's gamma alone.
int RunApplication(int showCommand, const RunOptions& options = {});

// Back to the state of a fresh process, for everything the runs touch.
void ResetProcessState();

}  // namespace solvane
