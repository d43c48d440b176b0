#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/application.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  uint32_t parent = 1;
  const solvane::RunMode mode = solvane::ParseCommandLine(text, parent);
  if (int(mode) < 0 || int(mode) > 3) std::abort();
  // Only the c and p switches carry a window.
  if (parent != 0 && mode != solvane::RunMode::Configure && mode != solvane::RunMode::Preview) {
    std::abort();
  }
  return 0;
}
