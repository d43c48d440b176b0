// The configuration "dialog" of front ends without a dialog toolkit: it shows what the dialog
// would edit, the settings in force and the defaults, on standard output.
#include <cstdio>

#include "app/settings.h"
#include "ui/config_dialog.h"

namespace solvane::ui {

void RunConfigurationDialog(uint32_t) {
  std::fputs(SettingsReport().c_str(), stdout);
}

}  // namespace solvane::ui
