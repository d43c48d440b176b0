// The Linux program's configuration dialog: the GTK module loaded when the dialog opens.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/settings.h"
#include "ui/config_dialog.h"
#include "ui/gtk_dialog_module.h"

namespace solvane::ui {

std::vector<std::string> GtkDialogModulePaths(const std::string& programDirectory) {
  if (programDirectory.empty()) return {};
  return {programDirectory + "/" + kGtkDialogModuleName,
          programDirectory + "/../lib/solvane/modules/" + kGtkDialogModuleName};
}

namespace {

// The directory of the running program, links resolved (the saver's link in XScreenSaver's
// directory leads to bin/); empty when the system does not say.
std::string ProgramDirectory() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return {};
  const std::string program(path, size_t(length));
  const size_t slash = program.rfind('/');
  return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

}  // namespace

void RunConfigurationDialog(uint32_t) {
  std::string problems;
  for (const std::string& path : GtkDialogModulePaths(ProgramDirectory())) {
    // The module binds to the program's own symbols, which the program exports.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      problems += "\n  " + path + ": " + (access(path.c_str(), F_OK) == 0 ? dlerror() : "missing");
      continue;
    }
    if (auto* run = reinterpret_cast<void (*)()>(dlsym(module, kGtkDialogEntry))) {
      run();
      // The module stays loaded: GTK leaves threads and handlers behind that would outlive it.
      return;
    }
    problems += "\n  " + path + ": not the dialog module";
    dlclose(module);
  }
  // The settings stay visible without the dialog, as where there is no display.
  std::fprintf(stderr, "solvane: the configuration dialog cannot be opened:%s\nthe settings are:\n",
               problems.c_str());
  std::fputs(SettingsReport().c_str(), stdout);
}

}  // namespace solvane::ui
