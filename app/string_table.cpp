#include "app/string_table.h"

namespace solvane {

// Only the dialogs read the table, and this front end has none yet.
void LoadStringTable() {}

}  // namespace solvane
