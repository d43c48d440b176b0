// The string table: any text, then the lookups the dialogs make.
#include <cstdint>
#include <cstdlib>

#include "app/string_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace solvane;
  LoadStringTable({data, size});
  if (stringTable.lines.size() > kMaxStringTableLines) std::abort();
  for (const char* key : {"about_window_text", "ok", "", "#", "a"}) LookupText(key);
  ResetStringTable();
  return 0;
}
