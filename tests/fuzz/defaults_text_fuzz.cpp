#include <cstdint>
#include <cstdlib>

#include "app/settings.h"
#include "platform/headless/headless_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static solvane::HeadlessPlatform* platform = [] {
    auto* p = new solvane::HeadlessPlatform();
    solvane::SetHost(p);
    return p;
  }();
  (void)platform;
  solvane::ResetSettings();
  solvane::LoadDefaultsText({data, size});
  if (solvane::defaultsTable.size() > solvane::kMaxDefaultsEntries) std::abort();
  for (const solvane::DefaultsEntry& entry : solvane::defaultsTable) {
    for (char c : entry.key + entry.value) {
      // Blanks, controls and code-page bytes never survive, nor does a comment.
      if (static_cast<signed char>(c) <= 32 || c == ';') std::abort();
    }
  }
  solvane::ApplyDefaults(solvane::settings);
  return 0;
}
