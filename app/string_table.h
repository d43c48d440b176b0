// The texts of the configuration and About dialogs.
#pragma once

namespace solvane {

// Loads the string-table resource; every run mode does this at start-up.
void LoadStringTable();

}  // namespace solvane
