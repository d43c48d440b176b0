// The Linux configuration dialog lives in a module of its own, so that only a run that shows the
// dialog loads GTK (dozens of libraries, tens of milliseconds before a saver's first frame).
// The module takes the dialog model, the settings and the string table from the program that
// loads it.
#pragma once

#include <string>
#include <vector>

namespace solvane::ui {

// The module's file name, and the one entry point it exports: `void SolvaneRunGtkDialog()`.
inline constexpr char kGtkDialogModuleName[] = "libsolvane_gtk_dialog.so";
inline constexpr char kGtkDialogEntry[] = "SolvaneRunGtkDialog";

// Where the program looks for the module, in order, given the directory that holds the program
// itself: beside it (the build tree), then the installed place, lib/solvane/modules beside bin/.
std::vector<std::string> GtkDialogModulePaths(const std::string& programDirectory);

}  // namespace solvane::ui
